// Test bench for the view window under Wine (see win32_view_fixture.h).
#include "tests/support/win32_view_fixture.h"
#include "tests/support/win32_test_helpers.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

#include "document/text_document.h"
#include "tests/support/win32_messages.h"
#include "view/view_window.h"

namespace viewtest {

static const char kFrameClass[] = "TavelinViewTestFrame";

std::string stripedLine(int index)
{
    char text[16];
    std::snprintf(text, sizeof text, "%cline%03d", (index & 1) ? '\xDB' : ' ', index);
    return text;
}

std::string stripedText(int lines)
{
    std::string text;
    for (int k = 1; k <= lines; ++k)
        text += stripedLine(k) + "\r\n";
    return text;
}

int threadCount()
{
    return threadsOf(GetCurrentProcessId());
}

// Wine answers GetProcessHandleCount with 0, so the handle table is probed:
// every value that GetHandleInformation accepts is an open handle.
int handleCount()
{
    int count = 0;
    for (UINT_PTR value = 4; value < 0x2000; value += 4) {
        DWORD flags;
        if (GetHandleInformation((HANDLE)value, &flags))
            ++count;
    }
    return count;
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        runPendingMessages();
        if (done && done())
            return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed < 5 ? timeoutMs - elapsed : 5,
                                  QS_ALLINPUT);
    }
}

void pumpFor(DWORD milliseconds)
{
    pumpUntil(nullptr, milliseconds);
}

std::string clipboardText()
{
    std::string text = "<none>";
    if (!OpenClipboard(nullptr))
        return "<closed>";
    HANDLE block = GetClipboardData(CF_TEXT);
    if (block) {
        const char* data = (const char*)GlobalLock(block);
        if (data)
            text = data;
        GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
}

void setClipboardText(const std::string& text)
{
    if (!OpenClipboard(nullptr))
        return;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    char* data = (char*)GlobalLock(block);
    std::memcpy(data, text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

static void registerFrameClass()
{
    WNDCLASSA frameClass = {};
    frameClass.lpfnWndProc = DefWindowProcA;
    frameClass.hInstance = GetModuleHandleA(nullptr);
    frameClass.lpszClassName = kFrameClass;
    RegisterClassA(&frameClass);   // fails harmlessly after the first time
}

static std::string writeTempFile(const std::string& text)
{
    char folder[MAX_PATH];
    char name[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    GetTempFileNameA(folder, "nfo", 0, name);
    std::string path = std::string(name) + ".nfo";
    DeleteFileA(name);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, nullptr);
    CloseHandle(file);
    return path;
}

ViewBench::~ViewBench()
{
    close();
}

void ViewBench::open(const std::string& text, bool withDocument, uint8_t copyOnSelect, int width,
                     int height)
{
    registerFrameClass();
    registerViewClass();   // the view class goes away with every view
    path = writeTempFile(text);
    // The parent stays hidden: without a window manager, destroying a shown
    // top-level window waits two seconds for it. Tests that need the screen
    // show it themselves.
    frame = CreateWindowExA(0, kFrameClass, "bench", WS_OVERLAPPEDWINDOW, 0, 0,
                            width + 40, height + 80, nullptr, nullptr, GetModuleHandleA(nullptr),
                            nullptr);
    RECT rect = {0, 0, width, height};
    TextDocument* document = withDocument ? new TextDocument(path.c_str()) : nullptr;
    view = createScrollView(frame, rect, kInk, kPaper, 0, copyOnSelect, document);
    window = view ? view->viewWnd : nullptr;
    pumpFor(0);
}

void ViewBench::close()
{
    if (frame)
        DestroyWindow(frame);
    frame = nullptr;
    window = nullptr;
    view = nullptr;
    pumpFor(0);
    if (!path.empty())
        DeleteFileA(path.c_str());
    path.clear();
}

LRESULT ViewBench::key(WPARAM virtualKey, int repeat, bool wasDown)
{
    LPARAM flags = (LPARAM)(repeat & 0xFFFF) | (wasDown ? (1 << 30) : 0);
    return SendMessageA(window, WM_KEYDOWN, virtualKey, flags);
}

LRESULT ViewBench::mouse(UINT message, WPARAM keys, int x, int y)
{
    return SendMessageA(window, message, keys, MAKELPARAM((WORD)x, (WORD)y));
}

LRESULT ViewBench::tick()
{
    return SendMessageA(window, WM_VIEW_TICK, 0, 0);
}

std::vector<Pixel> ViewBench::screenColumn(int x) const
{
    std::vector<Pixel> column;
    for (int y = 0; y < view->height; ++y)
        column.push_back(view->screenBits[y * view->width + x]);
    return column;
}

}  // namespace viewtest
