// ANSI art: a small crafted file per rule of the reading (cursor, sequences,
// colours), which files are ANSI art and their layout, the composed pixels of
// coloured 8- and 9-pixel cells, and hostile files against time and memory.
#include <gtest/gtest.h>
#include <string.h>

#include <chrono>
#include <iterator>
#include <memory>
#include <random>

#include "document/ansi_reader.h"
#include "document/document_storage.h"
#include "document/text_document.h"
#include "tests/support/document_invariants.h"
#include "tests/support/host_document_storage.h"
#include "view/scroll_view.h"
#include "view/vga_font.h"

static std::unique_ptr<AnsiCanvas> readArt(const std::string& text, int32_t columns = 80, bool ice = false)
{
    const AnsiLayout layout = { columns, 0, (uint8_t)ice, 8 };
    return std::unique_ptr<AnsiCanvas>(readAnsiArt((const uint8_t*)text.data(), text.size(), layout));
}

// The glyph rows, joined by '|'.
static std::string rowsOf(const AnsiCanvas& canvas)
{
    std::string rows;
    for (int32_t row = 0; row < canvas.getRows(); ++row)
        rows += std::string(row ? "|" : "") + (canvas.glyphRow(row) ? canvas.glyphRow(row) : "");
    return rows;
}

static std::string repeated(const std::string& piece, size_t times)
{
    std::string text;
    while (text.size() < piece.size() * times)
        text += piece;
    return text;
}


TEST(AnsiArt, CursorAndSequenceRules)
{
    struct Case { std::string text; int32_t columns; const char* rows; };
    const Case cases[] = {
        { "abcd\r\nef", 4, "abcd||ef" },                    // the wrap comes at once, before CR LF
        { "ab\x1b[2Cx", 4, "ab|x" },                        // forward reaching W
        { "a\x1b[9Cx\x1b[Cy", 4, "a|x y" },                 // past W; a missing count is 1
        { "a\tb\tc", 12, "a       b|c" },                   // TAB to a multiple of 8, wrapping
        { "ab\x1b[s\x1b[3;2Hc\x1b[ud", 80, "abd|| c" },
        { "\x1b[0;99Hx\x1b[;f\x1b[Cy", 4, " y x" },         // H clamps to W; 0 and missing are 1
        { "\x1b[2;3H\x1b[9A\x1b[9Dx\x1b[2By", 80, "x|| y" },
        { "abc\r\ndef\x1b[2Jx", 80, "x" }, { "ab\x1b[Jc", 80, "abc" },   // J 2 starts the canvas again
        { "abcdef\r\x1b[2C\x1b[K", 80, "ab" }, { "abcdef\r\x1b[2C\x1b[1K", 80, "   def" },
        { "abcdef\x1b[2K\n\n\x1b[0K", 80, "||" },           // an erase makes its row count
        { "a\x1b[3!b\x1b[5Zc\x1b[?25hd\x1bXe", 80, "a!bcdXe" }, { "ab\x1b[12;", 80, "ab" },
        { std::string("a\0b\x01\x1a" "c", 6), 80, "a b\x01" },
    };
    for (const Case& c : cases) {
        std::unique_ptr<AnsiCanvas> canvas = readArt(c.text, c.columns);
        ASSERT_TRUE(canvas);
        EXPECT_EQ(rowsOf(*canvas), c.rows) << c.text;
    }
}

TEST(AnsiArt, CellColours)
{
    struct Case { const char* text; bool ice; int32_t column; AnsiPixel fore, back; };
    const Case cases[] = {
        { "\x1b[1;31;44mx", 0, 0, 0xFF5555, 0x0000AA }, { "\x1b[1;33;42;22mx", 0, 0, 0xAA5500, 0x00AA00 },
        { "\x1b[31;44;39;49mx", 0, 0, 0xAAAAAA, 0 }, { "\x1b[5;25;47mx", 1, 0, 0xAAAAAA, 0xAAAAAA },
        { "\x1b[5;47mx", 0, 0, 0xAAAAAA, 0xAAAAAA }, { "\x1b[5;47mx", 1, 0, 0xAAAAAA, 0xFFFFFF },   // iCE off, on
        { "\x1b[7;32;41mx\x1b[27mx", 0, 0, 0xAA0000, 0x00AA00 },
        { "\x1b[7;32;41mx\x1b[27mx", 0, 1, 0x00AA00, 0xAA0000 }, { "\x1b[44m\x1b[5Cx", 0, 0, 0, 0 },   // never written
        { "\x1b[48;5;232;38;5;110mx", 0, 0, 0x87AFD7, 0x080808 }, { "\x1b[38;2;9999999999;0;300mx", 0, 0, 0xFF00FF, 0 },
        { "\x1b[38;2;1;2;3;48;5;196mx", 0, 0, 0x010203, 0xFF0000 }, { "\x1b[2;1;2;3t\x1b[1;2;3tx", 0, 0, 0xAAAAAA, 0 },
        { "\x1b[1;40;37m\x1b[1;10;20;30t\x1b[0;1;2;3tx", 0, 0, 0x0A141E, 0x010203 },
        // A 24-bit or table colour lasts until its own side is set again.
        { "\x1b[38;2;1;2;3;44;5;25mx", 0, 0, 0x010203, 0x0000AA }, { "\x1b[38;2;1;2;3;1mx", 0, 0, 0xFFFFFF, 0 },
        { "\x1b[38;2;1;2;3;22mx", 0, 0, 0xAAAAAA, 0 }, { "\x1b[38;5;9;48;2;1;2;3;39;49mx", 0, 0, 0xAAAAAA, 0 },
        { "\x1b[48;2;1;2;3;1;7;27;30mx", 0, 0, 0x555555, 0x010203 },
        { "\x1b[38;2;1;2;3;48;2;4;5;6;0mx", 0, 0, 0xAAAAAA, 0 }, { "\x1b[48;2;1;2;3;5mx", 1, 0, 0xAAAAAA, 0x555555 },
        // Erases blank in the current colours.
        { "abc\x1b[44;33m\x1b[1K", 0, 1, 0xAA5500, 0x0000AA }, { "\x1b[41m\x1b[K", 0, 79, 0xAAAAAA, 0xAA0000 },
    };
    for (const Case& c : cases) {
        std::unique_ptr<AnsiCanvas> canvas = readArt(c.text, 80, c.ice);
        ASSERT_TRUE(canvas && canvas->rowColors(0).attributes) << c.text;
        const AnsiRowColors colors = canvas->rowColors(0);
        EXPECT_TRUE(colors.fore(c.column) == c.fore && colors.back(c.column) == c.back)
            << c.text << " ice " << c.ice << std::hex << ": " << colors.fore(c.column) << " on " << colors.back(c.column);
    }
}

// The quick steps (runs of glyphs, known colour sequences, short forward
// moves, CR and LF, rows kept in the text's block) against the general step
// alone, on art made of the pieces editors write and the ones that break a
// quick step off: long sequences, exact colours, controls, clears, erases.
TEST(AnsiArt, QuickStepsDrawWhatTheGeneralStepDraws)
{
    const char* const pieces[] = { "\x1b[0m", "\x1b[1;37m", "\x1b[0;31;41m", "\x1b[1;35;45;5m", "\x1b[33m",
                                   "\x1b[38;5;9m\x1b[38;2;1;2;3m", "\x1b[48;5;3m", "\x1b[1;0;99;3;200t", "\x1b[7m\x1b[3C",
                                   "\x1b[12C", "\x1b[123C", "\x1b[;C", "\x1b[?7m", "\r\n", "\n", "\r", "\t",
                                   "\x1b[K", "\x1b[1K", "\x1b[5;70H", "\x1b[2J", "\x1bx", "\x01\x00", "\x1b[m",
                                   "\x1b[:C" };
    std::mt19937 random(7);
    std::string text;
    while (text.size() < 200000) {
        const uint32_t pick = random() % 60;
        if (pick < std::size(pieces) && ((pick != 19 && pick != 20) || random() % 500 == 0))
            text += pieces[pick];
        else
            text += std::string(1 + random() % (pick < 50 ? 6 : 40), (char)(0xB0 + random() % 48));
    }
    for (int32_t columns : { 7, 80, 160 }) {
        const AnsiLayout layout = { columns, 0, (uint8_t)(columns == 80), 8 };
        uint8_t* block = (uint8_t*)allocatePages(text.size() + 5);
        memcpy(block + 1, text.data(), text.size());
        std::unique_ptr<AnsiCanvas> quick(readAnsiArt(block + 1, text.size(), layout, block));
        std::unique_ptr<AnsiCanvas> general(readAnsiArt((const uint8_t*)text.data(), text.size(), layout, nullptr, false));
        ASSERT_TRUE(quick && general && general->getRows() > 100);
        const char* difference = findCanvasDifference(*quick, *general);
        EXPECT_FALSE(difference) << columns << " columns: " << difference;
    }
}

TEST(AnsiArt, WhichFilesAndTheirLayout)
{
    const ArtFormat a = ArtFormat::automatic;
    const std::string two = "\x1b[1m.\x1b[0;31m", oneAndAHalf = "\x1b[1m.\x1b[0;31", plain = "plain";
    struct Case {
        uint8_t dataType, fileType; const char* name; const std::string& text; ArtFormat format; bool ansi;
    };
    const Case cases[] = {
        { 1, 1, nullptr, plain, a, true }, { 1, 2, "a.nfo", plain, a, true }, { 1, 0, "a.nfo", plain, a, false },
        { 2, 1, "a.nfo", plain, a, false }, { 0, 0, "d/A.AnS", plain, a, true }, { 0, 0, "a.ans.txt", plain, a, false },
        { 0, 0, "ans", plain, a, false }, { 0, 0, nullptr, two, a, true }, { 0, 0, nullptr, oneAndAHalf, a, false },
        { 1, 1, "a.ans", two, ArtFormat::nfo, false }, { 0, 0, nullptr, plain, ArtFormat::ansi, true },
    };
    for (const Case& c : cases) {
        const SauceRecord sauce = { (uint8_t)(c.dataType != 0), c.dataType, c.fileType, 0, 0 };
        EXPECT_EQ(readsAsAnsi((const uint8_t*)c.text.data(), c.text.size(), sauce, c.name, c.format), c.ansi)
            << int(c.dataType) << "/" << int(c.fileType) << " " << (c.name ? c.name : "") << " " << c.text;
    }

    struct Layout { uint8_t dataType; uint16_t tInfo1; uint8_t flags; ArtChoice choice; AnsiLayout layout; };
    const Layout layouts[] = {
        { 0, 160, 5, {}, { 80, 0, 0, 8 } }, { 1, 160, 5, {}, { 160, 0, 1, 9 } }, { 1, 0, 2, {}, { 80, 0, 0, 8 } },
        { 2, 160, 5, {}, { 80, 0, 0, 8 } }, { 1, 60, 7, { a, 0, -1, 0 }, { 60, 0, 0, 8 } },
        { 1, 5000, 4, { a, 0, 1, 8 }, { 4096, 1, 1, 8 } }, { 1, 160, 0, { a, 100000, 0, 9 }, { 4096, 1, 0, 9 } },
    };
    for (const Layout& c : layouts) {
        const SauceRecord sauce = { (uint8_t)(c.dataType != 0), c.dataType, 1, c.tInfo1, c.flags };
        const AnsiLayout got = ansiLayout(sauce, c.choice), &want = c.layout;
        EXPECT_TRUE(got.columns == want.columns && got.columnsCut == want.columnsCut && got.ice == want.ice &&
                    got.cellWidth == want.cellWidth) << c.tInfo1 << " " << int(c.flags) << " " << got.columns;
    }
}

// Every glyph in red on blue, composed as the viewer and the renderer draw it.
TEST(AnsiArt, ComposedCellsAndTheNinthColumn)
{
    std::string codes;   // every byte drawn as a glyph
    for (int c = 0; c < 256; ++c)
        codes += memchr("\t\n\r\x1A\x1B", c, 5) ? "" : std::string(1, (char)c);
    const std::string text = "\x1b[31;44m" + codes;
    for (uint8_t cell : { 8, 9 }) {
        TextDocument* document = new TextDocument();
        uint8_t* buffer = (uint8_t*)allocatePages(text.size() + 5);
        memcpy(buffer + 1, text.data(), text.size());
        const ArtChoice choice = { ArtFormat::ansi, 256, 0, cell };
        ASSERT_EQ(document->adoptFileText(buffer, (uint32_t)text.size(), TextReading(), nullptr, choice), nullptr);
        ScrollView* view = new ScrollView(0xFFFFFF, 0xFFFFFF, 0, 1, document);
        view->width = 10 + 256 * cell, view->height = 16, view->topLine = 1;
        view->rebuildBackBuffer();
        view->composeFrame();
        for (size_t i = 0; i <= codes.size(); ++i)
            for (int r = 1; r < 16; ++r)
                for (int k = 0; k < cell; ++k) {
                    const uint8_t code = (uint8_t)codes[i], bits = vgaFont[16 * code + r];
                    const bool ink = k < 8 ? (bits >> (7 - k)) & 1 : code >= 0xC0 && code <= 0xDF && (bits & 1);
                    const Pixel want = i == codes.size() ? 0 : ink ? 0xAA0000 : 0x0000AA;
                    ASSERT_EQ(view->backBuffer[r * view->width + 10 + cell * i + k] & 0xFFFFFF, want)
                        << "glyph " << int(code) << " row " << r << " column " << k << " of " << int(cell);
                }
        view->releaseBackBuffer();
        delete view;    // and its document
    }
}

TEST(AnsiArt, HostileFilesTakeUnderASecondAnd64MB)
{
    struct Case { std::string text; int32_t columns; const char* rows; };
    const Case cases[] = {
        { "\x1b[999999999H@", 80, "" }, { repeated("\x1b[2J", 1000000), 80, "" }, { "x\x1b[1;2;3", 80, "x" },
        { "\x1b[" + repeated("1;", 100000) + "mx", 80, "x" }, { "\x1b[999999999;4096H@", 4096, "" },
        { repeated("\x1b[50000H@\x1b[2J", 10000), 80, "" },   // 150 KB, each clear after a far row
    };
    for (const Case& c : cases) {
        resetHostDocumentStorage();
        const auto start = std::chrono::steady_clock::now();
        std::unique_ptr<AnsiCanvas> canvas = readArt(c.text, c.columns);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        ASSERT_TRUE(canvas);
        EXPECT_EQ(rowsOf(*canvas), c.rows) << c.text.substr(0, 16);
        EXPECT_LT(took.count(), 1.0) << c.text.substr(0, 16);
        EXPECT_LE(hostDocumentStorage.peakBytes, 64u << 20) << c.text.substr(0, 16);
    }
}
