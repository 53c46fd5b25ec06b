// The Windows bench program: a console program of its own, linked with the
// program's code, run under Wine by `make bench`. Each measurement prints its
// details as it goes; the figures follow at the end, one line each.
#include <windows.h>

#include <stdio.h>

#include "app/globals.h"
#include "bench/win32/bench_timing.h"

int main()
{
    processHeap = GetProcessHeap();
    appInstance = GetModuleHandleA(nullptr);
    // The memory figure wants a process that has done nothing else yet.
    wbench::measureLoadMemory();
    wbench::benchDocumentLoad();
    wbench::benchCompose();
    wbench::benchScrollTick();
    summary::print("Figures of the Windows build:");
    return 0;
}
