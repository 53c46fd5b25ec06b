// Tests of tavelin-render as a command: exit statuses, errors named with
// their file, no partial or overwritten output after a failure, standard
// output, the thumbnailer's calling form. The built program is run as a
// child process.
#include <gtest/gtest.h>

#include "document/cp437.h"
#include "document/utf8_encoder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>


#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void spit(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Runs the program with args; fileSizeLimit > 0 caps the files it may write;
// input, when given, is the file its standard input reads.
CommandRun run(const std::vector<std::string>& args, long fileSizeLimit = 0, const std::string& input = "")
{
    static int serial;
    std::string base = std::string(::testing::TempDir()) + "tavelin-cli-" + std::to_string(getpid()) + "-" +
                       std::to_string(++serial);
    std::string outPath = base + ".out", errPath = base + ".err";
    pid_t child = fork();
    if (child == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(err, 2);
        if (!input.empty())
            dup2(open(input.c_str(), O_RDONLY), 0);
        if (fileSizeLimit > 0) {
            rlimit limit = { (rlim_t)fileSizeLimit, (rlim_t)fileSizeLimit };
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv{ (char*)TAVELIN_RENDER_EXE };
        for (const std::string& a : args)
            argv.push_back((char*)a.c_str());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    CommandRun result;
    int status = 0;
    waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    return result;
}

class RenderCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::string(::testing::TempDir()) + "tavelin-cli-" + std::to_string(getpid());
        mkdir(dir.c_str(), 0700);
        art = dir + "/art.nfo";
        std::string text;
        for (int i = 0; i < 2000; ++i)
            text += "\xDB\xDB\xB2\xB1\xB0 release notes \xC4\xC4\xC4\xC4 " + std::to_string(i * 7919) + "\r\n";
        spit(art, text);
    }
    void TearDown() override
    {
        if (DIR* d = opendir(dir.c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.' || (e->d_name[1] && e->d_name[1] != '.'))
                    unlink((dir + "/" + e->d_name).c_str());
            closedir(d);
        }
        rmdir(dir.c_str());
    }
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        if (DIR* d = opendir(dir.c_str())) {
            while (dirent* e = readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                    names.push_back(e->d_name);
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string dir, art;
};

const char pngSignature[] = "\x89PNG\r\n\x1a\n";

}  // namespace

TEST_F(RenderCommand, UsageErrorsExitWithTwoAndWriteNothing)
{
    const std::vector<std::vector<std::string>> lines = {
        {},
        { "--scale", "9", art },
        { "--at", "10", art },
        { "--view", "640", art },
        { "--fg", "12345G", art },
        { "--encoding", "latin1", art },
        { "-o", dir + "/x.png", art, art },
        { "--thumbnail", "64", "--scale", "2", art },
        { "--bogus", art },
    };
    for (const auto& args : lines) {
        CommandRun r = run(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
    }
    EXPECT_EQ(files(), std::vector<std::string>{ "art.nfo" });
}

// Bad inputs are named with their reason; the good file among them is still
// rendered, and the status says that something failed.
TEST_F(RenderCommand, EveryFailingFileIsNamedAndTheOthersStillRendered)
{
    CommandRun r = run({ "-q", dir + "/missing.nfo", dir, art });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir + "/missing.nfo: not found"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(dir + ": is a directory"), std::string::npos) << r.err;
    EXPECT_EQ(slurp(art + ".png").compare(0, 8, pngSignature), 0);

    r = run({ "-o", art, art });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is an input file"), std::string::npos) << r.err;
    EXPECT_EQ(slurp(art).substr(0, 5), "\xDB\xDB\xB2\xB1\xB0") << "the input is untouched";

    r = run({ "-d", dir + "/no/such/dir/", art });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("directory not found"), std::string::npos) << r.err;
}

// A write that fails part-way (here a file size limit, as a full disk would)
// leaves the existing output as it was and no temporary file behind.
TEST_F(RenderCommand, AFailedWriteLeavesNoPartialFileAndKeepsTheOldOne)
{
    spit(art + ".png", "previous image");
    CommandRun r = run({ art }, 4096);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write " + art + ".png: file too large"), std::string::npos) << r.err;
    EXPECT_EQ(slurp(art + ".png"), "previous image");
    EXPECT_EQ(files(), (std::vector<std::string>{ "art.nfo", "art.nfo.png" }));

    // Without the limit the same command replaces it.
    r = run({ art });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(art + ".png").compare(0, 8, pngSignature), 0);
}

namespace {

uint32_t bigEndian(const std::string& bytes, size_t at)
{
    return (uint32_t)(uint8_t)bytes[at] << 24 | (uint32_t)(uint8_t)bytes[at + 1] << 16 |
           (uint32_t)(uint8_t)bytes[at + 2] << 8 | (uint8_t)bytes[at + 3];
}

}  // namespace

// Standard output, the thumbnailer's form (SIZE INPUT OUTPUT) and the
// version from the repository's one VERSION file.
TEST_F(RenderCommand, WritesToStandardOutputAndAsAThumbnailer)
{
    CommandRun r = run({ "-o", "-", "--view", "320x200", art });
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_GT(r.out.size(), 24u);
    EXPECT_EQ(r.out.compare(0, 8, pngSignature), 0);
    EXPECT_EQ(bigEndian(r.out, 16), 320u);
    EXPECT_EQ(bigEndian(r.out, 20), 200u);

    r = run({ "--thumbnail", "128", art, dir + "/thumb.png" });
    ASSERT_EQ(r.status, 0) << r.err;
    std::string thumb = slurp(dir + "/thumb.png");
    ASSERT_GT(thumb.size(), 24u);
    EXPECT_EQ(std::max(bigEndian(thumb, 16), bigEndian(thumb, 20)), 128u);

    r = run({ "--version" });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "tavelin-render " + slurp(TAVELIN_VERSION_FILE));
}

// As a thumbnail service calls it: the service makes the output file, keeps
// it open and reads the PNG back through its own handle.
TEST_F(RenderCommand, AThumbnailIsWrittenIntoTheFileTheCallerHolds)
{
    const std::string out = dir + "/held.png";
    spit(out, "");
    int held = open(out.c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    CommandRun r = run({ "--thumbnail", "128", art, out });
    char head[24] = {};
    ssize_t got = pread(held, head, sizeof head, 0);
    close(held);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(got, (ssize_t)sizeof head);
    std::string bytes(head, sizeof head);
    EXPECT_EQ(bytes.compare(0, 8, pngSignature), 0);
    EXPECT_EQ(std::max(bigEndian(bytes, 16), bigEndian(bytes, 20)), 128u);
    EXPECT_EQ(files(), (std::vector<std::string>{ "art.nfo", "held.png" }));
}

// A thumbnail reads only the start of a file: a sparse 3 GB file, its text
// at the start, larger than any whole document may be, gets the picture of
// its first page.
TEST_F(RenderCommand, AThumbnailReadsOnlyTheStartOfAHugeFile)
{
    const std::string huge = dir + "/huge.nfo";
    spit(huge, slurp(art));
    ASSERT_EQ(truncate(huge.c_str(), 3LL << 30), 0);
    CommandRun r = run({ "--thumbnail", "256", huge, dir + "/huge.png" });
    ASSERT_EQ(r.status, 0) << r.err;
    r = run({ "--thumbnail", "256", art, dir + "/art.png" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(dir + "/huge.png"), slurp(dir + "/art.png"));
}

// No text, no thumbnail: an empty file and one of line ends alone fail with
// one line each and write nothing; binary junk still gets its picture.
TEST_F(RenderCommand, AFileWithoutTextGetsNoThumbnail)
{
    spit(dir + "/empty.nfo", "");
    spit(dir + "/ends.nfo", "\r\n\n\r\n\r");
    for (const char* name : { "empty.nfo", "ends.nfo" }) {
        CommandRun r = run({ "--thumbnail", "128", dir + "/" + name, dir + "/out.png" });
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
    }
    EXPECT_EQ(files(), (std::vector<std::string>{ "art.nfo", "empty.nfo", "ends.nfo" }));

    std::string junk;
    for (uint32_t i = 0; i < 5000; ++i)
        junk += (char)(i * 2654435761u >> 24);
    spit(dir + "/junk.bin", junk);
    CommandRun r = run({ "--thumbnail", "128", dir + "/junk.bin", dir + "/out.png" });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(dir + "/out.png").compare(0, 8, pngSignature), 0);
}

// Art saved as UTF-8 (without a byte order mark), as UTF-16 with one, or
// double-encoded through Windows-1252 with a SAUCE record behind it is read as
// such and gives the very image of its code page 437 original; --text gives
// the Unicode of what is drawn, from a file or from standard input.
TEST_F(RenderCommand, UnicodeCopiesRenderAsTheirOriginal)
{
    std::string original = "\xC9\xCD\xCD\xBB \x01\x02 \x7F\r\n\xBA\t\xB0\xB1\xB2\xDB\xBA\r\n\xC8\xCD\xCD\xBC \xE1\xF8\n";
    std::string utf8, utf16 = "\xFF\xFE", doubled;
    for (unsigned char byte : original) {
        uint32_t c = byte == '\r' || byte == '\n' || byte == '\t' ? byte : cp437ToUnicode(byte);
        appendUtf8(utf8, c);
        utf16 += (char)(c & 0xFF);
        utf16 += (char)(c >> 8);
        appendUtf8(doubled, byte);    // the bytes above 0x9F read as Windows-1252
    }
    std::string sauce = "SAUCE00" + std::string(121, '\0');
    spit(dir + "/cp437.nfo", original);
    spit(dir + "/utf8.nfo", utf8);
    spit(dir + "/utf16.nfo", utf16);
    spit(dir + "/double.nfo", doubled + "\x1A" + sauce);
    CommandRun r = run({ "-v", dir + "/cp437.nfo", dir + "/utf8.nfo", dir + "/utf16.nfo", dir + "/double.nfo" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("read as UTF-8"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("read as UTF-16LE"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("read as double-encoded Windows-1252 UTF-8, restored, SAUCE record left out"),
              std::string::npos) << r.err;
    std::string image = slurp(dir + "/cp437.nfo.png");
    EXPECT_EQ(slurp(dir + "/utf8.nfo.png"), image);
    EXPECT_EQ(slurp(dir + "/utf16.nfo.png"), image);
    EXPECT_EQ(slurp(dir + "/double.nfo.png"), image);

    r = run({ "--text", dir + "/double.nfo", dir + "/utf16.nfo" });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, utf8 + utf8);
    r = run({ "--text", "-" }, 0, dir + "/cp437.nfo");
    EXPECT_EQ(r.out, utf8);
    r = run({ "-o", dir + "/stdin.png", "-" }, 0, dir + "/utf16.nfo");
    EXPECT_EQ(slurp(dir + "/stdin.png"), image);
}

// ANSI art: --text writes each canvas row (the wrap at the SAUCE width, NUL
// as a blank, trailing blanks left out); -v names the layout and the cuts.
TEST_F(RenderCommand, AnsiArtAsTextAndItsLayout)
{
    auto sauce = [](uint16_t columns, char flags) {
        return "\x1A" "SAUCE00" + std::string(87, ' ') + "\x01\x01" + (char)(columns & 0xFF) + (char)(columns >> 8) +
               std::string(7, '\0') + flags + std::string(22, '\0');
    };
    spit(dir + "/a.nfo", "\x1b[1;31mab\x01\xDB\r\n\x1b[44mc" + std::string(1, '\0') + "d   " + sauce(4, 5));
    spit(dir + "/wide.nfo", "x" + sauce(5000, 0));
    spit(dir + "/far.ans", "\x1b[999999999H@");
    EXPECT_EQ(run({ "--text", dir + "/a.nfo" }).out, "ab\xE2\x98\xBA\xE2\x96\x88\n\nc d\n\n");
    CommandRun r = run({ "-v", "-d", dir, dir + "/a.nfo", dir + "/wide.nfo", dir + "/far.ans" });
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* said : { "ANSI art, 4 columns, iCE colours, 9-pixel cells",
                              "ANSI art, 4096 columns (cut from a wider width), blinking colours, 8-pixel",
                              "80 columns, blinking colours, 8-pixel cells, cut where the canvas reached its bound" })
        EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
    EXPECT_EQ(run({ "-v", "--format=nfo", "--text", dir + "/far.ans" }).err.find("ANSI art"), std::string::npos);
}
