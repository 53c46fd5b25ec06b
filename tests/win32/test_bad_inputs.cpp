// Bad input under Wine: files held by another process, degenerate and huge
// files, sparse files beyond 4 GiB, registry values of the wrong type or
// size, and a clipboard that another process keeps open. For each: the
// message the user sees or the silence that is wanted, the lines that come
// out, the memory the program keeps while it shows the file (measured as
// committed private pages) and that every page comes back afterwards.
//
// Big files are written in large blocks into a folder of the test's own and
// deleted at the end of their test; the expected lines and widths come from
// the generators that wrote them, not from the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/window_fit.h"
#include "document/text_document.h"
#include "tests/support/document_invariants.h"
#include "tests/support/line_document.h"
#include "tests/support/reference_renderer.h"
#include "tests/support/win32_helper_process.h"
#include "tests/support/win32_memory_probe.h"
#include "tests/support/win32_view_fixture.h"
#include "view/view_window.h"

namespace {

using helperprocess::HelperProcess;
using helperprocess::Role;
using memoryprobe::committedPrivateBytes;
using memoryprobe::pagesFor;

const uint64_t MiB = 1 << 20;
// What may come and go around a load besides the document's two blocks:
// the heap's own growth, the message box thread, the test framework.
const uint64_t kSlack = 2 * MiB;

double secondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

LARGE_INTEGER now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

// A folder of its own under the temporary folder; its files go with it.
class Scratch {
public:
    Scratch()
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "tavelin-bad-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
    }
    ~Scratch()
    {
        for (const std::string& file : files_)
            DeleteFileA(file.c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    // Writes the file block by block: fill() appends the next bytes to the
    // block it is given and returns false once it has nothing more.
    std::string write(const std::string& name, const std::function<bool(std::string&)>& fill)
    {
        const std::string path = track(name);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
        std::string block;
        block.reserve(8 * MiB);
        bool more = true;
        while (more) {
            block.clear();
            while (more && block.size() < 4 * MiB)
                more = fill(block);
            DWORD written = 0;
            WriteFile(file, block.data(), (DWORD)block.size(), &written, nullptr);
            EXPECT_EQ(written, block.size()) << path;
        }
        CloseHandle(file);
        return path;
    }
    std::string write(const std::string& name, const std::string& bytes)
    {
        bool done = false;
        return write(name, [&](std::string& block) {
            if (!done)
                block += bytes;
            done = true;
            return false;
        });
    }
    // A file of that size with no block on disk: the size is set, nothing written.
    std::string sparse(const std::string& name, int64_t size)
    {
        const std::string path = track(name);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = size;
        EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
        EXPECT_TRUE(SetEndOfFile(file));
        CloseHandle(file);
        return path;
    }
    void remove(const std::string& path) { DeleteFileA(path.c_str()); }
    const std::string& folder() const { return folder_; }

private:
    std::string track(const std::string& name)
    {
        files_.push_back(folder_ + "\\" + name);
        return files_.back();
    }

    std::string folder_;
    std::vector<std::string> files_;
};

std::string readWhole(const std::string& path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<cannot open>";
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, &bytes[0], (DWORD)bytes.size(), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

// Answers the "Error" message boxes of the test's thread with OK from a
// thread of its own and keeps their texts.
class ErrorBoxes {
public:
    ErrorBoxes() : owner_(GetCurrentThreadId())
    {
        stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, watch, this, 0, nullptr);
    }
    ~ErrorBoxes() { finish(); }

    std::vector<std::string> finish()
    {
        if (thread_) {
            SetEvent(stop_);
            WaitForSingleObject(thread_, INFINITE);
            CloseHandle(thread_);
            CloseHandle(stop_);
            thread_ = nullptr;
        }
        return texts_;
    }

private:
    static DWORD WINAPI watch(void* self)
    {
        ErrorBoxes* boxes = (ErrorBoxes*)self;
        HWND answered = nullptr;
        while (WaitForSingleObject(boxes->stop_, 10) == WAIT_TIMEOUT) {
            HWND box = FindWindowA("#32770", "Error");
            if (!box || box == answered || GetWindowThreadProcessId(box, nullptr) != boxes->owner_)
                continue;
            char text[256] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);   // the message's static control
            boxes->texts_.push_back(text);
            answered = box;
            SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        return 0;
    }

    DWORD owner_;
    HANDLE stop_;
    HANDLE thread_;
    std::vector<std::string> texts_;
};

// Loads a document while the boxes are answered; the boxes' texts land in *boxes.
TextDocument* load(const std::string& path, std::vector<std::string>* boxes)
{
    ErrorBoxes watcher;
    TextDocument* document = new TextDocument(path.c_str());
    *boxes = watcher.finish();
    return document;
}

// ---------------------------------------------------------------------------
// Files that another process holds

TEST(BadInputFiles, FileHeldByAnotherProcessIsReportedAndLoadsOnceReleased)
{
    Scratch scratch;
    const std::string text = "\xC9\xCD\xBB\r\n\xBA \xBA\r\n\xC8\xCD\xBC\r\n";
    const struct {
        const char* name;
        Role role;
    } cases[] = {
        { "opened without sharing", Role::HoldFileExclusively },
        { "open for writing", Role::HoldFileForWriting },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = scratch.write("held.nfo", text);
        {
            HelperProcess holder(c.role, path);
            ASSERT_TRUE(holder.holds());
            ASSERT_NE(holder.processId(), GetCurrentProcessId());
            std::vector<std::string> boxes;
            TextDocument* document = load(path, &boxes);
            ASSERT_EQ(boxes, std::vector<std::string>{ "File not found" });
            EXPECT_EQ(document->getLineCount(), 0);
            EXPECT_EQ(document->getWidestLine(), 0);
            EXPECT_EQ(document->textBuffer, nullptr);
            EXPECT_EQ(document->lineTable, nullptr);
            delete document;
            EXPECT_EQ(holder.release(), 0u);
        }
        // Nothing was changed, and the released file loads without a word.
        EXPECT_EQ(readWhole(path), text);
        std::vector<std::string> boxes;
        TextDocument* document = load(path, &boxes);
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(document->getLineCount(), 4);
        EXPECT_STREQ(document->getLine(2), "\xBA \xBA");
        delete document;
        scratch.remove(path);
    }
}

// ---------------------------------------------------------------------------
// Tiny and degenerate files

TEST(BadInputFiles, OneByteAndOnlyCarriageReturnFilesGiveTheirLinesSilently)
{
    Scratch scratch;
    const struct {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
        int32_t widest;
    } cases[] = {
        { "one letter", "A", { "", "A" }, 1 },
        { "one line feed", "\n", { "", "" }, 0 },
        { "one carriage return", "\r", { "", "" }, 0 },
        { "one zero byte", std::string(1, '\0'), { "" }, 0 },
        { "one tab", "\t", { "", "\t" }, 7 },
        { "one box character", "\xDB", { "", "\xDB" }, 1 },
        { "only carriage returns", std::string(1000, '\r'), { "", "" }, 0 },
        { "carriage returns then one line feed", std::string(999, '\r') + "\n", { "", "" }, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = scratch.write("tiny.nfo", c.bytes);
        std::vector<std::string> boxes;
        TextDocument* document = load(path, &boxes);
        EXPECT_TRUE(boxes.empty());
        std::vector<std::string> lines;
        for (int32_t k = 0; k < document->getLineCount(); ++k)
            lines.push_back(document->getLine(k));
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(document->getWidestLine(), c.widest);
        EXPECT_EQ(findDocumentFault(*document, (const uint8_t*)c.bytes.data(), (uint32_t)c.bytes.size()),
                  nullptr);
        delete document;
        EXPECT_EQ(readWhole(path), c.bytes);
        scratch.remove(path);
    }
}

// ---------------------------------------------------------------------------
// Sparse files beyond 4 GiB

TEST(BadInputFiles, SparseFilesBeyondFourGibAreTooLargeAndCostNoMemory)
{
    Scratch scratch;
    const struct {
        const char* name;
        int64_t size;
    } cases[] = {
        // Taken by its low 32 bits it would be an empty file.
        { "exactly 4 GiB", 0x100000000LL },
        // Its low 32 bits are those of a failed size query.
        { "8 GiB less one byte", 0x1FFFFFFFFLL },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Sparse indeed: the disk loses (next to) nothing of its free space.
        // Others may write meanwhile, hence the wide margin.
        ULARGE_INTEGER freeBefore, freeAfter, total;
        GetDiskFreeSpaceExA(scratch.folder().c_str(), &freeBefore, &total, nullptr);
        const std::string path = scratch.sparse("sparse.nfo", c.size);
        GetDiskFreeSpaceExA(scratch.folder().c_str(), &freeAfter, &total, nullptr);
        EXPECT_LT((int64_t)freeBefore.QuadPart - (int64_t)freeAfter.QuadPart, (int64_t)(256 * MiB));

        const uint64_t before = committedPrivateBytes();
        const LARGE_INTEGER start = now();
        std::vector<std::string> boxes;
        TextDocument* document = load(path, &boxes);
        EXPECT_EQ(boxes, std::vector<std::string>{ "File is too large" });
        EXPECT_EQ(document->getLineCount(), 0);
        EXPECT_EQ(document->textBuffer, nullptr);
        EXPECT_LT(committedPrivateBytes(), before + kSlack);
        std::printf("[ measure  ] sparse %s: refused in %.2f s (message box included)\n", c.name,
                    secondsSince(start));
        delete document;
        scratch.remove(path);
    }
}

// ---------------------------------------------------------------------------
// Big files, through the real document and the real view window

// How a big file is written and what it must give.
struct BigFile {
    const char* name;
    bool withView;                                  // also shown in a real view window
    std::function<bool(std::string&)> fill;         // the writer, block by block
    // Filled while writing, independently of the program:
    uint64_t length = 0;
    int32_t lines = 0;                              // line 0 included
    int64_t widest = 0;
    // Whether line k (k >= 1) is what the document must give.
    std::function<bool(int32_t k, const char* line)> lineIsRight;
};

uint32_t mix(uint32_t k)
{
    k ^= k >> 16;
    k *= 0x7FEB352Du;
    k ^= k >> 15;
    k *= 0x846CA68Bu;
    k ^= k >> 16;
    return k;
}

// Line k of a file that looks like a real one: frames of box characters,
// shaded art, plain text, tab-indented lines, empty lines, trailing blanks.
std::string realLookingLine(uint32_t k)
{
    static const char kArt[] = "\xDB\xB2\xB1\xB0\xDC\xDF  ";
    static const char kWords[][10] = { "release", "group", "date", "size", "notes", "crack",
                                       "greets", "to", "all", "the", "members", "and" };
    uint32_t h = mix(k + 1);
    std::string line;
    if (k % 65536 == 4099) {   // a rare wide line with tabs: 300 bytes, 3 tabs
        for (int i = 0; i < 300; ++i)
            line += i % 100 == 50 ? '\t' : kArt[(h >> (i % 24)) % 6];
        return line;
    }
    switch (h % 10) {
    case 0:
        return line;
    case 1:
        return "  \xC9" + std::string(70, '\xCD') + "\xBB";
    case 2:
    case 3:
        for (uint32_t i = 0, n = 4 + (h >> 8) % 76; i < n; ++i)
            line += kArt[mix(h + i) % 8];
        return line;
    case 4:
        line = "\t";
        // fall through
    default:
        line += "  \xBA ";
        for (uint32_t i = 0, n = 2 + (h >> 4) % 9; i < n; ++i)
            line += std::string(kWords[(h >> (i * 3)) % 12]) + (i + 1 < n ? " " : "");
        if (h & 0x10000)
            line += "   ";   // trailing blanks stay
        return line;
    }
}

int64_t columnsOf(const std::string& line)
{
    int64_t columns = 0;
    for (char c : line)
        columns += c == '\t' ? 7 : 1;
    return columns;
}

// About 100 MiB of real-looking lines, most ending in CR LF, some in LF alone,
// some in several CRs and an LF; the last line has no line end at all.
void describeRealLookingFile(BigFile& file)
{
    const uint64_t target = 100 * MiB;
    file.fill = [&file, target](std::string& block) {
        const uint32_t k = (uint32_t)file.lines;
        std::string line = realLookingLine(k);
        const bool last = file.length + line.size() + 3 >= target;
        file.length += line.size();
        file.widest = std::max(file.widest, columnsOf(line));
        block += line;
        ++file.lines;
        if (last) {
            ++file.lines;   // line 0
            return false;
        }
        const char* end = k % 7 == 3 ? "\n" : k % 1000 == 999 ? "\r\r\n" : "\r\n";
        block += end;
        file.length += std::strlen(end);
        return true;
    };
    file.lineIsRight = [](int32_t k, const char* line) {
        return realLookingLine((uint32_t)k - 1) == line;
    };
}

// One line of 50 MiB: box characters, letters and a tab in every 7 bytes,
// then CR LF.
void describeSingleHugeLine(BigFile& file)
{
    static const char kPattern[] = "\xDB\xB1 ab\t\xCD";
    const uint64_t lineLength = 50 * MiB;
    file.fill = [&file, lineLength](std::string& block) {
        const uint64_t begin = file.length;
        const uint64_t end = std::min<uint64_t>(begin + 4 * MiB, lineLength);
        for (uint64_t i = begin; i < end; ++i) {
            block += kPattern[i % 7];
            file.widest += kPattern[i % 7] == '\t' ? 7 : 1;
        }
        file.length = end;
        if (end < lineLength)
            return true;
        block += "\r\n";
        file.length += 2;
        file.lines = 2;
        return false;
    };
    file.lineIsRight = [lineLength](int32_t k, const char* line) {
        for (uint64_t i = 0; i < lineLength; ++i)
            if (line[i] != kPattern[i % 7])
                return false;
        return line[lineLength] == 0;
    };
}

// Ten million empty lines, each a CR LF.
void describeTenMillionEmptyLines(BigFile& file)
{
    const uint64_t count = 10000000;
    file.fill = [&file, count](std::string& block) {
        const uint64_t written = file.length / 2;
        const uint64_t more = std::min<uint64_t>(count - written, 1 << 20);
        for (uint64_t i = 0; i < more; ++i)
            block += "\r\n";
        file.length += 2 * more;
        file.lines = (int32_t)(1 + written + more);
        return written + more < count;
    };
    file.lineIsRight = [](int32_t, const char* line) { return line[0] == 0; };
}

// 16 MiB of one byte value.
void describeUniformFile(BigFile& file, char value, int32_t lines)
{
    const uint64_t size = 16 * MiB;
    file.fill = [&file, value, lines, size](std::string& block) {
        block.append(4 * MiB, value);
        file.length += 4 * MiB;
        file.lines = lines;
        return file.length < size;
    };
    file.lineIsRight = [](int32_t, const char* line) { return line[0] == 0; };
}

// A hidden parent window with a real view window over one document.
class ViewWindow {
public:
    explicit ViewWindow(TextDocument* document)
    {
        WNDCLASSA frameClass = {};
        frameClass.lpfnWndProc = DefWindowProcA;
        frameClass.hInstance = GetModuleHandleA(nullptr);
        frameClass.lpszClassName = "TavelinBadInputFrame";
        RegisterClassA(&frameClass);   // fails harmlessly after the first time
        registerViewClass();
        frame = CreateWindowExA(0, "TavelinBadInputFrame", "bad input", WS_OVERLAPPEDWINDOW, 0, 0,
                                viewtest::kViewWidth + 40, viewtest::kViewHeight + 80, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
        RECT rect = { 0, 0, viewtest::kViewWidth, viewtest::kViewHeight };
        view = createScrollView(frame, rect, viewtest::kInk, viewtest::kPaper, 1, 1, document);
        viewtest::pumpFor(0);
        // The parent stays hidden, so the paint that showing it would bring
        // is sent by hand.
        if (view)
            SendMessageA(view->viewWnd, WM_PAINT, 0, 0);
    }
    ~ViewWindow() { close(); }

    void close()
    {
        if (frame)
            DestroyWindow(frame);   // takes the view, and with it the document
        frame = nullptr;
        view = nullptr;
        viewtest::pumpFor(0);
    }

    LRESULT key(WPARAM virtualKey, int repeat)
    {
        return SendMessageA(view->viewWnd, WM_KEYDOWN, virtualKey, (LPARAM)(repeat & 0xFFFF));
    }

    // The frame on screen and in the back buffer is the one a plain
    // renderer draws for the view's state. The plain renderer walks whole
    // lines, so it is handed the visible lines cut to what the view's width
    // can show, as lines 0, 1, ... of a document of their own.
    testing::AssertionResult showsWhatTheReferenceDraws() const
    {
        const size_t pixels = (size_t)view->width * view->height;
        if (pixels == 0)
            return testing::AssertionFailure() << "no image";
        const size_t shownBytes = (size_t)view->width / 8 + 2;
        std::vector<std::string> lines;
        for (int64_t k = view->topLine; k < view->topLine + view->visibleLines + 2; ++k) {
            if (k >= view->document->getLineCount())
                break;
            const char* line = view->document->getLine((int32_t)k);
            lines.push_back(std::string(line, strnlen(line, shownBytes)));
        }
        LineDocument visible(lines);
        std::vector<Pixel> back(pixels), screen(pixels);
        TextDocument* const document = view->document;
        const int32_t topLine = view->topLine;
        view->document = visible.document();
        view->topLine = 0;
        referenceComposeFrame(*view, back.data(), screen.data());
        view->document = document;
        view->topLine = topLine;
        for (size_t i = 0; i < pixels; ++i)
            if (back[i] != view->backBuffer[i] || screen[i] != view->screenBits[i])
                return testing::AssertionFailure()
                       << "pixel (" << i % view->width << ", " << i / view->width << ") differs: back "
                       << std::hex << view->backBuffer[i] << " for " << back[i] << ", screen "
                       << view->screenBits[i] << " for " << screen[i] << std::dec << "; top line "
                       << view->topLine << ", offset " << view->pixelOffset;
        return testing::AssertionSuccess();
    }

    HWND frame = nullptr;
    ScrollView* view = nullptr;
};

void checkDocument(const BigFile& file, const TextDocument& document)
{
    ASSERT_EQ(document.textLength, file.length);
    ASSERT_EQ(document.getLineCount(), file.lines);
    EXPECT_EQ(document.getWidestLine(), file.widest);
    EXPECT_STREQ(document.getLine(0), "");
    int32_t wrong = 0;
    for (int32_t k = 1; k < document.getLineCount() && wrong < 5; ++k)
        if (!file.lineIsRight(k, document.getLine(k)))
            ADD_FAILURE() << "line " << k << " differs (wrong " << ++wrong << ")";
}

// Memory the document may keep: its text block and its line table as pages.
uint64_t documentPages(const BigFile& file)
{
    return pagesFor(file.length + 5) + pagesFor((uint64_t)file.lines * sizeof(char*));
}

TEST(BadInputBigFiles, LoadWithinTheirSizeAndLineTableAndGiveEveryPageBack)
{
    Scratch scratch;
    std::vector<BigFile> files(5);
    files[0].name = "100 MiB real-looking file";
    files[0].withView = true;
    describeRealLookingFile(files[0]);
    files[1].name = "one line of 50 MiB";
    files[1].withView = true;
    describeSingleHugeLine(files[1]);
    files[2].name = "ten million empty lines";
    files[2].withView = true;
    describeTenMillionEmptyLines(files[2]);
    files[3].name = "16 MiB of zero bytes";
    describeUniformFile(files[3], '\0', 1);
    files[4].name = "16 MiB of carriage returns";
    describeUniformFile(files[4], '\r', 2);

    for (BigFile& file : files) {
        SCOPED_TRACE(file.name);
        LARGE_INTEGER start = now();
        const std::string path = scratch.write("big.nfo", file.fill);
        const double writing = secondsSince(start);

        // The document alone.
        const uint64_t before = committedPrivateBytes();
        start = now();
        std::vector<std::string> boxes;
        TextDocument* document = load(path, &boxes);
        const double loading = secondsSince(start);
        EXPECT_TRUE(boxes.empty());
        const uint64_t loaded = committedPrivateBytes();
        EXPECT_GE(loaded, before + file.length);   // the probe sees the text
        EXPECT_LE(loaded, before + documentPages(file) + kSlack);
        checkDocument(file, *document);
        delete document;
        EXPECT_LE(committedPrivateBytes(), before + kSlack);
        std::printf("[ measure  ] %s: %llu bytes, %d lines, widest %lld; written in %.2f s, "
                    "loaded in %.2f s; kept %.3f x the file size (text and line table %.3f x)\n",
                    file.name, (unsigned long long)file.length, file.lines, (long long)file.widest,
                    writing, loading, double(loaded - before) / double(file.length),
                    double(documentPages(file)) / double(file.length));

        // The same file in a real view window, scrolled to its very end.
        if (file.withView) {
            const uint64_t beforeView = committedPrivateBytes();
            start = now();
            ViewWindow window(load(path, &boxes));
            EXPECT_TRUE(boxes.empty());
            ScrollView* view = window.view;
            ASSERT_NE(view, nullptr);
            ASSERT_EQ(view->width, viewtest::kViewWidth);
            EXPECT_TRUE(window.showsWhatTheReferenceDraws());
            const uint64_t shown = committedPrivateBytes();
            const uint64_t imageBytes = 2 * pagesFor((uint64_t)view->width * view->height * 4);
            EXPECT_LE(shown, beforeView + documentPages(file) + imageBytes + kSlack);

            int keys = 0;
            while (!view->atBottom && keys < 1000) {
                window.key(VK_DOWN, 0xFFFF);
                ++keys;
            }
            ASSERT_TRUE(view->atBottom);
            // The last line sits above one empty row at the bottom edge; a
            // text shorter than the view stays at the top.
            const bool shorter = file.lines < view->visibleLines;
            EXPECT_EQ(view->topLine, shorter ? 0 : file.lines - view->visibleLines);
            EXPECT_EQ(view->pixelOffset, shorter ? 0 : view->height - 16 * view->visibleLines - 16);
            EXPECT_TRUE(window.showsWhatTheReferenceDraws());
            // A full page back up and down again lands on the same frame.
            window.key(VK_PRIOR, 1);
            if (!shorter)
                EXPECT_FALSE(view->atBottom);
            window.key(VK_NEXT, 1);
            window.key(VK_NEXT, 1);
            EXPECT_EQ(view->topLine, shorter ? 0 : file.lines - view->visibleLines);
            EXPECT_TRUE(window.showsWhatTheReferenceDraws());
            // Fitting the frame to this text stays on the screen.
            const WindowSize fit = fitWindowSize(view->document);
            const WindowPlacement place = placeOnScreen(fit.width, fit.height);
            EXPECT_GT(place.width, 0);
            EXPECT_LE(place.width, GetSystemMetrics(SM_CXMAXIMIZED));
            EXPECT_LE(place.height, GetSystemMetrics(SM_CYMAXIMIZED));
            const double scrolling = secondsSince(start);
            window.close();
            EXPECT_LE(committedPrivateBytes(), beforeView + kSlack);
            std::printf("[ measure  ] %s in a view: kept %.3f x the file size, end reached with %d "
                        "key presses, %.2f s from opening to closing\n",
                        file.name, double(shown - beforeView) / double(file.length), keys, scrolling);
        }
        scratch.remove(path);
    }
}

// ---------------------------------------------------------------------------
// Registry values of the wrong type and size

const char kSettingsKey[] = "Software\\Tavelin";
const char kSavedKey[] = "Software\\TavelinBadInputSaved";

// Moves the user's settings aside for the test and puts them back after it.
class SettingsAside {
public:
    SettingsAside()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kSavedKey);
        HKEY existing;
        had_ = RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &existing) == ERROR_SUCCESS;
        if (had_) {
            HKEY saved;
            RegCreateKeyA(HKEY_CURRENT_USER, kSavedKey, &saved);
            RegCopyTreeA(existing, nullptr, saved);
            RegCloseKey(saved);
            RegCloseKey(existing);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    }
    ~SettingsAside()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        if (had_) {
            HKEY saved, restored;
            RegOpenKeyExA(HKEY_CURRENT_USER, kSavedKey, 0, KEY_READ, &saved);
            RegCreateKeyA(HKEY_CURRENT_USER, kSettingsKey, &restored);
            RegCopyTreeA(saved, nullptr, restored);
            RegCloseKey(restored);
            RegCloseKey(saved);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, kSavedKey);
    }

private:
    bool had_ = false;
};

struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<uint8_t> bytes;
    bool present = false;
};

StoredValue storedValue(const char* name)
{
    StoredValue value;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        value.present = RegQueryValueExA(key, name, nullptr, &value.type, value.bytes.data(),
                                         &size) == ERROR_SUCCESS;
        value.bytes.resize(size);
    }
    RegCloseKey(key);
    return value;
}

std::vector<uint8_t> dwordBytes(uint32_t value)
{
    return { uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24) };
}

TEST(BadInputSettings, ValuesOfOtherTypesAreUsedWhenShortAndReplacedWhenLong)
{
    SettingsAside aside;
    const std::vector<uint8_t> big(64 * 1024, 0x5A);
    const struct {
        const char* name;
        DWORD type;
        std::vector<uint8_t> bytes;
        bool replaced;          // by the default, as a REG_DWORD
        uint32_t foreColor;     // as loaded
    } cases[] = {
        { "string of three letters", REG_SZ, { 'a', 'b', 'c', 0 }, false, 0x00636261 },
        { "string of four letters", REG_SZ, { 'a', 'b', 'c', 'd', 0 }, true, 0xFFFFFF },
        { "expandable string", REG_EXPAND_SZ, { '%', 'A', '%', 0 }, false, 0x00254125 },
        { "multi-string", REG_MULTI_SZ, { 'x', 0, 0 }, false, 0x78 },
        { "big-endian dword, read as stored", REG_DWORD_BIG_ENDIAN, { 0, 0x11, 0x22, 0x33 }, false,
          0x33221100 },
        { "no type, no bytes", REG_NONE, {}, false, 0 },
        { "64 KiB of binary", REG_BINARY, big, true, 0xFFFFFF },
        { "qword", REG_QWORD, { 1, 0, 0, 0, 0, 0, 0, 0 }, true, 0xFFFFFF },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HKEY key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kSettingsKey, &key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, "fgColor", 0, c.type, c.bytes.data(), (DWORD)c.bytes.size()),
                  ERROR_SUCCESS);
        // The other three are good and must stay as they are.
        const std::vector<uint8_t> back = dwordBytes(0x00102030), off = dwordBytes(0);
        RegSetValueExA(key, "bgColor", 0, REG_DWORD, back.data(), 4);
        RegSetValueExA(key, "bFade", 0, REG_DWORD, off.data(), 4);
        RegSetValueExA(key, "bCopyOnSelect", 0, REG_DWORD, off.data(), 4);
        RegCloseKey(key);

        const Settings settings = loadSettings();
        EXPECT_EQ(settings.foreColor, c.foreColor);
        EXPECT_EQ(settings.backColor, 0x00102030u);
        EXPECT_EQ(settings.fadeEnabled, 0);
        EXPECT_EQ(settings.copyOnSelect, 0);
        const StoredValue fore = storedValue("fgColor");
        ASSERT_TRUE(fore.present);
        if (c.replaced) {
            EXPECT_EQ(fore.type, (DWORD)REG_DWORD);
            EXPECT_EQ(fore.bytes, dwordBytes(0xFFFFFF));
        } else {   // nothing lost: the value is left as the user stored it
            EXPECT_EQ(fore.type, c.type);
            EXPECT_EQ(fore.bytes, c.bytes);
        }
        EXPECT_EQ(storedValue("bgColor").bytes, back);
        EXPECT_EQ(storedValue("bFade").bytes, off);
    }
}

TEST(BadInputSettings, SubkeyInPlaceOfAValueGetsTheDefaultBesideIt)
{
    SettingsAside aside;
    HKEY subkey;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Tavelin\\bFade", &subkey), ERROR_SUCCESS);
    RegCloseKey(subkey);
    const Settings settings = loadSettings();
    EXPECT_NE(settings.fadeEnabled, 0);
    EXPECT_EQ(storedValue("bFade").bytes, dwordBytes(1));
    HKEY still;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tavelin\\bFade", 0, KEY_READ, &still),
              ERROR_SUCCESS);
    RegCloseKey(still);
}

// ---------------------------------------------------------------------------
// A clipboard that another process keeps open

TEST(BadInputClipboard, ClipboardHeldByAnotherProcessIsLeftAloneWithoutAWord)
{
    Scratch scratch;
    const std::string path = scratch.write("copy.nfo", "first\r\nsecond\r\nthird\r\n");
    ViewWindow window(new TextDocument(path.c_str()));
    ScrollView* view = window.view;
    ASSERT_NE(view, nullptr);
    viewtest::setClipboardText("the user's own text");
    view->anchorLine = 1;
    view->anchorColumn = 2;
    view->caretLine = 3;
    view->caretColumn = 5;
    view->selReversed = 0;
    view->hasSelection = 1;
    {
        ErrorBoxes boxes;
        HelperProcess holder(Role::HoldClipboard);
        ASSERT_TRUE(holder.holds());
        // Held for real: this process cannot open it either.
        if (OpenClipboard(nullptr)) {
            CloseClipboard();
            FAIL() << "the clipboard was not held";
        }
        view->copySelection();
        EXPECT_EQ(holder.release(), 0u);
        EXPECT_TRUE(boxes.finish().empty());
    }
    EXPECT_EQ(viewtest::clipboardText(), "the user's own text");
    // The failed attempt left nothing open: the next copy lands.
    view->copySelection();
    EXPECT_EQ(viewtest::clipboardText(), "rst\nsecond\nthird");
}

}  // namespace
