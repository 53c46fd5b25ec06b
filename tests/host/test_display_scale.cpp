// The display scale: the rule from DPI to scale, logical pointer positions,
// and the view at a scale, whose screen image must be the renderer's scaled
// image of the same logical view, cut where the screen ends mid-block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window_fit.h"
#include "render/image_plan.h"
#include "render/pixel_rows.h"
#include "tests/support/line_document.h"
#include "view/display_scale.h"
#include "view/scroll_view.h"

namespace {

TEST(DisplayScale, NearestWholeScaleWithHalvesUp)
{
    const struct { int32_t dpi, scale; } cases[] = {
        {96, 1}, {120, 1}, {143, 1}, {144, 2}, {168, 2}, {192, 2}, {239, 2}, {240, 3},
        {288, 3}, {336, 4}, {72, 1}, {47, 1}, {0, 1}, {-96, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(scaleForDpi(c.dpi), c.scale) << c.dpi << " DPI";
}

TEST(DisplayScale, PointerPositionsAndExtentsInLogicalPixels)
{
    // Floor, so that a pointer crossing 0 on a monitor left of the primary
    // moves one logical pixel per block like everywhere else.
    const struct { int32_t screen, scale, logical; } points[] = {
        {0, 2, 0}, {1, 2, 0}, {2, 2, 1}, {-1, 2, -1}, {-2, 2, -1}, {-3, 2, -2}, {8, 3, 2}, {-7, 1, -7},
    };
    for (const auto& p : points)
        EXPECT_EQ(logicalCoordinate(p.screen, p.scale), p.logical) << p.screen << " / " << p.scale;
    EXPECT_EQ(logicalExtent(800, 2), 400);
    EXPECT_EQ(logicalExtent(801, 2), 401);
    EXPECT_EQ(logicalExtent(7, 3), 3);
    EXPECT_EQ(logicalExtent(7, 1), 7);
}

// The text grows by the scale, the frame's own parts come as measured.
TEST(DisplayScale, FitToTextScalesTheTextButNotTheFrame)
{
    const FrameMetrics doubled = {8, 8, 38, 38, 2560, 2000};
    WindowSize size = fitWindowSize(80, 3, doubled, 2);
    EXPECT_EQ(size.width, 2 * 660 + 16);
    EXPECT_EQ(size.height, 2 * 48 + 16 + 76);
    EXPECT_EQ(fitWindowSize(0, 0, doubled, 2).width, 200) << "the 100-pixel floor is logical";
    EXPECT_EQ(fitWindowSize(9, 1, doubled, 3).width, 300) << "3 x 92 + 16 is below the floor";
}

std::vector<std::string> sampleLines()
{
    std::vector<std::string> lines{""};
    for (int i = 1; i < 120; ++i) {
        std::string line = "\t" + std::to_string(i) + " \xB0\xB1\xB2\xDB ";
        for (int k = 0; k < i % 37; ++k)
            line += (char)(0x20 + (i * 7 + k * 13) % 224);
        lines.push_back(line);
    }
    return lines;
}

// The view drawn at a scale against `tavelin-render --scale S --view WxH
// --at P`, through the renderer's own rows: every screen pixel equal, the
// faded edges included, where the window's screen size is no multiple of the
// scale as well as where it is.
TEST(DisplayScale, ViewAtAScaleIsTheRenderersScaledView)
{
    LineDocument lines(sampleLines());
    TextDocument* document = lines.document();
    const struct { int32_t scale, deviceWidth, deviceHeight, at; } cases[] = {
        {2, 640, 480, 0}, {2, 641, 479, 37}, {3, 700, 400, 301}, {2, 96, 101, 1000},
    };
    for (const auto& c : cases) {
        ScrollView* view = new ScrollView(0x0040E0FF, 0x00202020, 1, 1, document);
        view->scale = c.scale;
        view->deviceWidth = c.deviceWidth;
        view->deviceHeight = c.deviceHeight;
        view->width = logicalExtent(c.deviceWidth, c.scale);
        view->height = logicalExtent(c.deviceHeight, c.scale);
        view->rebuildBackBuffer();
        view->composeFrame();
        view->scrollByPixels(c.at);

        RenderRequest request = {};
        request.mode = RenderMode::view;
        request.viewWidth = view->width;
        request.viewHeight = view->height;
        request.viewAt = c.at;
        request.fade = 1;
        request.scale = c.scale;
        request.ink = view->inkPixel;
        request.paper = view->paperPixel;
        ImagePlan plan = planImage(*document, request);
        ASSERT_EQ(plan.error, nullptr);
        PlannedRows rows(plan);
        int32_t wrong = 0;
        for (int32_t y = 0; y < c.deviceHeight; ++y) {
            const Pixel* row = rows.next();
            for (int32_t x = 0; x < c.deviceWidth; ++x)
                wrong += (view->screenBits[(size_t)y * c.deviceWidth + x] & 0xFFFFFFu) != (row[x] & 0xFFFFFFu);
        }
        EXPECT_EQ(wrong, 0) << c.deviceWidth << "x" << c.deviceHeight << " at scale " << c.scale
                            << ", scrolled " << c.at;
        view->document = nullptr;
        view->releaseBackBuffer();
        delete view;
    }
}

}  // namespace
