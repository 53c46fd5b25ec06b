// The Windows bench program: a console program of its own, linked with the
// program's code, run under Wine by `make bench`. Each measurement prints its
// details as it goes; the figures follow at the end, one line each.
//
// Run a second time in a Wine prefix of 192 DPI (TAVELIN_WINE_DPI, see
// scripts/wine-run.sh) it takes the screen's DPI as the program does with its
// manifest and measures the frame and the tick at that scale only.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "app/globals.h"
#include "bench/win32/bench_timing.h"

int main()
{
    processHeap = GetProcessHeap();
    appInstance = GetModuleHandleA(nullptr);
    if (getenv("TAVELIN_WINE_DPI")) {
        SetProcessDPIAware();
        wbench::benchCompose();
        wbench::benchScrollTick();
        summary::print("Figures of the Windows build at the prefix's DPI:");
        return 0;
    }
    // The memory figure wants a process that has done nothing else yet.
    wbench::measureLoadMemory();
    wbench::benchDocumentLoad();
    wbench::benchCompose();
    wbench::benchScrollTick();
    summary::print("Figures of the Windows build:");
    return 0;
}
