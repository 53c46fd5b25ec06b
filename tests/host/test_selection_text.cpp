// The selection's text and clipboard block size: the worked examples, then
// random documents and random ends against a straightforward model that joins
// the selected pieces of each line (tests/support/selection_reference.h).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/line_document.h"
#include "tests/support/selection_reference.h"
#include "view/selection_text.h"

namespace {

struct Ends {
    int anchorLine, anchorColumn, caretLine, caretColumn;
    bool reversed;
};

// What the copy produces, through the program's functions. The block is
// filled with a marker first so that bytes the writer should not touch show.
SelectionCopy copyThrough(LineDocument& doc, const Ends& e)
{
    SelectionSpan span;
    SelectionCopy out{ !resolveSelection(*doc.document(), e.anchorLine, e.anchorColumn,
                                         e.caretLine, e.caretColumn, e.reversed, &span),
                       "", 0 };
    if (out.empty)
        return out;
    out.blockSize = selectionBlockSize(*doc.document(), span);
    std::vector<char> block(out.blockSize + 8, '#');
    uint64_t length = writeSelectionText(*doc.document(), span, block.data(), out.blockSize);
    EXPECT_LT(length, out.blockSize);
    EXPECT_EQ(block[length], 0);
    EXPECT_EQ(block[out.blockSize], '#') << "wrote past the block";
    out.text.assign(block.data(), length);
    return out;
}

LineDocument sevenLetters({ "", "ABCDEFG" });
LineDocument threeLines({ "", "0123456789", "abcd", "ABCDEFGH", "last" });

struct Case {
    const char* name;
    LineDocument* doc;
    Ends ends;
    bool empty;
    const char* text;
    uint64_t blockSize;
};

const Case kCases[] = {
    { "columns 2 to 5", &sevenLetters, { 1, 2, 1, 5, false }, false, "CDE", 4 },
    { "right to left", &sevenLetters, { 1, 5, 1, 2, true }, false, "CDE", 4 },
    { "end past the line", &sevenLetters, { 1, 4, 1, 90, false }, false, "EFG", 4 },
    { "start past the line", &sevenLetters, { 1, 90, 1, 95, false }, true, "", 0 },
    { "line 0 to column 5", &sevenLetters, { 0, 3, 1, 5, false }, false, "ABCDE", 6 },
    { "line 0 to column 0", &sevenLetters, { 0, 3, 1, 0, false }, true, "", 0 },
    { "within line 0", &sevenLetters, { 0, 1, 0, 7, false }, true, "", 0 },
    { "click without a move", &sevenLetters, { 1, 3, 1, 3, false }, true, "", 0 },
    { "three lines", &threeLines, { 1, 3, 3, 2, false }, false, "3456789\nabcd\nAB", 22 },
    { "three lines reversed", &threeLines, { 3, 2, 1, 3, true }, false, "3456789\nabcd\nAB", 22 },
    { "end at column 0", &threeLines, { 1, 8, 3, 0, false }, false, "89\nabcd\n", 17 },
    { "row below the last", &threeLines, { 3, 6, 5, 0, false }, false, "GH\nlast\n", 9 },
    { "two rows below", &threeLines, { 4, 0, 6, 3, false }, false, "last\n\n", 7 },
    { "from line 0 over lines", &threeLines, { 0, 0, 2, 2, false }, false, "0123456789\nab", 16 },
    { "flag out of step", &threeLines, { 3, 2, 1, 3, false }, false, "3456789\nabcd\nAB", 22 },
    { "negative ends", &threeLines, { -5, -1, 1, -3, false }, true, "", 0 },
};

TEST(SelectionText, WorkedExamples)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        SelectionCopy got = copyThrough(*c.doc, c.ends);
        EXPECT_EQ(got.empty, c.empty);
        EXPECT_EQ(got.text, c.text);
        EXPECT_EQ(got.blockSize, c.blockSize);
    }
}

TEST(SelectionText, ShortBufferIsCutAndStillTerminated)
{
    SelectionSpan span;
    ASSERT_TRUE(resolveSelection(*threeLines.document(), 1, 3, 3, 2, 0, &span));
    for (uint64_t capacity = 1; capacity <= 16; ++capacity) {
        std::vector<char> block(capacity + 1, '#');
        uint64_t length = writeSelectionText(*threeLines.document(), span, block.data(), capacity);
        EXPECT_EQ(length, capacity - 1);
        EXPECT_EQ(block[length], 0);
        EXPECT_EQ(block[capacity], '#');
        EXPECT_EQ(std::string(block.data(), length), std::string("3456789\nabcd\nAB").substr(0, length));
    }
}

// An end far below a short document counts one line feed per empty row, in
// the size without walking every row and in the text up to the block's end.
TEST(SelectionText, EndFarPastTheDocument)
{
    SelectionSpan span;
    ASSERT_TRUE(resolveSelection(*sevenLetters.document(), 1, 5, INT32_MAX, INT32_MAX, 0, &span));
    EXPECT_EQ(span.endColumn, 0);
    EXPECT_EQ(selectionBlockSize(*sevenLetters.document(), span), 3u + (uint64_t)INT32_MAX - 1);

    ASSERT_TRUE(resolveSelection(*sevenLetters.document(), 1, 5, 1000, 0, 0, &span));
    uint64_t size = selectionBlockSize(*sevenLetters.document(), span);
    ASSERT_EQ(size, 3u + 999);
    std::vector<char> block(size);
    EXPECT_EQ(writeSelectionText(*sevenLetters.document(), span, block.data(), size), size - 1);
    EXPECT_EQ(std::string(block.data()), "FG" + std::string(999, '\n'));
}

std::string randomLine(std::mt19937& rng)
{
    static const char kBytes[] = "ab \t\r\x01\xb0\xdb\xff";
    std::string line(rng() % 12 == 0 ? 0 : rng() % 14, ' ');
    for (char& c : line)
        c = kBytes[rng() % (sizeof kBytes - 1)];
    return line;
}

TEST(SelectionText, RandomSelectionsMatchModel)
{
    std::mt19937 rng(20240611);
    for (int round = 0; round < 400; ++round) {
        std::vector<std::string> lines;
        int count = (int)(rng() % 7);
        for (int i = 0; i < count; ++i)
            lines.push_back(i == 0 ? "" : randomLine(rng));
        LineDocument doc(lines);
        for (int pick = 0; pick < 50; ++pick) {
            auto line = [&] { return (int)(rng() % (count + 4)) - (rng() % 16 == 0 ? 2 : 0); };
            auto column = [&] { return (int)(rng() % 18) - (rng() % 16 == 0 ? 3 : 0); };
            Ends e{ line(), column(), line(), column(), false };
            e.reversed = rng() % 10 == 0
                ? (rng() & 1)
                : (e.caretLine < e.anchorLine ||
                   (e.caretLine == e.anchorLine && e.caretColumn < e.anchorColumn));
            SelectionCopy want =
                selectionReference(doc, e.anchorLine, e.anchorColumn, e.caretLine, e.caretColumn);
            SelectionCopy got = copyThrough(doc, e);
            ASSERT_EQ(got.empty, want.empty) << round << "/" << pick;
            ASSERT_EQ(got.text, want.text) << round << "/" << pick;
            ASSERT_EQ(got.blockSize, want.blockSize) << round << "/" << pick;
        }
    }
}

}  // namespace
