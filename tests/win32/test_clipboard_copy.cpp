// copySelection against the real clipboard under Wine: the text and the size
// of the block that lands there, the Unicode form a program pastes, a clipboard left alone when there is nothing
// to copy or when another thread holds it open, and a real CR LF file.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/text_document.h"
#include "document/utf8_encoder.h"
#include "tests/support/line_document.h"
#include "tests/support/win32_test_helpers.h"
#include "view/scroll_view.h"

namespace {

struct ClipboardContent {
    bool hasText = false;
    std::string text;
    SIZE_T blockSize = 0;
    std::u16string unicode;     // CF_UNICODETEXT as the clipboard hands it out
};

// UTF-16 text as UTF-8, so that a failed comparison prints both sides.
std::string utf8Of(const std::u16string& text)
{
    std::string out;
    for (char16_t unit : text)
        appendUtf8(out, unit);
    return out;
}

// Other windows may hold the clipboard for a moment; try for a while.
bool openClipboardPatiently(HWND owner)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (OpenClipboard(owner))
            return true;
        Sleep(10);
    }
    return false;
}

ClipboardContent readClipboard()
{
    ClipboardContent content;
    if (!openClipboardPatiently(nullptr))
        return content;
    HANDLE block = GetClipboardData(CF_TEXT);
    if (block) {
        const char* text = (const char*)GlobalLock(block);
        if (text) {
            content.hasText = true;
            content.blockSize = GlobalSize(block);
            content.text.assign(text, strnlen(text, content.blockSize));
            GlobalUnlock(block);
        }
    }
    block = GetClipboardData(CF_UNICODETEXT);
    if (const char16_t* units = block ? (const char16_t*)GlobalLock(block) : nullptr) {
        content.unicode.assign(units, wcsnlen((const wchar_t*)units, GlobalSize(block) / 2));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return content;
}

void writeClipboard(HWND owner, const std::string& text)
{
    ASSERT_TRUE(openClipboardPatiently(owner));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    char* bytes = (char*)GlobalLock(block);
    memcpy(bytes, text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

HWND plainWindow()
{
    return CreateWindowA("STATIC", "clipboard test", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

class ClipboardCopy : public testing::Test {
protected:
    void SetUp() override
    {
        window = plainWindow();
        ASSERT_NE(window, nullptr);
        view = new ScrollView(0x00FFFFFF, 0x00404040, 1, 1, doc.document());
        ASSERT_NE(view, nullptr);
        view->viewWnd = window;
    }
    void TearDown() override
    {
        if (view->document == doc.document())
            view->document = nullptr;   // the holder owns it
        delete view;
        DestroyWindow(window);
    }
    void select(int anchorLine, int anchorColumn, int caretLine, int caretColumn, bool reversed)
    {
        view->anchorLine = anchorLine;
        view->anchorColumn = anchorColumn;
        view->caretLine = caretLine;
        view->caretColumn = caretColumn;
        view->selReversed = reversed;
        view->hasSelection = 1;
    }

    LineDocument doc{ { "", "0123456789", "abcd", "ABCDEFGH", "\ttab \xb0\xb1\xb2\xdb end",
                        "\xdb\xb1\xb0\xb2\xc4\xcd \x01\x7f\r\xff" } };
    HWND window = nullptr;
    ScrollView* view = nullptr;
};

struct CopyCase {
    const char* name;
    int anchorLine, anchorColumn, caretLine, caretColumn;
    bool reversed;
    std::string text;
    SIZE_T blockSize;   // the least the block may hold
    std::u16string unicode;
};

TEST_F(ClipboardCopy, PutsTheSelectedTextOnTheClipboard)
{
    const CopyCase cases[] = {
        { "one line", 1, 2, 1, 5, false, "234", 4, u"234" },
        { "one line, right to left", 1, 5, 1, 2, true, "234", 4, u"234" },
        { "three lines", 1, 3, 3, 2, false, "3456789\nabcd\nAB", 22, u"3456789\r\nabcd\r\nAB" },
        { "past the last line", 3, 6, 6, 0, false, "GH\n\ttab \xb0\xb1\xb2\xdb end\n\xdb\xb1\xb0\xb2\xc4\xcd \x01\x7f\r\xff\n",
          3 + 14 + 12 + 1, u"GH\r\n\ttab \u2591\u2592\u2593\u2588 end\r\n\u2588\u2592\u2591\u2593\u2500\u2550 \u263A\u2302\u266A\u00A0\r\n" },
        { "bytes unchanged", 4, 0, 4, 99, false, "\ttab \xb0\xb1\xb2\xdb end", 14, u"\ttab \u2591\u2592\u2593\u2588 end" },
    };
    for (const CopyCase& c : cases) {
        SCOPED_TRACE(c.name);
        writeClipboard(window, "before");
        select(c.anchorLine, c.anchorColumn, c.caretLine, c.caretColumn, c.reversed);
        view->copySelection();
        ClipboardContent got = readClipboard();
        ASSERT_TRUE(got.hasText);
        EXPECT_EQ(got.text, c.text);
        EXPECT_GE(got.blockSize, c.blockSize);
        EXPECT_EQ(utf8Of(got.unicode), utf8Of(c.unicode));
    }
}

TEST_F(ClipboardCopy, NothingToCopyLeavesTheClipboardAlone)
{
    struct Untouched {
        const char* name;
        int anchorLine, anchorColumn, caretLine, caretColumn;
        bool withDocument;
    };
    const Untouched cases[] = {
        { "click without a move", 2, 2, 2, 2, true },
        { "line 0 to the start of line 1", 0, 4, 1, 0, true },
        { "both past the end of a line", 1, 20, 1, 30, true },
        { "no document", 1, 0, 3, 3, false },
    };
    for (const Untouched& c : cases) {
        SCOPED_TRACE(c.name);
        writeClipboard(window, "keep me");
        select(c.anchorLine, c.anchorColumn, c.caretLine, c.caretColumn, false);
        view->document = c.withDocument ? doc.document() : nullptr;
        view->copySelection();
        EXPECT_EQ(readClipboard().text, "keep me");
    }
}

// A second thread opens the clipboard with a window of its own and keeps it
// open until told to let go.
struct ClipboardHolder {
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool held = false;

    static DWORD WINAPI run(void* parameter)
    {
        ClipboardHolder* self = (ClipboardHolder*)parameter;
        HWND window = plainWindow();
        self->held = window && openClipboardPatiently(window);
        SetEvent(self->opened);
        WaitForSingleObject(self->release, 10000);
        if (self->held)
            CloseClipboard();
        DestroyWindow(window);
        return 0;
    }
};

TEST_F(ClipboardCopy, ClipboardHeldByAnotherThreadIsLeftAlone)
{
    writeClipboard(window, "held elsewhere");
    ClipboardHolder holder;
    HANDLE thread = CreateThread(nullptr, 0, ClipboardHolder::run, &holder, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(holder.opened, 10000), WAIT_OBJECT_0);
    ASSERT_TRUE(holder.held);

    select(1, 0, 3, 4, false);
    view->copySelection();

    SetEvent(holder.release);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(holder.opened);
    CloseHandle(holder.release);
    EXPECT_EQ(readClipboard().text, "held elsewhere");

    // The clipboard is not left open by the failed attempt: the next copy works.
    view->copySelection();
    EXPECT_EQ(readClipboard().text, "0123456789\nabcd\nABCD");
}

// A file with CR LF line ends: the copy joins its lines with line feeds only.
TEST_F(ClipboardCopy, CarriageReturnsOfTheFileAreNotCopied)
{
    char folder[MAX_PATH], path[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
    ASSERT_NE(GetTempFileNameA(folder, "nfo", 0, path), 0u);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const char text[] = "first\r\nsecond\r\nthird\r\n";
    DWORD written = 0;
    WriteFile(file, text, sizeof text - 1, &written, nullptr);
    CloseHandle(file);

    view->document = new TextDocument(path);   // the view deletes it
    DeleteFileA(path);
    ASSERT_NE(view->document, nullptr);
    select(1, 2, 3, 5, false);
    view->copySelection();
    EXPECT_EQ(readClipboard().text, "rst\nsecond\nthird");
}

// ANSI art: the copy takes the cells' bytes, a NUL as a blank, each row's
// trailing blanks left out (coloured ones too), and their glyphs as Unicode.
TEST_F(ClipboardCopy, AnsiArtCopiesTheBytesOfItsCells)
{
    const std::string path = tempPath("tavelin_copy.ans");
    writeFile(path, std::string("\x1b[44mAB\0C\x1b[10C\x1b[0m\r\n\x1b[5C\x1b[31m\xDB\xB1   \x1b[42m  \r\n", 43));
    view->document = new TextDocument(path.c_str());   // the view deletes it
    DeleteFileA(path.c_str());
    ASSERT_NE(view->document->canvas, nullptr);
    select(1, 1, 2, 80, false);
    view->copySelection();
    ClipboardContent got = readClipboard();
    EXPECT_EQ(got.text, "B C\n     \xDB\xB1");
    EXPECT_TRUE(got.unicode == u"B C\r\n     \u2588\u2592");
}

}  // namespace
