// The display scale: the rule from DPI to scale, logical pointer positions,
// the fit at a scale, and the view at a scale, whose screen image must be the
// renderer's scaled image of the same logical view, cut where the screen ends
// mid-block.
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

TEST(DisplayScale, ScaleForDpiPointerPositionsExtentsAndFit)
{
    const int32_t dpiScale[][2] = {{96, 1}, {120, 1}, {143, 1}, {144, 2}, {192, 2}, {239, 2},
                                   {240, 3}, {288, 3}, {336, 4}, {47, 1}, {0, 1}, {-96, 1}};
    for (const auto& c : dpiScale)
        EXPECT_EQ(scaleForDpi(c[0]), c[1]) << c[0] << " DPI";
    // Floor, so that a pointer crossing 0 (a monitor left of the primary)
    // moves one logical pixel per block like everywhere else.
    const int32_t points[][3] = {{1, 2, 0}, {2, 2, 1}, {-1, 2, -1}, {-2, 2, -1}, {-3, 2, -2}, {8, 3, 2}, {-7, 1, -7}};
    for (const auto& p : points)
        EXPECT_EQ(logicalCoordinate(p[0], p[1]), p[2]) << p[0] << " / " << p[1];
    EXPECT_EQ(logicalExtent(800, 2), 400);
    EXPECT_EQ(logicalExtent(801, 2), 401);
    EXPECT_EQ(logicalExtent(7, 3), 3);
    // Fit to text: the text grows by the scale, the frame's parts come as measured.
    const FrameMetrics doubled = {8, 8, 38, 38, 2560, 2000};
    WindowSize size = fitWindowSize(80, 3, doubled, 2);
    EXPECT_EQ(size.width, 2 * 660 + 16);
    EXPECT_EQ(size.height, 2 * 48 + 16 + 76);
    EXPECT_EQ(fitWindowSize(0, 0, doubled, 2).width, 200) << "the 100-pixel floor is logical";
    EXPECT_EQ(fitWindowSize(9, 1, doubled, 3).width, 300) << "3 x 92 + 16 is below the floor";
}

// The view at a scale against `tavelin-render --scale S --view WxH --at P`,
// through the renderer's own rows, faded edges included.
TEST(DisplayScale, ViewAtAScaleIsTheRenderersScaledView)
{
    std::vector<std::string> text{""};
    for (int i = 1; i < 120; ++i)
        text.push_back("\t" + std::to_string(i) + std::string(i % 37, (char)(0xB0 + i % 4)) + " end");
    LineDocument lines(text);
    TextDocument* document = lines.document();
    const int32_t cases[][4] = {{2, 640, 480, 0}, {2, 641, 479, 37}, {3, 700, 400, 301}, {2, 96, 101, 1000}};
    for (const auto& c : cases) {
        ScrollView* view = new ScrollView(0x0040E0FF, 0x00202020, 1, 1, document);
        view->scale = c[0];
        view->deviceWidth = c[1];
        view->deviceHeight = c[2];
        view->width = logicalExtent(c[1], c[0]);
        view->height = logicalExtent(c[2], c[0]);
        view->rebuildBackBuffer();
        view->composeFrame();
        view->scrollByPixels(c[3]);

        RenderRequest request = {RenderMode::view, view->width, view->height, c[3], 1, 0, c[0],
                                 view->inkPixel, view->paperPixel};
        PlannedRows rows(planImage(*document, request));
        int32_t wrong = 0;
        for (int32_t y = 0; y < c[2]; ++y) {
            const Pixel* row = rows.next();
            for (int32_t x = 0; x < c[1]; ++x)
                wrong += ((view->screenBits[(size_t)y * c[1] + x] ^ row[x]) & 0xFFFFFFu) != 0;
        }
        EXPECT_EQ(wrong, 0) << c[1] << "x" << c[2] << " at scale " << c[0] << ", scrolled " << c[3];
        view->document = nullptr;
        view->releaseBackBuffer();
        delete view;
    }
}

}  // namespace
