// TextDocument loaded from real files through the native stand-in: files that
// cannot be loaded (message, no lines, nothing kept), out-of-range lines, and
// random files against a plain model of the splitting rules.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "document/text_document.h"
#include "tests/support/document_invariants.h"
#include "tests/support/host_document_storage.h"

namespace {

// A private directory for the files of one test, removed with what it holds.
class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/tavelin-doc-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempDir()
    {
        for (const std::string& name : entries_)
            remove((path_ + "/" + name).c_str());
        rmdir(path_.c_str());
    }

    std::string write(const std::string& name, const std::string& bytes)
    {
        FILE* file = fopen(track(name).c_str(), "wb");
        EXPECT_NE(file, nullptr);
        EXPECT_EQ(fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
        fclose(file);
        return path_ + "/" + name;
    }
    // A file of that size without its blocks on disk.
    std::string sparse(const std::string& name, off_t size)
    {
        const int descriptor = open(track(name).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        EXPECT_GE(descriptor, 0);
        EXPECT_EQ(ftruncate(descriptor, size), 0);
        close(descriptor);
        return path_ + "/" + name;
    }
    std::string directory(const std::string& name)
    {
        mkdir(track(name).c_str(), 0755);
        return path_ + "/" + name;
    }

private:
    std::string track(const std::string& name)
    {
        entries_.push_back(name);
        return path_ + "/" + name;
    }

    std::string path_;
    std::vector<std::string> entries_;
};

class TextDocumentTest : public testing::Test {
protected:
    void SetUp() override { resetHostDocumentStorage(); }
    void TearDown() override
    {
        document.reset();
        EXPECT_EQ(hostDocumentStorage.blocksInUse, 0) << "page blocks not given back";
    }

    TextDocument* load(const std::string& path)
    {
        document.reset(new TextDocument(path.c_str()));
        return document.get();
    }

    void expectNoLines()
    {
        EXPECT_EQ(document->getLineCount(), 0);
        EXPECT_EQ(document->getWidestLine(), 0);
        EXPECT_EQ(document->textBuffer, nullptr);
        EXPECT_EQ(document->textLength, 0u);
        EXPECT_EQ(document->lineTable, nullptr);
        EXPECT_EQ(document->getLine(0), TextDocument::emptyLine);
        EXPECT_EQ(hostDocumentStorage.blocksInUse, 0);
    }

    TempDir dir;
    std::unique_ptr<TextDocument> document;
};

enum class Setup { missing, emptyName, directory, tooLarge, beyond32Bits };

struct FailureCase {
    const char* name;
    Setup setup;
    const char* message;
};

TEST_F(TextDocumentTest, FilesThatCannotBeLoadedGiveOneMessageAndNoLines)
{
    const FailureCase cases[] = {
        { "missing file", Setup::missing, "File not found" },
        { "empty name", Setup::emptyName, "File not found" },
        { "directory", Setup::directory, "File not found" },
        { "one byte above the limit", Setup::tooLarge, "File is too large" },
        // The low 32 bits alone would make it a 5-byte file.
        { "size beyond 32 bits", Setup::beyond32Bits, "File is too large" },
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        resetHostDocumentStorage();
        std::string path;
        switch (c.setup) {
        case Setup::missing: path = dir.write("present.nfo", "A") + ".missing"; break;
        case Setup::emptyName: path = ""; break;
        case Setup::directory: path = dir.directory("folder.nfo"); break;
        case Setup::tooLarge: path = dir.sparse("huge.nfo", 0x7FFFFFF1); break;
        case Setup::beyond32Bits: path = dir.sparse("vast.nfo", 0x100000005LL); break;
        }
        load(path);
        EXPECT_EQ(hostDocumentStorage.failureCount, 1);
        EXPECT_STREQ(hostDocumentStorage.lastFailure, c.message);
        expectNoLines();
    }
}

TEST_F(TextDocumentTest, MemoryThatCannotBeHadGivesOneMessageAndKeepsNothing)
{
    const std::string path = dir.write("two.nfo", "A\r\nB\r\n");
    for (int failing = 1; failing <= 2; ++failing) {    // the text, then the table
        SCOPED_TRACE(failing == 1 ? "text buffer" : "line table");
        resetHostDocumentStorage();
        hostDocumentStorage.failAllocation = failing;
        load(path);
        EXPECT_EQ(hostDocumentStorage.failureCount, 1);
        EXPECT_STREQ(hostDocumentStorage.lastFailure, "Not enough memory to open the file");
        expectNoLines();
    }
}

TEST_F(TextDocumentTest, EmptyFileHasNoLinesAndNeedsNoTable)
{
    const std::string path = dir.write("empty.nfo", "");
    hostDocumentStorage.failAllocation = 2;     // a table would not be had
    load(path);
    EXPECT_EQ(hostDocumentStorage.failureCount, 0);
    EXPECT_EQ(document->getLineCount(), 0);
    EXPECT_EQ(document->getWidestLine(), 0);
    EXPECT_EQ(document->lineTable, nullptr);
    EXPECT_STREQ(document->getLine(0), "");
    EXPECT_EQ(findDocumentFault(*document, nullptr, 0), nullptr);
}

TEST_F(TextDocumentTest, LinesOutsideTheDocumentShareOneEmptyString)
{
    load(dir.write("ab.nfo", "A\nB"));
    ASSERT_EQ(document->getLineCount(), 3);
    EXPECT_STREQ(document->getLine(1), "A");
    EXPECT_STREQ(document->getLine(2), "B");
    for (int32_t index : { -1, 3, 4, INT32_MIN, INT32_MAX })
        EXPECT_EQ(document->getLine(index), TextDocument::emptyLine) << index;
    EXPECT_NE(document->getLine(0), TextDocument::emptyLine);  // line 0 lives in the text
}

// The lines of a file by the rules spelled out plainly on strings.
std::vector<std::string> modelLines(const std::string& file)
{
    if (file.empty())
        return {};
    std::string text = std::string(1, '\0') + file + std::string(1, '\0');
    std::replace(text.begin(), text.end(), '\n', '\0');
    const char last = file.back();
    const size_t count = 1 + std::count(file.begin(), file.end(), '\n') + (last != '\n' && last != '\0');
    std::vector<std::string> lines;
    size_t start = 0;
    while (lines.size() < count) {
        const size_t end = text.find('\0', start);
        std::string line = text.substr(start, end - start);
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

TEST_F(TextDocumentTest, RandomFilesMatchThePlainModel)
{
    std::mt19937 random(20261208);
    const char alphabet[] = { '\n', '\r', '\t', '\0', 'a', 'b', '\xDB' };
    for (int round = 0; round < 1500; ++round) {
        std::string file(round % 10 == 0 ? random() % 700 : random() % 48, ' ');
        for (char& c : file)
            c = alphabet[random() % sizeof alphabet];
        resetHostDocumentStorage();
        load(dir.write("random.nfo", file));
        ASSERT_EQ(hostDocumentStorage.failureCount, 0);

        const std::vector<std::string> expected = modelLines(file);
        std::vector<std::string> lines;
        int64_t widest = 0;
        for (int32_t k = 0; k < document->getLineCount(); ++k)
            lines.push_back(document->getLine(k));
        for (const std::string& line : expected)
            widest = std::max(widest, naiveLineWidth(line.c_str()));
        ASSERT_EQ(lines, expected) << "round " << round;
        ASSERT_EQ(document->getWidestLine(), widest) << "round " << round;
        ASSERT_EQ(findDocumentFault(*document, (const uint8_t*)file.data(), (uint32_t)file.size()), nullptr)
            << "round " << round;
    }
}

}  // namespace
