// Fit-to-text window sizes and their placement on the screen.
#include <gtest/gtest.h>

#include <climits>

#include "app/window_fit.h"

namespace {

// Borders 4, caption 19, menu 19, a 1280 x 1000 maximized window.
const FrameMetrics usual = {4, 4, 19, 19, 1280, 1000};

TEST(WindowFit, SizeFollowsTheWidestLineAndTheLineCount)
{
    struct { int32_t widest, lines, width, height; } cases[] = {
        {0, 0, 100, 8 + 19 + 19},            // empty document: width floor, no text row
        {80, 0, 660 + 8, 46},
        {0, 3, 100, 48 + 46},
        {9, 1, 100, 16 + 46},                // 72 + 28 = 100 exactly
        {10, 1, 108, 16 + 46},
        {200, 50, 1628, 800 + 46},
    };
    for (auto& c : cases) {
        WindowSize s = fitWindowSize(c.widest, c.lines, usual);
        EXPECT_EQ(s.width, c.width) << c.widest;
        EXPECT_EQ(s.height, c.height) << c.lines;
    }
}

TEST(WindowFit, WideBordersRaiseTheEmptyWidthAboveTheFloor)
{
    FrameMetrics wide = usual;
    wide.frameWidth = 50;
    EXPECT_EQ(fitWindowSize(0, 0, wide).width, 120);
}

TEST(WindowFit, HugeDocumentsSaturateInsteadOfOverflowing)
{
    WindowSize s = fitWindowSize(INT32_MAX, INT32_MAX, usual);
    EXPECT_EQ(s.width, INT32_MAX);
    EXPECT_EQ(s.height, INT32_MAX);
    WindowPlacement p = placeOnScreen(s.width, s.height, usual);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.width, 1280);
    EXPECT_EQ(p.height, 833);
    EXPECT_EQ(p.y, 83);
}

TEST(WindowFit, PlacementCapsAndCentres)
{
    struct { int32_t w, h, x, y, width, height; } cases[] = {
        {400, 400, 440, 300, 400, 400},
        {1280, 1000, 0, 0, 1280, 1000},      // exactly the maximized size stays
        {1281, 1001, 0, 83, 1280, 833},      // too wide: full width at the left; too tall: 5/6
        {401, 401, 439, 299, 401, 401},      // odd remainders truncate
        {100, 46, 590, 477, 100, 46},
    };
    for (auto& c : cases) {
        WindowPlacement p = placeOnScreen(c.w, c.h, usual);
        EXPECT_EQ(p.x, c.x) << c.w;
        EXPECT_EQ(p.y, c.y) << c.h;
        EXPECT_EQ(p.width, c.width) << c.w;
        EXPECT_EQ(p.height, c.height) << c.h;
    }
}

TEST(WindowFit, SmallScreensCapTheDefaultWindow)
{
    FrameMetrics small = {4, 4, 19, 19, 320, 240};
    WindowPlacement p = placeOnScreen(400, 400, small);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.width, 320);
    EXPECT_EQ(p.height, 200);
    EXPECT_EQ(p.y, 20);
}

}  // namespace

namespace {

// The placement arithmetic avoids 64-bit division; it must still agree with
// plain 64-bit arithmetic across the whole range, negative metrics included.
TEST(WindowFit, PlacementMatchesWideArithmeticEverywhere)
{
    const int32_t values[] = {INT32_MIN, INT32_MIN + 1, -1001, -7, -6, -5, -1, 0, 1, 5, 6, 7,
                              399, 400, 401, 999, 1000, 1001, INT32_MAX - 1, INT32_MAX};
    for (int32_t maxW : values)
        for (int32_t maxH : values)
            for (int32_t w : values)
                for (int32_t h : values) {
                    FrameMetrics m = {4, 4, 19, 19, maxW, maxH};
                    WindowPlacement p = placeOnScreen(w, h, m);
                    int64_t width = w > maxW ? maxW : w;
                    int64_t x = w > maxW ? 0 : ((int64_t)maxW - w) / 2;
                    int64_t height = h > maxH ? 5 * (int64_t)maxH / 6 : h;
                    int64_t y = ((int64_t)maxH - height) / 2;
                    ASSERT_EQ(p.width, width);
                    ASSERT_EQ(p.x, x) << maxW << " " << w;
                    ASSERT_EQ(p.height, height) << maxH << " " << h;
                    ASSERT_EQ(p.y, y) << maxH << " " << h;
                }
}

}  // namespace
