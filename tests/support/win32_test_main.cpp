// Entry of the Wine-run test executables: fills the program's globals the way
// the program's own entry point does, then runs every test. In a prefix of
// another DPI (TAVELIN_WINE_DPI) the tests, like the program, are DPI-aware.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include "app/globals.h"

int main(int argc, char** argv)
{
    processHeap = GetProcessHeap();
    appInstance = GetModuleHandleA(nullptr);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    if (getenv("TAVELIN_WINE_DPI"))
        SetProcessDPIAware();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
