// One run of the real program for the end-to-end tests: started on a file,
// its windows found by class, its picture read from the screen, and ended at
// the end of the run (closed when it has a frame, terminated if need be).
#pragma once

#include <windows.h>

#include <stdint.h>
#include <string>
#include <vector>

// Wine maps the Unix root to drive Z:, and the build hands us Unix paths.
std::string windowsPath(const char* path);
// The program under test, from the TAVELIN_EXE variable that CTest sets.
std::string programPath();

// Polls every 50 ms until test() holds; false when the time runs out first.
template <typename Test>
bool waitFor(Test test, DWORD milliseconds = 10000)
{
    DWORD start = GetTickCount();
    while (!test()) {
        if (GetTickCount() - start > milliseconds)
            return false;
        Sleep(50);
    }
    return true;
}

// A window's client area as it is on the screen, as 0x00RRGGBB pixels, top
// row first.
std::vector<uint32_t> captureClient(HWND wnd, int* width, int* height);

// tavelin-render's image (TAVELIN_RENDER, read through ImageMagick) of a view
// of width x height logical pixels scrolled `at` pixels, at `scale`; empty
// when none was made.
std::vector<uint32_t> renderedView(const std::string& unixFile, int width, int height, int at, int scale);
// Waits up to 3 s for a view to show such an image from its top left;
// returns how many of its pixels still differ (1 while the view is larger).
size_t pixelsUnlikeRendered(HWND view, const std::vector<uint32_t>& rendered, int width, int height, int scale);

// How a run is started when the plain file argument is not enough.
struct ProgramStart {
    std::string exe;            // empty: CreateProcessA finds it in commandLine, as the shell does
    std::string commandLine;    // the whole line, program name included
    // Inheritable handle given to the program as its standard output and
    // error. Wine's own log does not follow it: that goes to the Unix stderr
    // the test process was started with.
    HANDLE errorOutput = nullptr;
};

class ProgramRun {
public:
    // Starts the program with file on its command line (nothing when empty).
    explicit ProgramRun(const std::string& file);
    explicit ProgramRun(const ProgramStart& start);
    // A run of the program that something else started.
    explicit ProgramRun(DWORD processId);
    ~ProgramRun();

    bool started() const { return started_; }
    bool running() const;

    // A visible window of the program with this class (and caption, unless null).
    HWND findWindow(const char* className, const char* caption = nullptr) const;
    HWND waitForWindow(const char* className, const char* caption = nullptr,
                       DWORD ms = 10000) const;
    HWND waitForFrame() const { return waitForWindow("NFO_Window", "Tavelin"); }
    // The exit code, or STILL_ACTIVE when the program has not ended in time.
    DWORD waitForExit(DWORD ms = 10000) const;

private:
    void start(const ProgramStart& start);

    PROCESS_INFORMATION process_;
    bool started_ = false;
};
