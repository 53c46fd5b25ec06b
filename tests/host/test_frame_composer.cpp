// Tests of the view's renderer: glyph placement and clipping, tabs, the
// selection, the fade, frames without a document or without a usable size, and
// a comparison with the per-pixel reference renderer over many random states.
#include <gtest/gtest.h>

#include <stdint.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/support/host_view_platform.h"
#include "tests/support/line_document.h"
#include "tests/support/reference_renderer.h"
#include "view/scroll_view.h"
#include "view/vga_font.h"

namespace {

const ColorRef white = 0x00FFFFFF;
const ColorRef darkGrey = 0x00404040;
const Pixel fillerPixel = 0x5A5A5A5A;   // never a colour the view draws with here

// A view with buffers of an exact size (the sanitizer sees any stray write)
// and, optionally, a document held in memory.
class ViewUnderTest {
public:
    ViewUnderTest(int32_t width, int32_t height, ColorRef fore = white, ColorRef back = darkGrey)
        : view(new ScrollView(fore, back, 0, 1, nullptr))
    {
        resize(width, height);
    }

    ~ViewUnderTest()
    {
        view->document = nullptr;   // the LineDocument is ours, not the view's
        view->releaseBackBuffer();
        delete view;
    }

    void resize(int32_t width, int32_t height)
    {
        view->releaseBackBuffer();
        view->width = width;
        view->height = height;
        view->rebuildBackBuffer();
        fill(fillerPixel);
    }

    void fill(Pixel value)
    {
        for (size_t i = 0; i < pixelCount(); ++i)
            view->backBuffer[i] = view->screenBits[i] = value;
    }

    void setLines(const std::vector<std::string>& lines)
    {
        document.reset(new LineDocument(lines));
        view->document = document->document();
    }

    size_t pixelCount() const
    {
        return view->width > 0 && view->height > 0 ? (size_t)view->width * view->height : 0;
    }

    Pixel back(int32_t x, int32_t y) const { return view->backBuffer[(size_t)y * view->width + x]; }
    Pixel screen(int32_t x, int32_t y) const { return view->screenBits[(size_t)y * view->width + x]; }

    std::vector<Pixel> backPixels() const { return {view->backBuffer, view->backBuffer + pixelCount()}; }
    std::vector<Pixel> screenPixels() const { return {view->screenBits, view->screenBits + pixelCount()}; }

    ScrollView* view;
    std::unique_ptr<LineDocument> document;
};

// The colour a glyph pixel must have, for a cell at (x, y) in the image.
Pixel glyphPixel(uint8_t code, int k, int r, Pixel ink, Pixel paper)
{
    return (vgaFont[16 * code + r] >> (7 - k)) & 1 ? ink : paper;
}

// Checks a cell whose top-left corner is (x, y) against the glyph, for the
// pixels inside the image and away from row 0 and column 0.
void expectCell(const ViewUnderTest& t, int32_t x, int32_t y, uint8_t code, Pixel ink, Pixel paper)
{
    for (int r = 0; r < 16; ++r)
        for (int k = 0; k < 8; ++k) {
            int32_t px = x + k, py = y + r;
            if (px <= 0 || py <= 0 || px >= t.view->width || py >= t.view->height)
                continue;
            ASSERT_EQ(t.back(px, py), glyphPixel(code, k, r, ink, paper))
                << "glyph " << int(code) << " at (" << px << ", " << py << ")";
        }
}

// ---------------------------------------------------------------------------

TEST(VgaFont, HoldsTheCodePage437Glyphs)
{
    struct Case { int glyph; std::vector<uint8_t> rows; };
    const Case cases[] = {
        {0x00, std::vector<uint8_t>(16, 0x00)},
        {0x01, {0x00, 0x00, 0x7E, 0x81, 0xA5, 0x81, 0x81, 0xBD, 0x99, 0x81, 0x81, 0x7E, 0, 0, 0, 0}},
        {0x02, {0x00, 0x00, 0x7E, 0xFF, 0xDB, 0xFF, 0xFF, 0xC3, 0xE7, 0xFF, 0xFF, 0x7E, 0, 0, 0, 0}},
        {0x20, std::vector<uint8_t>(16, 0x00)},
        {0x30, {0x00, 0x00, 0x38, 0x6C, 0xC6, 0xC6, 0xD6, 0xD6, 0xC6, 0xC6, 0x6C, 0x38, 0, 0, 0, 0}},
        {0x41, {0x00, 0x00, 0x10, 0x38, 0x6C, 0xC6, 0xC6, 0xFE, 0xC6, 0xC6, 0xC6, 0xC6, 0, 0, 0, 0}},
        {0xB0, {0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44}},
        {0xB1, {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA}},
        {0xB2, {0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77}},
        {0xC9, {0x00, 0x00, 0x00, 0x00, 0x00, 0x3F, 0x30, 0x37, 0x36, 0x36, 0x36, 0x36, 0x36, 0x36, 0x36, 0x36}},
        {0xDB, std::vector<uint8_t>(16, 0xFF)},
        {0xDC, {0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {0xDF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {0xFF, std::vector<uint8_t>(16, 0x00)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::vector<uint8_t>(vgaFont + 16 * c.glyph, vgaFont + 16 * c.glyph + 16), c.rows)
            << "glyph " << c.glyph;
}

TEST(FrameComposer, TabTakesEightCellsAndShiftsTheRest)
{
    ViewUnderTest t(120, 40);
    t.setLines({"", "A\tB"});
    t.view->topLine = 1;
    t.view->composeFrame();
    Pixel ink = t.view->inkPixel, paper = t.view->paperPixel;
    expectCell(t, 10, 0, 'A', ink, paper);
    for (int k = 0; k < 8; ++k)
        expectCell(t, 18 + 8 * k, 0, ' ', ink, paper);
    expectCell(t, 82, 0, 'B', ink, paper);
    expectCell(t, 90, 0, ' ', ink, paper);   // nothing after the last character
}

TEST(FrameComposer, RowZeroAndColumnZeroKeepTheBackground)
{
    ViewUnderTest t(40, 40);
    t.setLines({"\xDB\xDB", ""});
    struct Case { int32_t pixelOffset; int32_t topLine; int inkRows; };
    // A full block with its top edge at y = 0 shows glyph rows 1 to 15 only;
    // a text row starting 15 pixels above the image shows nothing.
    const Case cases[] = {{0, 0, 15}, {-16, -1, 15}, {-15, 0, 0}, {-1, 0, 14}};
    for (const Case& c : cases) {
        t.fill(fillerPixel);
        t.view->pixelOffset = c.pixelOffset;
        t.view->topLine = c.topLine;
        t.view->composeFrame();
        int inkRows = 0;
        for (int32_t y = 0; y < 16; ++y)
            inkRows += t.back(12, y) == t.view->inkPixel;
        EXPECT_EQ(inkRows, c.inkRows) << "pixelOffset " << c.pixelOffset;
        for (int32_t i = 0; i < 40; ++i) {
            EXPECT_EQ(t.back(i, 0), t.view->paperPixel);
            EXPECT_EQ(t.back(0, i), t.view->paperPixel);
        }
    }
    // drawGlyph at the corner leaves row 0 and column 0 alone.
    t.fill(fillerPixel);
    t.view->drawGlyph(0xDB, 0, 0, false);
    EXPECT_EQ(t.back(0, 0), fillerPixel);
    EXPECT_EQ(t.back(7, 0), fillerPixel);
    EXPECT_EQ(t.back(0, 15), fillerPixel);
    EXPECT_EQ(t.back(1, 1), t.view->inkPixel);
    EXPECT_EQ(t.back(7, 15), t.view->inkPixel);
    EXPECT_EQ(t.back(8, 8), fillerPixel);
    EXPECT_EQ(t.back(1, 16), fillerPixel);
}

TEST(FrameComposer, CellsAreCutAtTheRightAndBottomEdges)
{
    // 10 + 8*3 + 3 wide: the fourth cell keeps its 3 leftmost columns. With
    // pixelOffset -8 and 100 rows, seven text rows are drawn, the last at
    // y = 88 and cut after 12 pixel rows.
    ViewUnderTest t(37, 100);
    std::vector<std::string> lines(8, "\xDB\xDB\xDB\xDB\xDB\xDB");
    t.setLines(lines);
    t.view->pixelOffset = -8;
    t.view->composeFrame();
    Pixel ink = t.view->inkPixel, paper = t.view->paperPixel;
    for (int32_t y = 1; y < 100; ++y) {
        EXPECT_EQ(t.back(36, y), ink) << y;
        EXPECT_EQ(t.back(9, y), paper) << y;
    }
    // A lower half block shows whether the last text row was drawn at y = 88.
    lines[6] = "\xDC";
    t.setLines(lines);
    t.view->composeFrame();
    EXPECT_EQ(t.back(10, 94), paper);
    EXPECT_EQ(t.back(10, 95), ink);
    EXPECT_EQ(t.back(10, 99), ink);
}

TEST(FrameComposer, SelectionCoversCharacterIndexesOfTheOrderedEnds)
{
    struct Case {
        const char* name;
        bool reversed;
        int32_t anchorLine, anchorColumn, caretLine, caretColumn;
        std::vector<std::string> expected;   // per line 1..6: '#' selected, '.' not
    };
    const Case cases[] = {
        {"one line", false, 3, 2, 3, 5,
         {"......", "......", "..###.", "......", "......", "......"}},
        {"reversed over lines", true, 5, 4, 2, 1,
         {"......", ".#####", "######", "######", "####..", "......"}},
        {"ends equal", false, 4, 3, 4, 3,
         {"......", "......", "......", "......", "......", "......"}},
        {"columns past the ends", false, 1, -5, 2, 99,
         {"######", "######", "......", "......", "......", "......"}},
    };
    ViewUnderTest t(80, 7 * 16, 0x00C0C0C0, 0x00101010);
    std::vector<std::string> lines(7, std::string(6, '\xDB'));
    lines[0] = "";
    t.setLines(lines);
    for (const Case& c : cases) {
        t.view->hasSelection = 1;
        t.view->selReversed = c.reversed;
        t.view->anchorLine = c.anchorLine;
        t.view->anchorColumn = c.anchorColumn;
        t.view->caretLine = c.caretLine;
        t.view->caretColumn = c.caretColumn;
        t.view->composeFrame();
        for (int line = 1; line <= 6; ++line) {
            std::string seen;
            for (int i = 0; i < 6; ++i) {
                Pixel p = t.back(10 + 8 * i + 3, 16 * line + 8);
                seen += p == t.view->selInkPixel ? '#' : p == t.view->inkPixel ? '.' : '?';
            }
            EXPECT_EQ(seen, c.expected[line - 1]) << c.name << ", line " << line;
        }
    }
}

TEST(FrameComposer, SelectedTabDrawsEightSelectedSpacesAndNothingPastTheText)
{
    ViewUnderTest t(120, 48);
    t.setLines({"", "\tx", ""});
    t.view->hasSelection = 1;
    t.view->anchorLine = 1;
    t.view->anchorColumn = 0;
    t.view->caretLine = 2;
    t.view->caretColumn = 0;
    t.view->composeFrame();
    for (int32_t x = 10; x < 74; ++x)
        EXPECT_EQ(t.back(x, 16 + 5), t.view->selPaperPixel) << x;
    expectCell(t, 74, 16, 'x', t.view->selInkPixel, t.view->selPaperPixel);
    // Past the text, and on the empty line inside the selection: background.
    EXPECT_EQ(t.back(82, 16 + 5), t.view->paperPixel);
    EXPECT_EQ(t.back(12, 32 + 5), t.view->paperPixel);
}

TEST(FrameComposer, FadeBlendsEveryByteTowardsThePaper)
{
    // Every own byte against every paper byte at every distance: the pixel at
    // x has all three colour bytes x and a fourth byte that must survive.
    ViewUnderTest t(256, 60);
    for (int p = 0; p < 256; ++p) {
        t.view->paperPixel = (Pixel)p * 0x010101u;
        for (int32_t y = 0; y < 60; ++y)
            for (int32_t x = 0; x < 256; ++x)
                t.view->screenBits[y * 256 + x] = (Pixel)x * 0x010101u | (Pixel)(255 - x) << 24;
        t.view->applyFade();
        for (int32_t y = 0; y < 60; ++y) {
            int d = y < 30 ? y : 59 - y;
            for (int32_t x = 0; x < 256; ++x) {
                uint8_t expected = (uint8_t)((p * (30 - d) + x * d) / 30);
                Pixel want = (Pixel)expected * 0x010101u | (Pixel)(255 - x) << 24;
                ASSERT_EQ(t.screen(x, y), want) << "paper " << p << " own " << x << " d " << d;
            }
        }
    }
}

TEST(FrameComposer, FadeOnBlackMatchesKnownValues)
{
    struct Case { int32_t height; int32_t y; Pixel expected; };
    const Case cases[] = {
        {100, 1, 0x00080808},  {100, 15, 0x007F7F7F}, {100, 29, 0x00F6F6F6},
        {100, 30, 0x00FFFFFF}, {100, 0, 0x00000000},  {100, 99, 0x00000000},
        {100, 98, 0x00080808},
        // 40 rows: rows 10 to 29 are blended by both bands, top first.
        {40, 15, 0x00656565},  {40, 12, 0x005B5B5B}, {40, 29, 0x00525252}, {40, 9, 0x004C4C4C},
        // Bands taller than the view stay inside it and still blend twice.
        {5, 2, 0x00010101},    {5, 4, 0x00000000},   {1, 0, 0x00000000},
    };
    for (const Case& c : cases) {
        ViewUnderTest t(3, c.height, white, 0);
        t.fill(0x00FFFFFF);
        t.view->applyFade();
        EXPECT_EQ(t.screen(1, c.y), c.expected) << "height " << c.height << " row " << c.y;
    }
}

TEST(FrameComposer, FadeTouchesOnlyTheScreenImageBands)
{
    ViewUnderTest t(50, 100);
    t.setLines({"", "\xDB \xDB", "abc", "\xDB\xDB"});
    t.view->pixelOffset = -3;
    t.view->hasSelection = 1;
    t.view->anchorLine = 1;
    t.view->caretLine = 3;
    t.view->caretColumn = 1;
    t.view->fadeEnabled = 0;
    t.view->composeFrame();
    std::vector<Pixel> unfaded = t.screenPixels();
    EXPECT_EQ(t.backPixels(), unfaded);
    t.view->fadeEnabled = 1;
    t.view->composeFrame();
    EXPECT_EQ(t.backPixels(), unfaded);
    for (int32_t y = 0; y < 100; ++y)
        for (int32_t x = 0; x < 50; ++x) {
            if (y >= 30 && y < 70)
                ASSERT_EQ(t.screen(x, y), t.back(x, y)) << x << ", " << y;
            if (y == 0 || y == 99)
                ASSERT_EQ(t.screen(x, y) & 0xFFFFFF, t.view->paperPixel) << x << ", " << y;
        }
    // The white selection pixel inside a band keeps its fourth byte.
    EXPECT_EQ(t.back(20, 20), 0xFFFFFFFFu);
    EXPECT_EQ(t.screen(20, 20) >> 24, 0xFFu);
    EXPECT_NE(t.screen(20, 20), 0xFFFFFFFFu);
}

TEST(FrameComposer, WithoutDocumentTheImageIsPlainBackground)
{
    ViewUnderTest t(33, 70);
    t.view->fadeEnabled = 1;
    int presents = hostPresentCount;
    t.view->composeFrame();
    EXPECT_EQ(hostPresentCount, presents + 1);
    EXPECT_EQ(t.backPixels(), std::vector<Pixel>(33 * 70, t.view->paperPixel));
    EXPECT_EQ(t.screenPixels(), std::vector<Pixel>(33 * 70, t.view->paperPixel));
}

TEST(FrameComposer, UnusableSizesWriteNothingAndStillPresent)
{
    struct Case { int32_t width, height; bool buffers; };
    const Case cases[] = {{0, 0, true}, {0, 50, true}, {50, 0, true}, {-5, 20, false},
                          {20, -5, false}, {40, 40, false}};
    for (const Case& c : cases) {
        ViewUnderTest t(0, 0);
        t.setLines({"", "\xDB\t\xDB"});
        t.view->fadeEnabled = 1;
        if (c.buffers) {
            t.resize(c.width, c.height);
        } else {
            // Sizes with no buffers behind them (a failed or absent allocation).
            t.view->width = c.width;
            t.view->height = c.height;
        }
        int presents = hostPresentCount;
        t.view->composeFrame();
        t.view->drawGlyph(0xDB, 1, 1, true);
        t.view->drawLine(0, 1);
        t.view->applyFade();
        t.view->copyToScreen();
        EXPECT_EQ(hostPresentCount, presents + 1) << c.width << "x" << c.height;
    }
    // Buffers that exist while the size says there is no image stay untouched.
    for (int emptySide = 0; emptySide < 2; ++emptySide) {
        ViewUnderTest t(8, 20);
        t.setLines({"\xDB\xDB", "\xDB"});
        t.view->fadeEnabled = 1;
        int32_t& side = emptySide ? t.view->width : t.view->height;
        side = 0;
        t.view->composeFrame();
        t.view->drawGlyph(0xDB, 1, 1, false);
        t.view->applyFade();
        t.view->copyToScreen();
        side = emptySide ? 8 : 20;
        EXPECT_EQ(t.backPixels(), std::vector<Pixel>(160, fillerPixel));
        EXPECT_EQ(t.screenPixels(), std::vector<Pixel>(160, fillerPixel));
    }
}

// ---------------------------------------------------------------------------
// Random states against the reference renderer.

struct RandomState {
    explicit RandomState(uint32_t seed) : rng(seed) {}

    int32_t between(int32_t low, int32_t high)
    {
        return std::uniform_int_distribution<int32_t>(low, high)(rng);
    }
    bool chance(int percent) { return between(0, 99) < percent; }

    int32_t randomSize()
    {
        switch (between(0, 5)) {
        case 0: return between(0, 2);
        case 1: return between(3, 29);
        case 2: return between(30, 59);
        case 3: return between(60, 130);
        default: return between(131, 330);
        }
    }

    std::string randomLine()
    {
        std::string line;
        int length = chance(20) ? 0 : between(1, chance(10) ? 400 : 60);
        for (int i = 0; i < length; ++i) {
            int kind = between(0, 9);
            line += kind == 0 ? '\t' : kind < 4 ? (char)between(0xB0, 0xDF) : (char)between(1, 255);
        }
        return line;
    }

    std::vector<std::string> randomDocument()
    {
        std::vector<std::string> lines;
        int count = between(0, 3) == 0 ? 0 : between(1, 50);
        for (int i = 0; i < count; ++i)
            lines.push_back(i == 0 ? "" : randomLine());
        if (count > 2) {
            std::string every;
            for (int c = 1; c < 256; ++c)
                every += (char)c;
            lines[between(1, count - 1)] = every;
        }
        return lines;
    }

    void randomColours(ScrollView& view)
    {
        view.applyColors(rng() & 0x00FFFFFF, rng() & 0x00FFFFFF);
        if (chance(20)) {
            // Pixels that the colour rule would not make, fourth bytes included.
            view.inkPixel = rng();
            view.paperPixel = rng();
            view.selInkPixel = rng();
            view.selPaperPixel = rng();
        }
    }

    void randomPosition(ScrollView& view, int32_t lineCount)
    {
        switch (between(0, 5)) {
        case 0: view.pixelOffset = -16 * between(0, 20) - between(0, 15); break;
        case 1: view.pixelOffset = between(1, 400); break;   // below the usual range
        case 2: view.pixelOffset = -between(0, 5000); break;
        default: view.pixelOffset = -between(0, 15); break;
        }
        // Text rows above the image are skipped: keep the visible ones near the text.
        int32_t hiddenRows = view.pixelOffset < 0 ? -view.pixelOffset / 16 : 0;
        view.topLine = between(-3, lineCount + 3) - hiddenRows;
        if (chance(5))
            view.topLine = INT32_MAX - between(0, 10);
    }

    // Ends mostly near the visible rows, mostly ordered as the view orders
    // them (selReversed when the caret lies before the anchor).
    void randomSelection(ScrollView& view)
    {
        int32_t rows = view.height / 16 + 2;
        int32_t near = view.pixelOffset < 0 ? -view.pixelOffset / 16 : 0;
        int32_t base = view.topLine > INT32_MAX - 1000 ? 0 : view.topLine + near;
        view.hasSelection = chance(75);
        view.anchorLine = base + between(-2, rows);
        view.caretLine = base + between(-2, rows);
        view.anchorColumn = between(-3, 70);
        view.caretColumn = between(-3, 70);
        bool caretFirst = view.caretLine < view.anchorLine ||
                          (view.caretLine == view.anchorLine && view.caretColumn < view.anchorColumn);
        view.selReversed = chance(80) ? caretFirst : chance(50);
    }

    std::mt19937 rng;
};

TEST(FrameComposer, MatchesTheReferenceRendererOnRandomStates)
{
    RandomState random(20240611);
    for (int round = 0; round < 1500; ++round) {
        int32_t width = random.randomSize(), height = random.randomSize();
        if (round % 100 == 0) {
            width = random.between(1000, 1920);
            height = round == 0 ? 1080 : random.between(0, 80);
        }
        ViewUnderTest t(width, height);
        std::vector<std::string> lines = random.randomDocument();
        bool withDocument = random.chance(90);
        if (withDocument)
            t.setLines(lines);
        random.randomColours(*t.view);
        random.randomPosition(*t.view, (int32_t)lines.size());
        random.randomSelection(*t.view);
        t.view->fadeEnabled = random.chance(60);
        for (size_t i = 0; i < t.pixelCount(); ++i)
            t.view->backBuffer[i] = t.view->screenBits[i] = random.rng();

        std::vector<Pixel> back = t.backPixels(), screen = t.screenPixels();
        referenceComposeFrame(*t.view, back.data(), screen.data());
        t.view->composeFrame();
        ASSERT_EQ(t.backPixels(), back) << "round " << round << ": " << width << "x" << height
                                        << " offset " << t.view->pixelOffset << " topLine "
                                        << t.view->topLine;
        ASSERT_EQ(t.screenPixels(), screen) << "round " << round;
    }
}

TEST(FrameComposer, DrawGlyphAndDrawLineMatchTheReferenceAnywhere)
{
    RandomState random(77);
    for (int round = 0; round < 300; ++round) {
        ViewUnderTest t(random.randomSize(), random.randomSize());
        random.randomColours(*t.view);
        std::vector<Pixel> back = t.backPixels();
        for (int code = 0; code < 256; ++code) {
            int32_t x = random.between(-10, t.view->width + 2);
            int32_t y = random.between(-18, t.view->height + 2);
            if (random.chance(2)) {
                x = random.chance(50) ? INT32_MAX - 3 : INT32_MIN + 3;
                y = random.chance(50) ? INT32_MAX - 3 : INT32_MIN + 3;
            }
            bool selected = random.chance(50);
            referenceDrawGlyph(*t.view, back.data(), (uint8_t)code, x, y, selected);
            t.view->drawGlyph((uint8_t)code, x, y, selected);
        }
        ASSERT_EQ(t.backPixels(), back) << "round " << round;

        std::vector<std::string> lines = random.randomDocument();
        t.setLines(lines);
        random.randomPosition(*t.view, (int32_t)lines.size());
        random.randomSelection(*t.view);
        for (int i = 0; i < 10; ++i) {
            int32_t row = random.between(-3, t.view->height / 16 + 3);
            int32_t line = random.between(-1, (int32_t)lines.size());
            referenceDrawLine(*t.view, back.data(), row, line);
            t.view->drawLine(row, line);
        }
        ASSERT_EQ(t.backPixels(), back) << "round " << round;
    }
}

}  // namespace
