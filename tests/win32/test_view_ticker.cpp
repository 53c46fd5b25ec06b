// ScrollTicker threads under Wine: they end when their flag is cleared, their
// handles do not pile up, and a view destroyed while tickers are asleep or
// waiting in their send keeps its memory until the last one has ended.
// Counts real threads and handles of the test process.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/win32_view_fixture.h"

using namespace viewtest;

namespace {

const int kLines = 100;

// Waits, running messages, until the process is back to `threads` threads.
bool threadsSettleTo(int threads)
{
    return pumpUntil([&] { return threadCount() <= threads; }, 5000);
}

class ViewTicker : public testing::Test {
protected:
    void SetUp() override
    {
        pumpFor(50);
        baseThreads = threadCount();
        ASSERT_GT(baseThreads, 0);
    }

    int baseThreads = 0;
};

TEST_F(ViewTicker, EachStartRunsOneThreadThatEndsWhenStopped)
{
    ViewBench bench;
    bench.open(stripedText(kLines));
    bench.key(VK_SPACE);
    EXPECT_EQ(baseThreads + 1, threadCount());
    pumpFor(150);
    // A middle press beside the running slow scroll starts a second ticker.
    bench.mouse(WM_MBUTTONDOWN, MK_MBUTTON, 100, 100);
    EXPECT_EQ(baseThreads + 2, threadCount());
    bench.mouse(WM_MBUTTONUP, 0, 100, 100);
    EXPECT_EQ(0, bench.view->autoScrolling);
    EXPECT_TRUE(threadsSettleTo(baseThreads));
    EXPECT_EQ(baseThreads, threadCount());
}

TEST_F(ViewTicker, HandleCountDoesNotGrowWithSpaceOnAndOff)
{
    // The counter notices a single handle, so a leak per cycle would show.
    int plain = handleCount();
    HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_EQ(plain + 1, handleCount());
    CloseHandle(probe);

    ViewBench bench;
    bench.open(stripedText(kLines));
    bench.key(VK_SPACE);
    bench.key(VK_SPACE);
    ASSERT_TRUE(threadsSettleTo(baseThreads));
    int before = handleCount();
    for (int cycle = 0; cycle < 100; ++cycle) {
        bench.key(VK_SPACE);
        pumpFor(cycle % 3 == 0 ? 15 : 0);
        bench.key(VK_SPACE);
        pumpFor(cycle % 5 == 0 ? 10 : 0);
    }
    ASSERT_TRUE(threadsSettleTo(baseThreads));
    EXPECT_LE(handleCount(), before + 2);
    bench.close();
    EXPECT_LE(handleCount(), before);
}

TEST_F(ViewTicker, ViewMemoryOutlivesTheWindowUntilItsTickerEnds)
{
    ViewBench bench;
    bench.open(stripedText(kLines));
    ScrollView* view = bench.view;
    bench.key(VK_SPACE);
    pumpFor(30);
    bench.close();   // the ticker is asleep and reads the flag once more
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, view));
    EXPECT_EQ(0, view->autoScrolling);
    EXPECT_TRUE(threadsSettleTo(baseThreads));

    // Without a ticker the memory goes at once.
    bench.open(stripedText(kLines));
    view = bench.view;
    bench.close();
    EXPECT_FALSE(HeapValidate(GetProcessHeap(), 0, view));
}

// Reserves every free stretch of the address space, so that no new thread
// can have a stack, and gives it all back when it goes.
class AddressSpaceTaken {
public:
    AddressSpaceTaken()
    {
        for (SIZE_T size = SIZE_T(1) << 30; size >= 64 * 1024; size /= 2)
            while (void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
                blocks_.push_back(block);
    }
    ~AddressSpaceTaken()
    {
        for (void* block : blocks_)
            VirtualFree(block, 0, MEM_RELEASE);
    }

private:
    std::vector<void*> blocks_;
};

TEST_F(ViewTicker, AStartWhoseThreadCannotBeCreatedKeepsTheFlagAndHoldsNothing)
{
    ViewBench bench;
    bench.open(stripedText(kLines));
    ScrollView* view = bench.view;
    bench.key(VK_SPACE);
    bench.key(VK_SPACE);
    ASSERT_NE(nullptr, view->tickerThread);   // the stopped ticker's handle
    ASSERT_TRUE(threadsSettleTo(baseThreads));
    int handles = handleCount();
    {
        AddressSpaceTaken taken;
        bench.key(VK_SPACE);
    }
    // The scroll counts as running, with the failed start's null handle; the
    // previous handle is given back.
    EXPECT_EQ(1, view->autoScrolling);
    EXPECT_EQ(nullptr, view->tickerThread);
    EXPECT_EQ(baseThreads, threadCount());
    EXPECT_EQ(handles - 1, handleCount());
    // The next SPACE stops it, and the one after that starts a real ticker.
    bench.key(VK_SPACE);
    EXPECT_EQ(0, view->autoScrolling);
    bench.key(VK_SPACE);
    EXPECT_EQ(baseThreads + 1, threadCount());
    bench.key(VK_SPACE);
    ASSERT_TRUE(threadsSettleTo(baseThreads));
    // No hold was left behind: the memory goes with the window.
    bench.close();
    EXPECT_FALSE(HeapValidate(GetProcessHeap(), 0, view));
}

TEST_F(ViewTicker, ClosingWhileATickWaitsInItsSendEndsTheTicker)
{
    ViewBench bench;
    bench.open(stripedText(kLines));
    bench.key(VK_SPACE);
    Sleep(150);   // no messages run: the ticker is blocked in SendMessageA
    bench.close();
    EXPECT_TRUE(threadsSettleTo(baseThreads));
}

// Creates and destroys views again and again with tickers of every kind in
// flight: asleep, waiting in their send, or between the two.
TEST_F(ViewTicker, StressDestroyWithTickersRunning)
{
    for (int round = 0; round < 300; ++round) {
        ViewBench bench;
        bench.open(stripedText(40));
        ASSERT_NE(nullptr, bench.view);
        switch (round % 3) {
        case 0:   // slow scroll
            bench.key(VK_SPACE);
            break;
        case 1:   // speed scroll
            bench.mouse(WM_MBUTTONDOWN, MK_MBUTTON, 100, 100);
            bench.mouse(WM_MOUSEMOVE, MK_MBUTTON, 100, 100 + round % 50);
            break;
        case 2:   // edge scroll of a selection
            bench.mouse(WM_RBUTTONDOWN, MK_RBUTTON, 30, 100);
            bench.mouse(WM_MOUSEMOVE, MK_RBUTTON, 30, kViewHeight + 10);
            break;
        }
        ASSERT_EQ(1, bench.view->autoScrolling);
        if (round % 4 == 1)
            Sleep(20);          // let a tick queue up unanswered
        else
            pumpFor((round / 3) % 4 * 40);
        bench.close();
    }
    EXPECT_TRUE(threadsSettleTo(baseThreads));
    EXPECT_EQ(baseThreads, threadCount());
}

}  // namespace
