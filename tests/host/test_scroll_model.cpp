// The scroll position and the two hit tests of the view: worked cases, the
// one-pixel walk to the end, random delta sequences against a model that
// keeps the position as one number P (the document y at the view's top edge),
// and tables for lineAtY and columnAtX, tabs included.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/host_view_platform.h"
#include "tests/support/line_document.h"
#include "tests/support/scroll_reference.h"
#include "view/scroll_view.h"

namespace {

std::vector<std::string> numberedLines(int count, const std::string& pattern = "line ")
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(i == 0 ? "" : pattern + std::to_string(i));
    return lines;
}

// A view of the given height over a document built from lines. Narrow, so that
// each composed frame is cheap.
struct ViewOver {
    LineDocument doc;
    ScrollView* view;

    ViewOver(const std::vector<std::string>& lines, int height, int width = 24) : doc(lines)
    {
        view = new ScrollView(0x00FFFFFF, 0x00404040, 1, 1, doc.document());
        resize(width, height);
    }
    ~ViewOver()
    {
        view->releaseBackBuffer();
        view->document = nullptr;   // the holder owns it
        delete view;
    }
    void resize(int width, int height)
    {
        view->releaseBackBuffer();
        view->width = width;
        view->height = height;
        view->rebuildBackBuffer();
    }
    // Frames composed by one call.
    int scroll(int32_t delta)
    {
        int before = hostPresentCount;
        view->scrollByPixels(delta);
        return hostPresentCount - before;
    }
};

struct Position {
    int32_t topLine, pixelOffset;
    bool atTop, atBottom;
};

Position positionOf(const ScrollView& v)
{
    return { v.topLine, v.pixelOffset, v.atTop != 0, v.atBottom != 0 };
}

void place(ScrollView& v, const Position& p)
{
    v.topLine = p.topLine;
    v.pixelOffset = p.pixelOffset;
    v.atTop = p.atTop;
    v.atBottom = p.atBottom;
}

std::string describe(const Position& p)
{
    return "topLine " + std::to_string(p.topLine) + ", pixelOffset " + std::to_string(p.pixelOffset) +
           (p.atTop ? ", atTop" : "") + (p.atBottom ? ", atBottom" : "");
}

const Position kStart = { 0, 0, false, false };
const Position kBottomOf100At200 = { 88, -8, false, true };   // P = 1416

struct ScrollCase {
    const char* name;
    int lines, height;
    Position from;
    std::vector<int32_t> deltas;
    Position want;
    int frames;   // frames composed over all deltas
};

const ScrollCase kScrollCases[] = {
    { "one row down", 100, 200, kStart, { 16 }, { 0, -16, false, false }, 1 },
    { "two rows down", 100, 200, kStart, { 16, 16 }, { 1, -16, false, false }, 2 },
    { "one pixel down", 100, 200, kStart, { 1 }, { 0, -1, false, false }, 1 },
    { "one pixel down and back", 100, 200, kStart, { 1, -1 }, { 0, 0, true, false }, 2 },
    { "zero from the start", 100, 200, kStart, { 0 }, { 0, 0, true, false }, 1 },
    { "bottom, up 1", 100, 200, kBottomOf100At200, { -1 }, kBottomOf100At200, 1 },
    { "bottom, up 7", 100, 200, kBottomOf100At200, { -7 }, kBottomOf100At200, 1 },
    { "bottom, up 8", 100, 200, kBottomOf100At200, { -8 }, { 87, -16, false, false }, 1 },
    { "bottom, down again", 100, 200, kBottomOf100At200, { 5 }, kBottomOf100At200, 1 },
    { "bottom, zero", 100, 200, kBottomOf100At200, { 0 }, kBottomOf100At200, 1 },
    { "short document, down", 5, 200, kStart, { 3 }, { 0, 0, true, true }, 1 },
    { "short document, up", 5, 200, kStart, { -3 }, { 0, 0, true, true }, 1 },
    { "short document, then zero", 5, 200, kStart, { 40, 0, 0 }, { 0, 0, true, true }, 1 },
    { "count equal to rows", 12, 200, kStart, { 0 }, { 0, 0, true, false }, 1 },
    { "count equal to rows, down", 12, 200, kStart, { 1 }, { 0, -8, false, true }, 1 },
    { "no lines", 0, 200, kStart, { 9 }, { 0, 0, true, true }, 1 },
    { "height a multiple of 16", 100, 208, kStart, { 100000 }, { 87, -16, false, true }, 1 },
    { "largest delta", 100, 200, kStart, { INT32_MAX }, kBottomOf100At200, 1 },
    { "smallest delta", 100, 200, kBottomOf100At200, { INT32_MIN }, { 0, 0, true, false }, 1 },
    { "extremes in turn", 100, 200, kStart, { INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX },
      kBottomOf100At200, 4 },
    { "zero height", 100, 0, kStart, { 17 }, { 1, -1, false, false }, 1 },
    { "zero height, to the end", 100, 0, kStart, { INT32_MAX }, { 100, -16, false, true }, 1 },
    { "view shorter than a row", 3, 15, kStart, { 50 }, { 3, -1, false, true }, 1 },
};

TEST(ScrollModel, Cases)
{
    for (const ScrollCase& c : kScrollCases) {
        SCOPED_TRACE(c.name);
        ViewOver v(numberedLines(c.lines), c.height);
        place(*v.view, c.from);
        int frames = 0;
        for (int32_t delta : c.deltas)
            frames += v.scroll(delta);
        EXPECT_EQ(describe(positionOf(*v.view)), describe(c.want));
        EXPECT_EQ(frames, c.frames);
    }
}

// 100 lines in a view 200 high: one pixel at a time reaches the end on the
// 1,409th call, which snaps from P = 1,408 to the bottom position P = 1,416.
TEST(ScrollModel, OnePixelWalkSnapsToTheBottom)
{
    ViewOver v(numberedLines(100), 200);
    int calls = 0;
    int frames = 0;
    while (!v.view->atBottom && calls < 5000) {
        ASSERT_EQ(16 * v.view->topLine - v.view->pixelOffset, calls) << "before call " << calls + 1;
        frames += v.scroll(1);
        ++calls;
    }
    EXPECT_EQ(calls, 1409);
    EXPECT_EQ(frames, 1409);
    EXPECT_EQ(describe(positionOf(*v.view)), describe(kBottomOf100At200));
}

// A resize changes the rows that fit but not the position; the next scroll
// clamps with the new size.
TEST(ScrollModel, ResizeClampsOnTheNextScroll)
{
    ViewOver v(numberedLines(100), 200);
    v.scroll(INT32_MAX);
    v.resize(24, 400);
    EXPECT_EQ(describe(positionOf(*v.view)), describe(kBottomOf100At200));
    v.scroll(0);
    EXPECT_EQ(describe(positionOf(*v.view)), describe({ 75, -16, false, true }));
}

// The model's position in the view's fields.
Position expectedFrom(const ScrollReference& model)
{
    return { (int32_t)model.topLine(), (int32_t)model.pixelOffset(), model.atTop, model.atBottom };
}

int32_t randomDelta(std::mt19937& rng)
{
    switch (rng() % 8) {
    case 0: return 0;
    case 1: return (int32_t)(rng() % 33) - 16;
    case 2: return 16 * ((int32_t)(rng() % 9) - 4);
    case 3: return (int32_t)(rng() % 2001) - 1000;
    case 4: return rng() % 2 ? INT32_MAX : INT32_MIN;
    case 5: return (int32_t)rng();
    default: return (int32_t)(rng() % 5) - 2;
    }
}

TEST(ScrollModel, RandomSequencesMatchModel)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 150; ++round) {
        int count = (int)(rng() % 80);
        int height = (int)(rng() % 330);
        ViewOver v(numberedLines(count), height, 8);
        ScrollReference model;
        for (int step = 0; step < 120; ++step) {
            if (rng() % 40 == 0) {
                height = (int)(rng() % 330);
                v.resize(8, height);
            }
            int32_t delta = randomDelta(rng);
            bool composes = model.scroll(delta, count, height);
            int frames = v.scroll(delta);
            Position got = positionOf(*v.view);
            ASSERT_EQ(describe(got), describe(expectedFrom(model)))
                << "round " << round << " step " << step << " delta " << delta << " count " << count
                << " height " << height;
            ASSERT_EQ(frames, composes ? 1 : 0);
            ASSERT_GE(got.topLine, 0);
            if (got.pixelOffset == 0)
                ASSERT_TRUE(got.atTop && got.topLine == 0);
            else
                ASSERT_TRUE(got.pixelOffset >= -16 && got.pixelOffset <= -1);
        }
    }
}

struct LineCase {
    int32_t topLine, pixelOffset, y, want;
};

TEST(ScrollModel, LineAtY)
{
    const LineCase cases[] = {
        { 5, -16, 0, 6 },
        { 5, -1, 0, 5 },
        { 5, -1, 14, 5 },
        { 5, -1, 15, 6 },
        { 0, 0, 15, 0 },
        { 0, 0, 16, 1 },
        { 5, 0, -15, 5 },           // truncation toward zero, not floor
        { 5, 0, -16, 4 },
        { 1, 0, -40, 0 },           // never negative
        { 88, -8, 199, 100 },       // lowest row of the bottom position: the count
        { 88, -8, 40000, 2588 },    // no upper limit
        { 0, 0, INT32_MIN, 0 },
        { 0, -16, INT32_MAX, 134217728 },
        { INT32_MAX - 1, -16, INT32_MAX, INT32_MAX },
    };
    ViewOver v(numberedLines(100), 200);
    for (const LineCase& c : cases) {
        v.view->topLine = c.topLine;
        v.view->pixelOffset = c.pixelOffset;
        EXPECT_EQ(v.view->lineAtY(c.y), c.want)
            << "topLine " << c.topLine << " pixelOffset " << c.pixelOffset << " y " << c.y;
    }
}

struct ColumnCase {
    int32_t line, x, want;
};

TEST(ScrollModel, ColumnAtX)
{
    ViewOver v({ "", "ABCDEFGHIJ", "\tAB", "AB\tC\tD", "\t\t\t" }, 200);
    std::vector<ColumnCase> cases = {
        { 1, -1, 0 }, { 1, -100, 0 }, { 1, INT32_MIN, 0 }, { 1, 14, 1 }, { 1, 13, 0 },
        { 1, 21, 1 }, { 1, 22, 2 }, { 1, 6 + 8 * 30, 30 },    // past the end: not limited
        { 1, INT32_MAX, 268435455 },
        { 2, 62, 1 }, { 2, 82, 3 }, { 2, 90, 4 }, { 2, 5000, 618 },
        { 3, 90, 4 }, { 3, 166, 8 }, { 3, 22, 2 }, { 3, 30, 0 }, { 3, 78, 3 },
        { 4, 1000, 106 }, { 4, 30, 0 },
        { 0, 62, 7 }, { 5, 62, 7 }, { -1, 62, 7 }, { INT32_MAX, 62, 7 },  // outside: empty
    };
    for (int x = 0; x <= 13; ++x)
        cases.push_back({ 1, x, 0 });
    for (int c = 0; c <= 12; ++c)
        cases.push_back({ 1, 6 + 8 * c, c });
    for (int x = 14; x <= 61; ++x)
        cases.push_back({ 2, x, 0 });
    for (const ColumnCase& c : cases)
        EXPECT_EQ(v.view->columnAtX(c.x, c.line), c.want) << "line " << c.line << " x " << c.x;
}

}  // namespace
