// Tests of the view's colour rule (text and background pixels, the selection
// pair chosen by the background's brightness) and of setColors redrawing only
// on a change.
#include <gtest/gtest.h>

#include <string.h>

#include "tests/support/host_view_platform.h"
#include "view/scroll_view.h"

namespace {

TEST(ViewColors, DerivesThePixelsFromTheColours)
{
    struct Case {
        ColorRef fore, back;
        Pixel ink, paper, selInk, selPaper;
    };
    const Case cases[] = {
        // Brightness 384 is still dark; 385 is light.
        {0x00FFFFFF, 0x00808080, 0x00FFFFFF, 0x00808080, 0x00000000, 0xFFFFFFFF},
        {0x00FFFFFF, 0x00808081, 0x00FFFFFF, 0x00818080, 0xFFFFFFFF, 0x00000000},
        {0x00336699, 0x00000000, 0x00996633, 0x00000000, 0x00000000, 0xFFFFFFFF},
        {0x00000000, 0x00FFFFFF, 0x00000000, 0x00FFFFFF, 0xFFFFFFFF, 0x00000000},
        // Only the background decides, and only its three colour bytes count.
        {0x00FFFFFF, 0x00FF0000, 0x00FFFFFF, 0x000000FF, 0x00000000, 0xFFFFFFFF},
        {0x00000000, 0x0000FFFF, 0x00000000, 0x00FFFF00, 0xFFFFFFFF, 0x00000000},
        {0x00102030, 0xFF000000, 0x00302010, 0x00000000, 0x00000000, 0xFFFFFFFF},
        {0xAB123456, 0x00010203, 0x00563412, 0x00030201, 0x00000000, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        ScrollView* view = new ScrollView(0, 0, 0, 0, nullptr);
        ASSERT_NE(view, nullptr);
        view->applyColors(c.fore, c.back);
        EXPECT_EQ(view->foreColor, c.fore);
        EXPECT_EQ(view->backColor, c.back);
        EXPECT_EQ(view->inkPixel, c.ink) << std::hex << c.fore;
        EXPECT_EQ(view->paperPixel, c.paper) << std::hex << c.back;
        EXPECT_EQ(view->selInkPixel, c.selInk) << std::hex << c.back;
        EXPECT_EQ(view->selPaperPixel, c.selPaper) << std::hex << c.back;
        delete view;
    }
}

TEST(ViewColors, InkBytesInMemoryAreBlueGreenRedZero)
{
    ScrollView* view = new ScrollView(0x00336699, 0x00404040, 0, 0, nullptr);
    ASSERT_NE(view, nullptr);
    uint8_t bytes[4];
    memcpy(bytes, &view->inkPixel, 4);
    EXPECT_EQ(bytes[0], 0x33);
    EXPECT_EQ(bytes[1], 0x66);
    EXPECT_EQ(bytes[2], 0x99);
    EXPECT_EQ(bytes[3], 0x00);
    delete view;
}

TEST(ViewColors, SetColorsComposesOnlyWhenAColourChanges)
{
    struct Case { ColorRef fore, back; int composes; };
    // Starting from white on dark grey each time.
    const Case cases[] = {
        {0x00FFFFFF, 0x00404040, 0},
        {0x00FFFFFE, 0x00404040, 1},
        {0x00FFFFFF, 0x00404041, 1},
        {0x01FFFFFF, 0x00404040, 1},   // the whole value is compared
        {0x00000000, 0x00FFFFFF, 1},
    };
    for (const Case& c : cases) {
        ScrollView* view = new ScrollView(0x00FFFFFF, 0x00404040, 1, 0, nullptr);
        ASSERT_NE(view, nullptr);
        view->width = 16;
        view->height = 16;
        view->rebuildBackBuffer();
        int before = hostPresentCount;
        view->setColors(c.fore, c.back);
        EXPECT_EQ(hostPresentCount - before, c.composes) << std::hex << c.fore << " " << c.back;
        EXPECT_EQ(view->foreColor, c.fore);
        EXPECT_EQ(view->backColor, c.back);
        if (c.composes)
            EXPECT_EQ(view->backBuffer[17], view->paperPixel);   // the new background is drawn
        else
            EXPECT_EQ(view->backBuffer[17], 0u);                 // nothing drawn at all
        view->releaseBackBuffer();
        delete view;
    }
}

}  // namespace
