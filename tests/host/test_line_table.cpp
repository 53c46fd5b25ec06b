// Splitting text into lines: the line count, the lines themselves after the
// carriage returns are dropped, the widest line, and the saturating width.
#include <stdint.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "document/line_table.h"

namespace {

// A file split the way a document does it: bytes at positions 1 to L of a
// zero-filled buffer of L + 5 bytes.
struct SplitText {
    explicit SplitText(const std::string& file) : buffer(file.size() + 5, 0)
    {
        file.copy((char*)buffer.data() + 1, file.size());
        lineCount = splitLines(buffer.data(), (uint32_t)file.size());
        table.assign(lineCount > 0 ? lineCount : 0, nullptr);
        widest = buildLineTable(buffer.data(), (uint32_t)file.size(), table.data(), lineCount);
    }

    std::vector<std::string> lines() const { return std::vector<std::string>(table.begin(), table.end()); }

    std::vector<uint8_t> buffer;
    std::vector<char*> table;
    int32_t lineCount;
    int32_t widest;
};

struct SplitCase {
    const char* name;
    std::string file;
    std::vector<std::string> lines;
    int32_t widest;
};

const std::string longRun(100, 'x');

const SplitCase splitCases[] = {
    { "empty file", "", {}, 0 },
    { "one letter", "A", { "", "A" }, 1 },
    { "final line feed starts no line", "A\n", { "", "A" }, 1 },
    { "two lines", "A\nB", { "", "A", "B" }, 1 },
    { "two lines, final line feed", "A\nB\n", { "", "A", "B" }, 1 },
    { "only a line feed", "\n", { "", "" }, 0 },
    { "only line feeds", "\n\n\n", { "", "", "", "" }, 0 },
    { "CR LF line ends", "A\r\nB\r\n", { "", "A", "B" }, 1 },
    { "a run of CRs before LF", "A\r\r\r\nBC", { "", "A", "BC" }, 2 },
    { "a line of CRs only", "\r\r\nB", { "", "", "B" }, 1 },
    { "CR inside a line stays", "A\rB\n", { "", "A\rB" }, 3 },
    { "only CRs end lines", "A\rB\r", { "", "A\rB" }, 3 },
    { "last line stripped without LF", "A\r\nB\r\r", { "", "A", "B" }, 1 },
    { "only CRs", "\r\r\r", { "", "" }, 0 },
    { "tab counts 7", "\tA", { "", "\tA" }, 8 },
    { "widest of several", "ab\n\t\t\nabcdefghijklm\n", { "", "ab", "\t\t", "abcdefghijklm" }, 14 },
    { "long lines across blocks", longRun + "\r\n" + std::string(40, '\t') + "\n",
      { "", longRun, std::string(40, '\t') }, 280 },
    { "CR run across blocks", "A" + std::string(70, '\r') + "\nB", { "", "A", "B" }, 1 },
    { "tabs before a late line end", std::string(31, '\t') + "x\n\ty", { "", std::string(31, '\t') + "x", "\ty" }, 218 },
    // A zero byte ends a line's text early and the rest becomes the next
    // entry; line feeds alone make the count, so lines drop off the end.
    { "only a zero", std::string(1, '\0'), { "" }, 0 },
    { "only zeros", std::string(40, '\0'), { "" }, 0 },
    { "zero as the last byte", std::string("A\0", 2), { "" }, 0 },
    { "zero after the final LF", std::string("A\n\0", 3), { "", "A" }, 1 },
    { "zeros between line feeds", std::string("\n\0\n\0\0\n", 6), { "", "", "", "" }, 0 },
    { "zero inside a line", std::string("AB\0C\nD", 6), { "", "AB", "C" }, 2 },
    { "zero then CRs", std::string("A\r\0\r\nB", 6), { "", "A", "" }, 1 },
};

void PrintTo(const SplitCase& c, std::ostream* out)
{
    *out << c.name;
}

class SplitLinesTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitLinesTest, GivesTheLinesAndTheWidest)
{
    const SplitCase& c = GetParam();
    const SplitText split(c.file);
    EXPECT_EQ(split.lineCount, (int32_t)c.lines.size());
    EXPECT_EQ(split.lines(), c.lines);
    EXPECT_EQ(split.widest, c.widest);
    // The padding behind the text stays zero; position L + 1 ends the last line.
    for (size_t i = c.file.size() + 1; i < split.buffer.size(); ++i)
        EXPECT_EQ(split.buffer[i], 0) << "position " << i;
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitLinesTest, testing::ValuesIn(splitCases),
                         [](const testing::TestParamInfo<SplitCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 name += isalnum((unsigned char)*p) ? *p : '_';
                             return name;
                         });

TEST(SplitLines, LineFeedsBeyondTheTableAreZeroedToo)
{
    // The zero byte pushes "C" off the table, but its line feed is still gone.
    const SplitText split(std::string("A\0B\nC\n", 6));
    EXPECT_EQ(split.lines(), (std::vector<std::string>{ "", "A", "B" }));
    EXPECT_EQ(split.buffer[5], 'C');
    EXPECT_EQ(split.buffer[6], 0);
}

TEST(SplitLines, EveryAlignmentOfTheText)
{
    // Line ends and tabs land on every position of the SIMD blocks in turn.
    for (size_t lead = 0; lead < 40; ++lead) {
        const std::string first = std::string(lead, 'a') + "\t";
        const SplitText split(first + "\r\n" + "\tb\r\n\n");
        EXPECT_EQ(split.lines(), (std::vector<std::string>{ "", first, "\tb", "" })) << lead;
        EXPECT_EQ(split.widest, std::max((int32_t)lead + 7, 8)) << lead;
    }
}

struct WidthCase {
    uint32_t length;
    uint32_t tabs;
    int32_t width;
};

TEST(LineWidth, CountsSevenPerTabAndSaturates)
{
    const WidthCase cases[] = {
        { 0, 0, 0 },
        { 5, 0, 5 },
        { 1, 1, 7 },
        { 8, 2, 20 },
        { 0x7FFFFFF0u, 0, 0x7FFFFFF0 },
        { 0x7FFFFFF0u, 2, 0x7FFFFFFC },
        { 0x7FFFFFF0u, 3, INT32_MAX },          // one column too many
        { 0x12492492u, 0x12492492u, 0x7FFFFFFE },  // a line of tabs just fits
        { 0x12492493u, 0x12492493u, INT32_MAX },   // one tab more does not
        { 0x80000000u, 0, INT32_MAX },
        { 0xFFFFFFFFu, 0xFFFFFFFFu, INT32_MAX },
    };
    for (const WidthCase& c : cases)
        EXPECT_EQ(lineWidth(c.length, c.tabs), c.width) << c.length << " bytes, " << c.tabs << " tabs";
}

}  // namespace
