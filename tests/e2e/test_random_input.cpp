// Seeded random input on the real program (random_input.h): a short pass of
// a fixed seed and a fresh one, the seeds of faults found and mended, the
// counters the checks rely on, and the two soaks that `make soak` and
// `make soak-scroll` run.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

#include "resources/resource.h"
#include "tests/e2e/random_input.h"
#include "tests/support/win32_program_run.h"
#include "tests/support/win32_test_helpers.h"

namespace {

using randominput::Outcome;

DWORD environmentNumber(const char* name, DWORD otherwise)
{
    const char* value = getenv(name);
    return value && *value ? DWORD(strtoull(value, nullptr, 10)) : otherwise;
}

uint64_t freshSeed()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (uint64_t(now.QuadPart) * 0x9E3779B97F4A7C15ull ^ GetCurrentProcessId()) % 1000000000;
}

void expectClean(const Outcome& outcome)
{
    EXPECT_FALSE(outcome.fault) << "replay with SEED=" << outcome.seed << " STEPS=" << outcome.steps
                                << ": " << randominput::describe(outcome);
}

DWORD WINAPI waitForEvent(void* event)
{
    WaitForSingleObject(event, INFINITE);
    return 0;
}

// The figures the checks compare, checked on this process: each must follow
// what the process holds.
TEST(RandomInput, FiguresFollowWhatTheProcessHolds)
{
    const DWORD self = GetCurrentProcessId();
    // The first window of a thread brings the system's own window for input
    // methods with it; the program has its frame before it is measured.
    HWND first = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    randominput::Figures before = randominput::measure(GetCurrentProcess(), self);
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, waitForEvent, stop, 0, nullptr);
    HPEN pens[20];
    for (HPEN& pen : pens)
        pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    void* block = VirtualAlloc(nullptr, 4 << 20, MEM_COMMIT, PAGE_READWRITE);
    randominput::Figures during = randominput::measure(GetCurrentProcess(), self);
    EXPECT_EQ(before.threads + 1, during.threads);
    EXPECT_EQ(before.gdiObjects + 20, during.gdiObjects);
    EXPECT_EQ(before.userObjects + 1, during.userObjects);
    EXPECT_GE(during.privateBytes, before.privateBytes + (4 << 20));
    VirtualFree(block, 0, MEM_RELEASE);
    DestroyWindow(window);
    for (HPEN pen : pens)
        DeleteObject(pen);
    SetEvent(stop);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(stop);
    randominput::Figures after;
    // A thread that has ended leaves the list a moment later.
    for (int i = 0; i < 100 && (after = randominput::measure(GetCurrentProcess(), self)).threads != before.threads; ++i)
        Sleep(10);
    EXPECT_EQ(before.threads, after.threads);
    EXPECT_EQ(before.gdiObjects, after.gdiObjects);
    EXPECT_EQ(before.userObjects, after.userObjects);
    DestroyWindow(first);
}

// A fixed seed, so that every run covers the same ground, and a fresh one,
// printed, so that every run also covers new ground.
TEST(RandomInput, ShortPass)
{
    ASSERT_NE(nullptr, getenv("TAVELIN_EXE")) << "TAVELIN_EXE names the program to test";
    const int steps = int(environmentNumber("TAVELIN_RANDOM_STEPS", 1000));
    for (uint64_t seed : {uint64_t(20240601), freshSeed()}) {
        printf("random input: seed %llu\n", (unsigned long long)seed);
        fflush(stdout);
        expectClean(randominput::drive(seed, steps));
    }
}

// Found by the GDI figure of seed 20240601 (one more bitmap for every About
// box): the box gives back the bitmap its picture control loaded.
TEST(RandomInput, AboutBoxGivesBackItsBitmap)
{
    ASSERT_NE(nullptr, getenv("TAVELIN_EXE")) << "TAVELIN_EXE names the program to test";
    ProgramRun program("");
    HWND frame = program.waitForFrame();
    ASSERT_NE(nullptr, frame);
    DWORD processId = 0;
    GetWindowThreadProcessId(frame, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    ASSERT_NE(nullptr, process);
    auto openAndClose = [&](int times) {
        for (int i = 0; i < times; ++i) {
            PostMessageA(frame, WM_COMMAND, IDM_ABOUT, 0);
            HWND about = program.waitForWindow("#32770", "About...", 5000);
            ASSERT_NE(nullptr, about);
            PostMessageA(about, WM_COMMAND, IDOK, 0);
            for (int wait = 0; wait < 200 && IsWindow(about); ++wait)
                Sleep(10);
        }
    };
    openAndClose(2);
    const unsigned before = randominput::measure(process, processId).gdiObjects;
    openAndClose(20);
    EXPECT_LT(randominput::measure(process, processId).gdiObjects, before + 5);
    CloseHandle(process);
}

// `make soak`: fresh seeds, one program run of up to 5000 steps each, until
// TAVELIN_SOAK_STEPS steps or TAVELIN_SOAK_MINUTES minutes; with
// TAVELIN_SOAK_SEED one run of that seed. A fault ends its run and the next
// seed starts a new program. The last line gives steps, seeds and faults.
TEST(RandomInputSoak, DISABLED_Random)
{
    const DWORD steps = environmentNumber("TAVELIN_SOAK_STEPS", 100000);
    const DWORD minutes = environmentNumber("TAVELIN_SOAK_MINUTES", 20);
    const uint64_t given = environmentNumber("TAVELIN_SOAK_SEED", 0);
    const DWORD deadline = GetTickCount() + minutes * 60000;
    DWORD done = 0;
    int faults = 0;
    std::string seeds, faulty;
    Outcome first, last;
    while (done < steps && int(GetTickCount() - deadline) < 0) {
        const uint64_t seed = given ? given : freshSeed();
        const int run = int(given ? steps : std::min<DWORD>(5000, steps - done));
        Outcome outcome = randominput::drive(seed, run, deadline);
        if (seeds.empty())
            first = outcome;
        last = outcome;
        done += outcome.steps;
        seeds += (seeds.empty() ? "" : " ") + std::to_string(seed);
        if (outcome.fault) {
            ++faults;
            faulty += " " + std::to_string(seed) + "@" + std::to_string(outcome.steps);
            ADD_FAILURE() << randominput::describe(outcome);
        }
        if (given)
            break;
    }
    printf("soak: first run: %s\n", randominput::describe(first).c_str());
    printf("soak: last run: %s\n", randominput::describe(last).c_str());
    printf("soak: %lu steps, seeds %s, %d faults%s%s\n", (unsigned long)done, seeds.c_str(), faults,
           faulty.empty() ? "" : ", at seed@step", faulty.c_str());
    fflush(stdout);
}

// `make soak-scroll`: the middle-button speed scroll through a 100 MB file
// and a file of ten million lines, end to end and back TAVELIN_SOAK_ROUNDS
// (10) times each.
TEST(RandomInputSoak, DISABLED_SpeedScroll)
{
    const int rounds = int(environmentNumber("TAVELIN_SOAK_ROUNDS", 10));
    const std::string big = tempPath("tavelin_soak_100mb.nfo");
    const std::string many = tempPath("tavelin_soak_10m_lines.nfo");
    struct Spec {
        const std::string& path;
        int64_t lines;
        int width;   // bytes a line, line end included; 0: the line number alone
    } specs[] = {{big, 100 * 1000 * 1000 / 100, 100}, {many, 10 * 1000 * 1000, 0}};
    int faults = 0;
    for (const Spec& spec : specs) {
        HANDLE file = CreateFileA(spec.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        std::string chunk;
        for (int64_t i = 0; i < spec.lines; ++i) {
            char line[128];
            int n = snprintf(line, sizeof line, "%lld", (long long)i);
            if (spec.width) {
                memset(line + n, i % 2 ? '\xB1' : '\xDB', spec.width - 2 - n);
                n = spec.width - 2;
            }
            chunk.append(line, n).append("\r\n");
            if (chunk.size() > (1 << 20) || i + 1 == spec.lines) {
                DWORD written = 0;
                WriteFile(file, chunk.data(), DWORD(chunk.size()), &written, nullptr);
                chunk.clear();
            }
        }
        CloseHandle(file);
        Outcome outcome = randominput::speedScroll(spec.path, spec.lines, rounds);
        faults += outcome.fault;
        EXPECT_FALSE(outcome.fault) << randominput::describe(outcome);
        DeleteFileA(spec.path.c_str());
    }
    printf("soak: speed scroll, %d rounds through each file, %d faults\n", rounds, faults);
    fflush(stdout);
}

}  // namespace
