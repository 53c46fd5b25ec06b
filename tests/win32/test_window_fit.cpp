// The fit-to-text rule on the live system: readFrameMetrics takes each of the
// six numbers from its own system metric, and the overloads without metrics
// give what the arithmetic gives on those numbers.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/window_fit.h"

namespace {

TEST(WindowFitLive, ReadsTheSixSystemMetrics)
{
    const FrameMetrics metrics = readFrameMetrics();
    EXPECT_EQ(GetSystemMetrics(SM_CXFRAME), metrics.frameWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYFRAME), metrics.frameHeight);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), metrics.captionHeight);
    EXPECT_EQ(GetSystemMetrics(SM_CYMENUSIZE), metrics.menuHeight);
    EXPECT_EQ(GetSystemMetrics(SM_CXMAXIMIZED), metrics.maximizedWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYMAXIMIZED), metrics.maximizedHeight);
}

TEST(WindowFitLive, PlacementWithoutMetricsUsesTheLiveOnes)
{
    const FrameMetrics metrics = readFrameMetrics();
    const int sizes[][2] = { { 400, 400 }, { 0, 0 }, { 100000, 300 }, { 300, 100000 } };
    for (const auto& size : sizes) {
        WindowPlacement want = placeOnScreen(size[0], size[1], metrics);
        WindowPlacement got = placeOnScreen(size[0], size[1]);
        EXPECT_EQ(want.x, got.x) << size[0] << " x " << size[1];
        EXPECT_EQ(want.y, got.y) << size[0] << " x " << size[1];
        EXPECT_EQ(want.width, got.width) << size[0] << " x " << size[1];
        EXPECT_EQ(want.height, got.height) << size[0] << " x " << size[1];
    }
}

}  // namespace
