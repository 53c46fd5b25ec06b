// Shared by the parts of the Windows bench program (bench/win32/*.cpp): the
// timer, the temp-folder paths, the dense test text and the measurements that
// main runs one after another. Every figure is also recorded for the summary
// that main prints at the end (bench/bench_summary.h).
#pragma once

#include <windows.h>

#include <string>

#include "bench/bench_summary.h"

namespace wbench {

inline double counterSeconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

inline double secondsNow()
{
    LARGE_INTEGER now, zero;
    QueryPerformanceCounter(&now);
    zero.QuadPart = 0;
    return counterSeconds(zero, now);
}

// Runs the operation warmUps times untimed, then repeatedly, in batches of
// `batch`, for at least minimumSeconds; returns the seconds of one run.
template <typename Operation>
double secondsPerRun(Operation operation, int warmUps = 20, double minimumSeconds = 1.5, int batch = 10)
{
    for (int i = 0; i < warmUps; ++i)
        operation();
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    long runs = 0;
    do {
        for (int i = 0; i < batch; ++i)
            operation();
        runs += batch;
        QueryPerformanceCounter(&now);
    } while (counterSeconds(start, now) < minimumSeconds);
    return counterSeconds(start, now) / (double)runs;
}

// name inside the temp folder.
inline std::string tempPath(const char* name)
{
    char folder[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof folder, folder);
    return std::string(folder, length) + name;
}

// Writes `lines` lines of the dense text (bench/bench_dense_text.h) with CR LF
// line ends. Returns false when the file cannot be written.
bool writeDenseBoxText(const char* path, int lines);

// The measurements, in the order main runs them.
void measureLoadMemory();     // bench_load_win32.cpp: first, in the fresh process
void benchDocumentLoad();     // bench_load_win32.cpp
void benchCompose();          // bench_compose_win32.cpp
void benchScrollTick();       // bench_tick_win32.cpp

}  // namespace wbench
