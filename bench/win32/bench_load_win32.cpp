// Loading a 100 MB .nfo file in the real program's build: the TextDocument
// constructor with the program's own CreateFileA, ReadFile and VirtualAlloc
// path, splitting and indexing included, then freed again; against opening the
// file and reading it whole with one ReadFile into a VirtualAlloc'd block.
// Also the memory the load takes: the peak working set after loading, less
// the working set just before, in a process that has loaded nothing yet, as
// a multiple of the file's size (GetProcessMemoryInfo; the bench's own use,
// the program has no part in it).
#include <windows.h>
#include <psapi.h>

#include <stdio.h>

#include <algorithm>
#include <vector>

#include "bench/bench_file.h"
#include "bench/win32/bench_timing.h"
#include "document/text_document.h"

namespace wbench {

static std::string bigFilePath()
{
    return tempPath("tavelin-bench-100mb.nfo");
}

static bool memoryNow(PROCESS_MEMORY_COUNTERS& counters)
{
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) != 0;
}

static double megabytes(SIZE_T bytes)
{
    return (double)bytes / 1048576.0;
}

void measureLoadMemory()
{
    const std::string path = bigFilePath();
    if (!benchfile::ready(path.c_str())) {
        printf("memory: cannot write %s\n", path.c_str());
        return;
    }
    PROCESS_MEMORY_COUNTERS before, after;
    if (!memoryNow(before)) {
        printf("memory: GetProcessMemoryInfo failed\n");
        return;
    }
    TextDocument* document = new TextDocument(path.c_str());
    const int lines = document ? (int)document->getLineCount() : 0;
    const bool measured = memoryNow(after);
    delete document;
    if (!measured || lines == 0) {
        printf("memory: no figure (the file did not load or the counters failed)\n");
        return;
    }
    const double fileBytes = (double)benchfile::size;
    printf("memory of a 100 MB load (%d lines): working set %.1f MB before (peak %.1f MB), "
           "peak %.1f MB after; pagefile usage %.1f MB before, peak %.1f MB after\n",
           lines, megabytes(before.WorkingSetSize), megabytes(before.PeakWorkingSetSize),
           megabytes(after.PeakWorkingSetSize), megabytes(before.PagefileUsage),
           megabytes(after.PeakPagefileUsage));
    fflush(stdout);
    summary::record("peak memory growth loading a 100 MB file",
                    (double)(after.PeakWorkingSetSize - before.WorkingSetSize) / fileBytes,
                    "the file's size");
}

// The least any viewer pays: the file read whole into fresh committed pages.
static void readWhole(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const DWORD size = GetFileSize(file, nullptr);
    BYTE* buffer = (BYTE*)VirtualAlloc(nullptr, size + 5, MEM_COMMIT, PAGE_READWRITE);
    DWORD got = 0;
    if (buffer)
        ReadFile(file, buffer + 1, size, &got, nullptr);
    CloseHandle(file);
    if (buffer)
        VirtualFree(buffer, 0, MEM_RELEASE);
}

// One file's load against its ReadFile, in rounds of each in turn, so that a
// disturbance of the machine shows as a round apart from the others; the
// figure is the median round.
static void benchLoadOf(const std::string& path, bool utf8, const char* figure)
{
    if (!benchfile::ready(path.c_str(), utf8)) {
        printf("load: cannot write %s\n", path.c_str());
        return;
    }
    int lines = 0;
    auto load = [&] {
        TextDocument* document = new TextDocument(path.c_str());
        lines = document ? (int)document->getLineCount() : 0;
        delete document;
    };
    auto read = [&] { readWhole(path.c_str()); };
    const int rounds = 3;
    std::vector<double> ratios;
    printf("\ndocument load of %s under Wine, %d rounds:\n", path.c_str(), rounds);
    for (int round = 0; round < rounds; ++round) {
        const double readSeconds = secondsPerRun(read, 1, 1.0, 1);
        const double loadSeconds = secondsPerRun(load, 1, 1.0, 1);
        ratios.push_back(loadSeconds / readSeconds);
        printf("  read %.1f ms, load %.1f ms (%d lines): %.2f\n", readSeconds * 1e3,
               loadSeconds * 1e3, lines, loadSeconds / readSeconds);
        fflush(stdout);
    }
    std::sort(ratios.begin(), ratios.end());
    summary::record(figure, ratios[rounds / 2], "ReadFile of the file");
}

void benchDocumentLoad()
{
    benchLoadOf(bigFilePath(), false, "document load, 100 MB file");
    benchLoadOf(tempPath("tavelin-bench-100mb-utf8.nfo"), true, "document load, 100 MB UTF-8 file");
}

}  // namespace wbench
