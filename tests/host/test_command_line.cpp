// The file name taken from the command line, on the shapes the shell and
// people produce: quoted and unquoted program paths, blanks inside names,
// stray quotes and trailing spaces.
#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"

namespace {

struct Case {
    const char* line;
    const char* file;   // null: no file name
};

const Case cases[] = {
    {"tavelin.exe", nullptr},
    {"\"C:\\Apps\\tavelin.exe\"", nullptr},
    {"tavelin.exe ", nullptr},
    {"tavelin.exe     ", nullptr},
    {"\"C:\\Apps\\tavelin.exe\" ", nullptr},
    {"\"C:\\Apps\\tavelin.exe\"    ", nullptr},
    {"", nullptr},
    {"\"", nullptr},
    {"tavelin.exe a.nfo", "a.nfo"},
    {"tavelin.exe   a.nfo   ", "a.nfo"},
    {"\"C:\\Program Files\\t.exe\" C:\\My Art\\cool one.nfo", "C:\\My Art\\cool one.nfo"},
    {"\"C:\\Apps\\t.exe\" \"C:\\My Art\\x.nfo\"", "C:\\My Art\\x.nfo"},
    {"\"C:\\Apps\\t.exe\" \"C:\\My Art\\x.nfo\"   ", "C:\\My Art\\x.nfo"},
    {"\"C:\\Apps\\t.exe\"\"x.nfo\"", "x.nfo"},
    {"t.exe a.nfo b.nfo", "a.nfo b.nfo"},
    {"t.exe \"\"", ""},
    {"t.exe \"", ""},
    {"C:\\Program Files\\t.exe", "Files\\t.exe"},
    {"C:\\Program Files\\t.exe x.nfo", "Files\\t.exe x.nfo"},
    {"t.exe\ta.nfo b", "b"},
    {"t.exe \ta.nfo", "\ta.nfo"},
    {"\"t.exe\" a.nfo\t", "a.nfo\t"},
    {"t.exe \"\"\"x\"\"\"", "x"},
};

TEST(CommandLine, TakesTheWholeRestAsOneFileName)
{
    for (const Case& c : cases) {
        std::string buffer(c.line);
        char* file = getFileArgument(&buffer[0]);
        if (!c.file) {
            EXPECT_EQ(file, nullptr) << "line: [" << c.line << "]";
        } else {
            ASSERT_NE(file, nullptr) << "line: [" << c.line << "]";
            EXPECT_STREQ(file, c.file) << "line: [" << c.line << "]";
            EXPECT_GE(file, &buffer[0]);
            EXPECT_LE(file, &buffer[0] + buffer.size());
        }
    }
}

TEST(CommandLine, NullLineGivesNoFile)
{
    EXPECT_EQ(getFileArgument(nullptr), nullptr);
}

// Any line, however odd, must give null or a pointer inside it whose string
// ends inside it, and never write past its end.
TEST(CommandLine, ArbitraryLinesStayInsideTheirBuffer)
{
    const char alphabet[] = {' ', '"', 'a', '\t'};
    for (int length = 0; length <= 8; ++length) {
        int combinations = 1;
        for (int i = 0; i < length; ++i)
            combinations *= 4;
        for (int n = 0; n < combinations; ++n) {
            std::string line;
            for (int i = 0, v = n; i < length; ++i, v /= 4)
                line += alphabet[v % 4];
            std::string buffer = line + '\0' + "GUARD";
            char* file = getFileArgument(&buffer[0]);
            EXPECT_EQ(buffer.substr(length + 1), "GUARD") << line;
            if (file) {
                EXPECT_GE(file, &buffer[0]);
                EXPECT_LE(file + std::char_traits<char>::length(file), &buffer[0] + length);
            }
        }
    }
}

}  // namespace
