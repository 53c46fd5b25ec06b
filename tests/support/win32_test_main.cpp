// Entry of the Wine-run test executables: fills the program's globals the way
// the program's own entry point does, then runs every test.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/globals.h"

int main(int argc, char** argv)
{
    processHeap = GetProcessHeap();
    appInstance = GetModuleHandleA(nullptr);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
