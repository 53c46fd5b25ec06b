// One run of the real program for the end-to-end tests (see the header).
#include "tests/support/win32_program_run.h"

#include <stdlib.h>
#include <string.h>

#include "tests/support/win32_unix_command.h"

std::string windowsPath(const char* path)
{
    std::string result = path ? path : "";
    if (!result.empty() && result[0] == '/')
        result = "Z:" + result;
    for (char& c : result)
        if (c == '/')
            c = '\\';
    return result;
}

std::string programPath()
{
    return windowsPath(getenv("TAVELIN_EXE"));
}

std::vector<uint32_t> captureClient(HWND wnd, int* width, int* height)
{
    RECT rect;
    GetClientRect(wnd, &rect);
    POINT origin = {0, 0};
    ClientToScreen(wnd, &origin);
    *width = rect.right;
    *height = rect.bottom;
    std::vector<uint32_t> pixels(size_t(*width) * *height);
    if (pixels.empty())
        return pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = *width;
    info.bmiHeader.biHeight = -*height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, *width, *height, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    memcpy(pixels.data(), bits, pixels.size() * 4);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (uint32_t& p : pixels)
        p &= 0xFFFFFF;
    return pixels;
}

namespace {

struct WindowQuery {
    DWORD processId;
    const char* className;
    const char* caption;   // null: any
    HWND found;
};

BOOL CALLBACK matchWindow(HWND wnd, LPARAM param)
{
    WindowQuery* query = reinterpret_cast<WindowQuery*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(wnd, &owner);
    if (owner != query->processId || !IsWindowVisible(wnd))
        return TRUE;
    char name[64] = "", text[128] = "";
    GetClassNameA(wnd, name, sizeof(name));
    GetWindowTextA(wnd, text, sizeof(text));
    if (strcmp(name, query->className) != 0)
        return TRUE;
    if (query->caption && strcmp(text, query->caption) != 0)
        return TRUE;
    query->found = wnd;
    return FALSE;
}

}  // namespace

ProgramRun::ProgramRun(const std::string& file)
{
    ProgramStart plain;
    plain.exe = programPath();
    plain.commandLine = "\"" + plain.exe + "\"";
    if (!file.empty())
        plain.commandLine += " " + file;
    start(plain);
}

ProgramRun::ProgramRun(const ProgramStart& start)
{
    this->start(start);
}

void ProgramRun::start(const ProgramStart& start)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    if (start.errorOutput) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = start.errorOutput;
        startup.hStdError = start.errorOutput;
    }
    ZeroMemory(&process_, sizeof(process_));
    std::vector<char> line(start.commandLine.begin(), start.commandLine.end());
    line.push_back(0);
    started_ = CreateProcessA(start.exe.empty() ? nullptr : start.exe.c_str(), line.data(),
                              nullptr, nullptr, start.errorOutput ? TRUE : FALSE, 0, nullptr,
                              nullptr, &startup, &process_) != 0;
}

ProgramRun::ProgramRun(DWORD processId)
{
    ZeroMemory(&process_, sizeof(process_));
    process_.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION,
                                    FALSE, processId);
    process_.dwProcessId = processId;
    started_ = process_.hProcess != nullptr;
}

// A program with a frame is asked to close, so that it ends as a user ends
// it; whatever still runs after that is terminated.
ProgramRun::~ProgramRun()
{
    if (!started_)
        return;
    if (running()) {
        HWND frame = findWindow("NFO_Window");
        if (frame)
            PostMessageA(frame, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_.hProcess, frame ? 5000 : 0) != WAIT_OBJECT_0) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
    }
    if (process_.hThread)
        CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool ProgramRun::running() const
{
    return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND ProgramRun::findWindow(const char* className, const char* caption) const
{
    WindowQuery query = {process_.dwProcessId, className, caption, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

HWND ProgramRun::waitForWindow(const char* className, const char* caption, DWORD ms) const
{
    const DWORD start = GetTickCount();
    HWND wnd;
    while (!(wnd = findWindow(className, caption)) && GetTickCount() - start <= ms)
        Sleep(20);
    return wnd;
}

DWORD ProgramRun::waitForExit(DWORD ms) const
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process_.hProcess, ms) == WAIT_OBJECT_0)
        GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

std::vector<uint32_t> renderedView(const std::string& unixFile, int width, int height, int at, int scale)
{
    const std::string rgb = unixFile + ".rgb";
    const std::string script = "\"$1\" -q --scale \"$2\" --view \"$3\" --at \"$4\" -o - \"$5\" | "
                               "convert png:- -depth 8 \"rgb:$6\"";
    std::vector<uint32_t> pixels;
    const size_t count = size_t(width) * scale * height * scale;
    std::vector<uint8_t> bytes(count * 3 + 1);
    DWORD got = 0;
    runUnixCommand({"/bin/sh", "-c", script, "sh", getenv("TAVELIN_RENDER"), std::to_string(scale),
                    std::to_string(width) + "x" + std::to_string(height), std::to_string(at), unixFile, rgb}, true);
    HANDLE file = CreateFileA(windowsPath(rgb.c_str()).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE && ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr))
        CloseHandle(file);
    DeleteFileA(windowsPath(rgb.c_str()).c_str());
    for (size_t i = 0; got == count * 3 && i < count; ++i)
        pixels.push_back(uint32_t(bytes[3 * i]) << 16 | uint32_t(bytes[3 * i + 1]) << 8 | bytes[3 * i + 2]);
    return pixels;
}

size_t pixelsUnlikeRendered(HWND view, const std::vector<uint32_t>& rendered, int width, int height, int scale)
{
    size_t wrong = 0;
    waitFor([&]() {
        int w = 0, h = 0;
        const std::vector<uint32_t> shown = captureClient(view, &w, &h);
        wrong = 1;
        if (w > width * scale || h > height * scale)
            return false;   // the view grew
        wrong = 0;
        for (int i = 0; i < w * h; ++i)
            wrong += shown[i] != rendered[size_t(i / w) * width * scale + i % w];
        return wrong == 0;
    }, 3000);
    return wrong;
}
