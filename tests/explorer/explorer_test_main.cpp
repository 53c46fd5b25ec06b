// Entry of the Explorer handler tests: a single-threaded apartment, as in
// Explorer, and the DLL registered for the current user around every test.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "tests/explorer/explorer_host.h"

namespace {

class Registered : public testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(0u, runRegsvr32(false)) << "regsvr32 of the DLL"; }
    void TearDown() override { EXPECT_EQ(0u, runRegsvr32(true)) << "regsvr32 /u of the DLL"; }
};

}  // namespace

int main(int argc, char** argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    processHeap = GetProcessHeap();     // the documents of readStreamDocument
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);   // as Explorer
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new Registered);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
