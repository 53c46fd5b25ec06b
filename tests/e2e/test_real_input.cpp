// End-to-end tests with real input: start the real tavelin.exe (TAVELIN_EXE)
// on a generated file of 300 numbered lines, bring its frame to the
// foreground and drive it with SendInput only, keyboard and mouse, the way a
// user does. What the user sees is read back from the screen: the picture of
// the view is matched, pixel for pixel, against the file's lines drawn in the
// built-in font, which gives the scroll position in pixels; and the clipboard
// is read for what a selection copied.
//
// At high DPI (ctest e2e_192dpi) the same tests run in logical pixels: the
// picture is read back as blocks of the screen's scale and the pointer placed
// at the screen pixels of logical points.
//
// Every wait polls with a deadline; every program is closed (WM_CLOSE, then
// TerminateProcess), every mouse button released, the settings put back as
// they were before the test.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "app/window_fit.h"
#include "tests/support/win32_program_run.h"
#include "tests/support/win32_test_helpers.h"
#include "tests/support/win32_unix_command.h"
#include "view/display_scale.h"
#include "view/vga_font.h"

namespace {

// The view's picture with the default colours: white text on dark grey, and a
// selection drawn black on white.
const uint32_t kInk = 0xFFFFFF;
const uint32_t kPaper = 0x404040;
const uint32_t kSelectedInk = 0x000000;
const uint32_t kSelectedPaper = 0xFFFFFF;
const int kFadeRows = 30;      // rows at the top and bottom edge blended into the paper
const int kCell = 8, kRow = 16, kTextLeft = 10;
const int kFileLines = 300;

const char* const kSettingNames[] = {"bgColor", "fgColor", "bFade", "bCopyOnSelect"};

void keepPointer();

// Polls until test() holds or the time runs out; meanwhile the pointer is
// kept where the test last put it (see movePointer).
// ---------------------------------------------------------------------------
// The file and what a selection of it copies

// Line n (1..300) of the file; all lines have the same length.
std::string fileLine(int n)
{
    char text[80];
    snprintf(text, sizeof(text), "Line %03d: the quick brown fox, %03d lazy dogs", n, 301 - n);
    return text;
}

// The document's lines as the program holds them: the empty line 0 first.
std::vector<std::string> documentLines()
{
    std::vector<std::string> lines(1);
    for (int n = 1; n <= kFileLines; ++n)
        lines.push_back(fileLine(n));
    return lines;
}

std::string fileText()
{
    std::string text;
    for (int n = 1; n <= kFileLines; ++n)
        text += fileLine(n) + "\r\n";
    return text;
}

// The text between (line a, column ca) and (line b, column cb), a before b,
// both on file lines: lines joined by a line feed, no carriage return.
std::string selectedText(const std::vector<std::string>& lines, int a, int ca, int b, int cb)
{
    if (a == b)
        return lines[a].substr(ca, cb - ca);
    std::string text = lines[a].substr(ca) + "\n";
    for (int i = a + 1; i < b; ++i)
        text += lines[i] + "\n";
    return text + lines[b].substr(0, cb);
}

// Client x inside the range that gives column c (8c + 6 to 8c + 13), and
// client y in the middle of text row r at the top position.
int columnX(int c) { return kCell * c + 9; }
int rowY(int r) { return kRow * r + 8; }

// ---------------------------------------------------------------------------
// Settings, clipboard

// The program's settings as they were, put back when the test ends.
class SavedSettings {
public:
    SavedSettings()
    {
        HKEY key;
        existed_ = RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
        for (int i = 0; i < 4; ++i) {
            Value& v = values_[i];
            v.present = false;
            if (!existed_)
                continue;
            DWORD size = sizeof(v.data);
            v.present = RegQueryValueExA(key, kSettingNames[i], nullptr, &v.type, v.data,
                                         &size) == ERROR_SUCCESS;
            v.size = size;
        }
        if (existed_)
            RegCloseKey(key);
    }
    ~SavedSettings()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        if (!existed_)
            return;
        HKEY key;
        if (RegCreateKeyA(HKEY_CURRENT_USER, kSettingsKey, &key) != ERROR_SUCCESS)
            return;
        for (int i = 0; i < 4; ++i)
            if (values_[i].present)
                RegSetValueExA(key, kSettingNames[i], 0, values_[i].type, values_[i].data,
                               values_[i].size);
        RegCloseKey(key);
    }

private:
    struct Value {
        bool present;
        DWORD type, size;
        BYTE data[256];
    };
    bool existed_;
    Value values_[4];
};

bool openClipboardPatiently()
{
    return waitFor([]() { return OpenClipboard(nullptr) != 0; }, 2000);
}

// The CF_TEXT on the clipboard; "<none>" when there is none.
std::string clipboardText()
{
    std::string text = "<none>";
    if (!openClipboardPatiently())
        return "<clipboard busy>";
    HANDLE block = GetClipboardData(CF_TEXT);
    if (block) {
        const char* data = static_cast<const char*>(GlobalLock(block));
        if (data) {
            text.assign(data, strnlen(data, GlobalSize(block)));
            GlobalUnlock(block);
        }
    }
    CloseClipboard();
    return text;
}

void setClipboardText(const std::string& text)
{
    ASSERT_TRUE(openClipboardPatiently());
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
    ASSERT_EQ(text, clipboardText());
}

// ---------------------------------------------------------------------------
// Real input

void sendInputs(INPUT* inputs, UINT count)
{
    ASSERT_EQ(count, SendInput(count, inputs, sizeof(INPUT)));
}

void pressKey(WORD key)
{
    INPUT inputs[2];
    ZeroMemory(inputs, sizeof(inputs));
    bool extended = key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT;
    for (int i = 0; i < 2; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = key;
        inputs[i].ki.wScan = WORD(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
        inputs[i].ki.dwFlags = (extended ? KEYEVENTF_EXTENDEDKEY : 0) | (i ? KEYEVENTF_KEYUP : 0);
    }
    sendInputs(inputs, 2);
}

// Normalised absolute coordinate (0..65535 over the virtual screen) that maps
// back to the pixel `pixel`: the smallest n with n * extent / 65536 >= pixel.
LONG normalised(int pixel, int origin, int extent)
{
    return LONG((int64_t(pixel - origin) * 65536 + extent - 1) / extent);
}

// Where the test last put the pointer.
bool pointerPlaced = false;
POINT pointerTarget;

bool pointerAtTarget()
{
    POINT at;
    return GetCursorPos(&at) && at.x == pointerTarget.x && at.y == pointerTarget.y;
}

void sendPointerMove()
{
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    INPUT input;
    ZeroMemory(&input, sizeof(input));
    input.type = INPUT_MOUSE;
    input.mi.dx = normalised(pointerTarget.x, left, width);
    input.mi.dy = normalised(pointerTarget.y, top, height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    sendInputs(&input, 1);
}

// Under Wine on X every move warps the X pointer, and the X server reports
// the warp back as a motion a little later, to another process, which hands
// it to the system as a move of its own. When that echo of an earlier move
// arrives after a later one, the pointer jumps back, the more likely the
// busier the machine. So the tests keep the pointer where they put it: every
// wait puts it back when it has left its place.
void keepPointer()
{
    if (pointerPlaced && !pointerAtTarget())
        sendPointerMove();
}

// Moves the pointer to the screen point (x, y) with an absolute move and
// waits until it has stayed there for 150 ms.
void movePointer(int x, int y)
{
    pointerTarget.x = x;
    pointerTarget.y = y;
    pointerPlaced = true;
    for (int attempt = 0; attempt < 10; ++attempt) {
        sendPointerMove();
        if (!waitFor(pointerAtTarget, 1000))
            continue;
        DWORD start = GetTickCount();
        bool stayed = true;
        while (stayed && GetTickCount() - start < 150) {
            Sleep(10);
            stayed = pointerAtTarget();
        }
        if (stayed)
            return;
    }
    POINT at = {-1, -1};
    GetCursorPos(&at);
    ADD_FAILURE() << "pointer at " << at.x << "," << at.y << " instead of " << x << "," << y;
}

// An echo may also reach the program after the move it echoes while the
// system's pointer ends where the test put it: the program's last move is
// then an old one, and nothing tells it otherwise. A pixel down and back is
// news it cannot have had yet.
void retellPointer()
{
    const POINT target = pointerTarget;
    movePointer(target.x, target.y + 1);
    movePointer(target.x, target.y);
}

// A mouse button or wheel event, sent where the test put the pointer, with
// that place in the same event, so that an echo arriving just before it
// cannot move the press.
void sendMouse(DWORD flags, DWORD data = 0)
{
    if (pointerPlaced && !pointerAtTarget())
        movePointer(pointerTarget.x, pointerTarget.y);
    INPUT input;
    ZeroMemory(&input, sizeof(input));
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.mouseData = data;
    if (pointerPlaced) {
        const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        input.mi.dx = normalised(pointerTarget.x, left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
        input.mi.dy = normalised(pointerTarget.y, top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
        input.mi.dwFlags |= MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    }
    sendInputs(&input, 1);
}

// Lets go of every mouse button that is still down (after a failed check).
void releaseButtons()
{
    const struct {
        int key;
        DWORD up;
    } buttons[] = {{VK_LBUTTON, MOUSEEVENTF_LEFTUP},
                   {VK_RBUTTON, MOUSEEVENTF_RIGHTUP},
                   {VK_MBUTTON, MOUSEEVENTF_MIDDLEUP}};
    for (const auto& b : buttons)
        if (GetAsyncKeyState(b.key) & 0x8000)
            sendMouse(b.up);
}

// ---------------------------------------------------------------------------
// The picture of the view

struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;   // 0x00RRGGBB
    uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// No colour of the screen (which has no alpha): a block of several colours.
const uint32_t kMixedBlock = 0xFF000000u;

// The colour of the logical pixel (x, y) of a screen picture at `scale`: its
// s x s block (cut by the picture's edges) must be all one colour.
uint32_t blockColour(const Picture& screen, int x, int y, int scale)
{
    const int left = x * scale, top = y * scale;
    if (left >= screen.width || top >= screen.height)
        return kMixedBlock;
    const uint32_t colour = screen.at(left, top);
    for (int sy = top; sy < std::min(top + scale, screen.height); ++sy)
        for (int sx = left; sx < std::min(left + scale, screen.width); ++sx)
            if (screen.at(sx, sy) != colour)
                return kMixedBlock;
    return colour;
}

// The view's client area as it is on the screen, in logical pixels, or an
// empty picture that matches nothing when a block is not of one colour.
Picture capture(HWND view, int scale)
{
    Picture screen;
    screen.pixels = captureClient(view, &screen.width, &screen.height);
    if (scale == 1)
        return screen;
    Picture logical;
    logical.width = logicalExtent(screen.width, scale);
    logical.height = logicalExtent(screen.height, scale);
    logical.pixels.resize(size_t(logical.width) * logical.height);
    for (int y = 0; y < logical.height; ++y)
        for (int x = 0; x < logical.width; ++x)
            if ((logical.pixels[size_t(y) * logical.width + x] = blockColour(screen, x, y, scale)) == kMixedBlock)
                return Picture();
    return logical;
}

// The document drawn in the built-in font, one row of ink flags per pixel row
// of the document (document y = 16 * line + glyph row), as wide as the view.
class DocumentImage {
public:
    DocumentImage(const std::vector<std::string>& lines, int width)
        : width_(width), rows_(int(lines.size()) * kRow), ink_(size_t(rows_) * width, 0)
    {
        for (int y = 0; y < rows_; ++y) {
            const std::string& line = lines[y / kRow];
            for (int x = kTextLeft; x < width; ++x) {
                size_t c = size_t(x - kTextLeft) / kCell;
                if (c >= line.size())
                    break;
                uint8_t bits = vgaFont[16 * uint8_t(line[c]) + y % kRow];
                ink_[size_t(y) * width + x] = (bits & (0x80 >> ((x - kTextLeft) % kCell))) != 0;
            }
        }
    }

    // Whether view row y of the picture shows document row docY (rows below
    // the document are empty). With `selection`, a selected cell (black on
    // white) counts as well as a plain one.
    bool rowMatches(const Picture& picture, int y, int docY, bool selection) const
    {
        const uint32_t* row = &picture.pixels[size_t(y) * picture.width];
        const uint8_t* ink = docY < rows_ ? &ink_[size_t(docY) * width_] : nullptr;
        for (int x = 0; x < picture.width; ++x) {
            bool expected = ink && ink[x];
            uint32_t p = row[x];
            bool plain = p == (expected ? kInk : kPaper);
            bool selected = p == (expected ? kSelectedInk : kSelectedPaper);
            if (!plain && !(selection && selected))
                return false;
        }
        return true;
    }

    // The scroll position P (the document y at the top edge of the view) that
    // the picture shows, or -1 when it shows none. The faded edges are not
    // compared.
    int positionOf(const Picture& picture, bool selection = false) const
    {
        if (picture.width != width_ || picture.height <= 2 * kFadeRows + kRow)
            return -1;
        int maxP = rows_ + kRow - picture.height;   // the bottom position
        for (int p = 0; p <= maxP; ++p) {
            bool match = true;
            // A coarse pass first, then every row.
            for (int step : {7, 1}) {
                for (int y = kFadeRows; match && y < picture.height - kFadeRows; y += step)
                    match = rowMatches(picture, y, p + y, selection);
            }
            if (match)
                return p;
        }
        return -1;
    }

private:
    int width_, rows_;
    std::vector<uint8_t> ink_;
};

// ---------------------------------------------------------------------------
// The program

class RealInput : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, getenv("TAVELIN_EXE")) << "TAVELIN_EXE names the program to test";
        settings_.reset(new SavedSettings);
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        filePath_ = tempPath("tavelin_real_input.nfo");
        writeFile(filePath_, fileText());
        lines_ = documentLines();
    }
    void TearDown() override
    {
        releaseButtons();
        program_.reset();
        DeleteFileA(filePath_.c_str());
        settings_.reset();
    }

    // Starts the program with the given copy-on-select flag, brings its frame
    // to the foreground and waits for the first picture, at the top.
    void launch(DWORD copyOnSelect)
    {
        writeDword("bCopyOnSelect", copyOnSelect);
        program_.reset(new ProgramRun(filePath_));
        ASSERT_TRUE(program_->started()) << getenv("TAVELIN_EXE");
        frame_ = program_->waitForWindow("NFO_Window");
        ASSERT_NE(nullptr, frame_);
        view_ = FindWindowExA(frame_, nullptr, "Tavelin", "WinName");
        ASSERT_NE(nullptr, view_);
        ASSERT_TRUE(waitFor([&]() {
            SetForegroundWindow(frame_);
            return GetForegroundWindow() == frame_;
        }, 5000)) << "the frame did not come to the foreground";
        // The screen's scale, as the program takes it from the same DPI.
        HDC screen = GetDC(nullptr);
        scale_ = scaleForDpi(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
        RECT client;
        GetClientRect(view_, &client);
        width_ = logicalExtent(client.right, scale_);
        height_ = logicalExtent(client.bottom, scale_);
        visibleLines_ = height_ / kRow;
        ASSERT_GT(visibleLines_, 20) << "the view is too small for these tests";
        image_.reset(new DocumentImage(lines_, width_));
        ASSERT_EQ(0, waitForPosition([](int p) { return p == 0; }))
            << "the first picture is not the file's top";
    }

    Picture picture() { return capture(view_, scale_); }
    int position(bool selection = false) { return image_->positionOf(picture(), selection); }

    // Polls the picture until its scroll position satisfies test, keeping the
    // pointer in its place; returns the last position seen (-1: no picture of
    // the file).
    template <typename Test>
    int waitForPosition(Test test, DWORD ms = 3000, bool selection = false)
    {
        int p = -1;
        waitFor([&]() {
            keepPointer();
            return (p = position(selection)) >= 0 && test(p);
        }, ms);
        return p;
    }

    // The same for a position that the pointer's last move decides: when it
    // is not reached within a second, the move is told again (retellPointer).
    template <typename Test>
    int waitForPositionAfterMove(Test test, DWORD ms = 3000, bool selection = false)
    {
        int p = waitForPosition(test, 1000, selection);
        if (p >= 0 && test(p))
            return p;
        retellPointer();
        return waitForPosition(test, ms, selection);
    }

    // Waits until the picture stays the same for 500 ms; returns its position,
    // or -1 when it kept changing.
    int waitForStillness(DWORD ms = 4000, bool selection = false)
    {
        Picture before = picture();
        DWORD start = GetTickCount();
        while (GetTickCount() - start < ms) {
            for (int i = 0; i < 25; ++i) {
                Sleep(20);
                keepPointer();
            }
            Picture after = picture();
            if (after.pixels == before.pixels)
                return image_->positionOf(after, selection);
            before = after;
        }
        return -1;
    }

    // The screen point of a logical client point of the view.
    POINT screenPoint(int x, int y)
    {
        POINT p = {x * scale_, y * scale_};
        ClientToScreen(view_, &p);
        return p;
    }

    // Moves the pointer to a client point of the view, where the view must be
    // the window the user sees.
    void moveTo(int x, int y)
    {
        POINT p = screenPoint(x, y);
        movePointer(p.x, p.y);
        EXPECT_EQ(view_, WindowFromPoint(p)) << "another window lies over the view at " << x
                                             << "," << y;
    }

    // The colour of the view's logical pixel at a client point. Only its own
    // block must be of one colour: an open menu, drawn in screen pixels, may
    // lie over the rest of the view.
    uint32_t pixelAt(int x, int y)
    {
        Picture screen;
        screen.pixels = captureClient(view_, &screen.width, &screen.height);
        return blockColour(screen, x, y, scale_);
    }

    // Whether a selection shows: its ink is black, which nothing else in the
    // picture is (the fade only blends toward the dark grey paper).
    bool selectionShown()
    {
        for (uint32_t p : picture().pixels)
            if (p == kSelectedInk)
                return true;
        return false;
    }

    // Releases the right button at the end of a selection drawn on screen and
    // returns what the copy put on the clipboard. The clipboard is read only
    // after the picture shows the selection gone, which the program draws
    // once the copy is over: a read while the program copies would hold the
    // clipboard open, and the program then silently copies nothing.
    std::string releaseAndReadClipboard()
    {
        if (!waitFor([&]() { return selectionShown(); }, 1000))
            retellPointer();
        EXPECT_TRUE(waitFor([&]() { return selectionShown(); }, 3000)) << "no selection shown";
        sendMouse(MOUSEEVENTF_RIGHTUP);
        EXPECT_TRUE(waitFor([&]() { return !selectionShown(); }, 3000))
            << "the selection stays after the release";
        return clipboardText();
    }

    // A right-button press at (line a, column ca) and a drag, through the
    // middle of the way, to (line b, column cb), at the top position; the
    // button stays down.
    void selectWithRightButton(int a, int ca, int b, int cb)
    {
        moveTo(columnX(ca), rowY(a));
        sendMouse(MOUSEEVENTF_RIGHTDOWN);
        moveTo(columnX((ca + cb) / 2), rowY((a + b) / 2));
        moveTo(columnX(cb), rowY(b));
    }

    std::unique_ptr<SavedSettings> settings_;
    std::unique_ptr<ProgramRun> program_;
    std::unique_ptr<DocumentImage> image_;
    std::string filePath_;
    std::vector<std::string> lines_;
    HWND frame_ = nullptr, view_ = nullptr;
    int scale_ = 1;
    int width_ = 0, height_ = 0, visibleLines_ = 0;   // logical pixels
};

// ---------------------------------------------------------------------------

TEST_F(RealInput, KeysMoveTheTextAndSpaceStartsAndStopsTheSlowScroll)
{
    ASSERT_NO_FATAL_FAILURE(launch(1));
    // Still without input.
    EXPECT_EQ(0, waitForStillness());

    pressKey(VK_DOWN);
    EXPECT_EQ(16, waitForPosition([](int p) { return p == 16; }));
    pressKey(VK_DOWN);
    EXPECT_EQ(32, waitForPosition([](int p) { return p == 32; }));
    pressKey(VK_UP);
    EXPECT_EQ(16, waitForPosition([](int p) { return p == 16; }));
    // A page is one line less than the view holds.
    const int page = kRow * (visibleLines_ - 1);
    pressKey(VK_NEXT);
    EXPECT_EQ(16 + page, waitForPosition([&](int p) { return p == 16 + page; }));
    pressKey(VK_PRIOR);
    EXPECT_EQ(16, waitForPosition([](int p) { return p == 16; }));

    // SPACE: the text creeps toward the end, about a pixel every 100 ms.
    pressKey(VK_SPACE);
    int moving = waitForPosition([](int p) { return p >= 20; });
    EXPECT_GE(moving, 20) << "SPACE did not start the scroll";
    int later = waitForPosition([&](int p) { return p >= moving + 3; });
    EXPECT_GE(later, moving + 3) << "the scroll did not go on";
    EXPECT_LT(later, 16 + 60) << "the slow scroll is not slow";

    // SPACE again: it stops (one tick may still come) and stays still.
    pressKey(VK_SPACE);
    int stopped = waitForStillness();
    EXPECT_GE(stopped, later);
    EXPECT_LE(stopped, later + 10);
    Sleep(500);
    EXPECT_EQ(stopped, position()) << "the text moved after the second SPACE";
    EXPECT_EQ(0, waitForStillness() - stopped);
    EXPECT_TRUE(program_->running());
}

TEST_F(RealInput, WheelLeftDragAndMiddleButtonSpeedScrollMoveTheText)
{
    ASSERT_NO_FATAL_FAILURE(launch(1));
    const int x = columnX(20), y = height_ / 2;
    moveTo(x, y);

    // The wheel over the window: three notches toward the user are three
    // lines down, one away from the user one line up.
    sendMouse(MOUSEEVENTF_WHEEL, DWORD(-3 * WHEEL_DELTA));
    EXPECT_EQ(48, waitForPosition([](int p) { return p == 48; }));
    sendMouse(MOUSEEVENTF_WHEEL, DWORD(WHEEL_DELTA));
    EXPECT_EQ(32, waitForPosition([](int p) { return p == 32; }));

    // Left drag: the text follows the pointer, pixel for pixel.
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    for (int d = 10; d <= 40; d += 10)
        moveTo(x, y - d);
    EXPECT_EQ(72, waitForPositionAfterMove([](int p) { return p == 72; })) << "dragged 40 px up";
    moveTo(x, y - 15);
    EXPECT_EQ(47, waitForPositionAfterMove([](int p) { return p == 47; })) << "dragged back 25 px down";
    sendMouse(MOUSEEVENTF_LEFTUP);
    // Released: moving the pointer no longer moves the text.
    moveTo(x, y + 30);
    EXPECT_EQ(47, waitForStillness());

    // Middle button: with the pointer 40 px below the press point the text
    // moves toward the end 40 px a tick; 24 px above it, back toward the start.
    const int start = 47;
    moveTo(x, y);
    sendMouse(MOUSEEVENTF_MIDDLEDOWN);
    Sleep(150);   // the press point is taken before the move
    moveTo(x, y + 40);
    int fast = waitForPosition([&](int p) { return p >= start + 120; }, 5000);
    EXPECT_GE(fast, start + 120) << "no speed scroll toward the end";
    EXPECT_EQ(0, (fast - start) % 40) << "not 40 px a tick: " << fast;
    moveTo(x, y - 24);
    int back = waitForPositionAfterMove([&](int p) { return p <= fast - 48; }, 5000);
    EXPECT_LE(back, fast - 48) << "no speed scroll toward the start";
    EXPECT_GE(back, 0);
    sendMouse(MOUSEEVENTF_MIDDLEUP);
    int stopped = waitForStillness();
    EXPECT_GE(stopped, 0) << "the speed scroll went on after the release";
    Sleep(300);
    EXPECT_EQ(stopped, position());
    EXPECT_TRUE(program_->running());
}

TEST_F(RealInput, RightDragShowsTheSelectionAndCopiesItOnRelease)
{
    ASSERT_NO_FATAL_FAILURE(launch(1));
    ASSERT_NO_FATAL_FAILURE(setClipboardText("the user's own text"));

    // Forward over four lines. While the button is down the range shows
    // inverted (line 4 whole, on white paper; line 8 untouched) and nothing
    // is copied yet.
    selectWithRightButton(3, 5, 6, 12);
    EXPECT_TRUE(waitFor([&]() { return pixelAt(kTextLeft, kRow * 4) == kSelectedPaper; }, 3000))
        << "the selection is not shown";
    EXPECT_EQ(kPaper, pixelAt(kTextLeft, kRow * 8));
    EXPECT_EQ("the user's own text", clipboardText()) << "copied before the release";
    EXPECT_EQ(selectedText(lines_, 3, 5, 6, 12), releaseAndReadClipboard());

    // Backward, from line 7 up to line 4: the same rule.
    selectWithRightButton(7, 20, 4, 3);
    EXPECT_EQ(selectedText(lines_, 4, 3, 7, 20), releaseAndReadClipboard());

    // Within one line, at the column boundaries nearest to the pointer: x at
    // the left end of a range (8c + 6) and at the right end (8c + 13).
    moveTo(kCell * 2 + 6, rowY(5));
    sendMouse(MOUSEEVENTF_RIGHTDOWN);
    moveTo(kCell * 9 + 13, rowY(5));
    EXPECT_EQ(lines_[5].substr(2, 7), releaseAndReadClipboard());

    // A right click without a move selects nothing and leaves the clipboard.
    ASSERT_NO_FATAL_FAILURE(setClipboardText("kept"));
    moveTo(columnX(4), rowY(9));
    sendMouse(MOUSEEVENTF_RIGHTDOWN);
    Sleep(100);
    sendMouse(MOUSEEVENTF_RIGHTUP);
    Sleep(500);
    EXPECT_EQ("kept", clipboardText());
    EXPECT_FALSE(selectionShown());
    EXPECT_TRUE(program_->running());
}

TEST_F(RealInput, SelectionDraggedBelowTheViewScrollsItAndReachesFurtherLines)
{
    ASSERT_NO_FATAL_FAILURE(launch(1));
    ASSERT_NO_FATAL_FAILURE(setClipboardText("the user's own text"));
    const int firstHidden = visibleLines_;   // at the top, lines 0..visibleLines-1 show
    moveTo(columnX(5), rowY(3));
    sendMouse(MOUSEEVENTF_RIGHTDOWN);
    moveTo(columnX(12), height_ / 2);
    // Below the view's bottom edge (on the status bar or beyond the frame):
    // the view scrolls a line a tick by itself.
    POINT below = screenPoint(columnX(12), height_ + 24);
    ASSERT_LT(below.y + 1, GetSystemMetrics(SM_CYVIRTUALSCREEN));
    movePointer(below.x, below.y);
    // Once the scroll has started the pointer stays still: it must go on by
    // itself. A late echo of the move into the middle can stop it after a
    // line, so a stall is told the pointer's place once more (two moves, far
    // fewer than the ten lines asked for).
    waitForPositionAfterMove([](int p) { return p > 0; }, 3000, true);
    int scrolled = waitForPositionAfterMove([](int p) { return p >= 10 * kRow; }, 6000, true);
    EXPECT_GE(scrolled, 10 * kRow) << "no edge scroll";
    // Back inside the view, two rows above the bottom edge: the edge scroll
    // stops while the button is down.
    const int stopY = kRow * (visibleLines_ - 3) + 8;
    moveTo(columnX(12), stopY);
    int held = waitForStillness(4000, true);
    ASSERT_GE(held, scrolled) << "the edge scroll did not stop";
    EXPECT_EQ(0, held % kRow) << "the edge scroll moves whole lines";
    // The caret is where the pointer is, in the scrolled view: past the
    // lines that showed at the start.
    const int endLine = (held + stopY) / kRow;
    ASSERT_GE(endLine, firstHidden + 5);
    ASSERT_LT(endLine, int(lines_.size()));
    std::string copied = releaseAndReadClipboard();
    EXPECT_EQ(selectedText(lines_, 3, 5, endLine, 12), copied)
        << "expected lines 3 to " << endLine;
    // After the copy the picture is the plain text at the position reached.
    EXPECT_EQ(held, waitForStillness());
}

TEST_F(RealInput, WithoutCopyOnSelectTheReleaseOpensTheMenuWhoseCopyCopies)
{
    ASSERT_NO_FATAL_FAILURE(launch(0));
    ASSERT_NO_FATAL_FAILURE(setClipboardText("the user's own text"));

    // The release opens the menu and copies nothing; the selection stays
    // shown; Copy chosen with the keyboard copies it and clears it.
    selectWithRightButton(3, 5, 5, 10);
    ASSERT_TRUE(waitFor([&]() { return selectionShown(); }, 3000)) << "no selection shown";
    sendMouse(MOUSEEVENTF_RIGHTUP);
    ASSERT_NE(nullptr, program_->waitForWindow("#32768", nullptr, 5000)) << "no menu after the release";
    EXPECT_EQ("the user's own text", clipboardText()) << "copied without the menu";
    EXPECT_EQ(kSelectedPaper, pixelAt(kTextLeft, kRow * 4)) << "the selection is not shown";
    pressKey(VK_DOWN);
    pressKey(VK_RETURN);
    EXPECT_TRUE(waitFor([&]() { return program_->findWindow("#32768") == nullptr; }, 3000));
    EXPECT_TRUE(waitFor([&]() { return !selectionShown(); }, 3000))
        << "the selection stays after Copy";
    EXPECT_EQ(selectedText(lines_, 3, 5, 5, 10), clipboardText());

    // Escape closes the menu without copying; the selection stays shown.
    // (A click on the item cannot be sent from here under Wine: while the
    // menu is open the program holds the X pointer grab, and Wine refuses to
    // warp the pointer for another process.)
    ASSERT_NO_FATAL_FAILURE(setClipboardText("the user's own text"));
    selectWithRightButton(6, 2, 8, 7);
    ASSERT_TRUE(waitFor([&]() { return selectionShown(); }, 3000)) << "no selection shown";
    sendMouse(MOUSEEVENTF_RIGHTUP);
    ASSERT_NE(nullptr, program_->waitForWindow("#32768", nullptr, 5000)) << "no menu after the release";
    pressKey(VK_ESCAPE);
    EXPECT_TRUE(waitFor([&]() { return program_->findWindow("#32768") == nullptr; }, 3000));
    Sleep(300);
    EXPECT_TRUE(selectionShown());
    EXPECT_EQ("the user's own text", clipboardText()) << "copied without Copy";

    // The next selection, chosen again with the keyboard, copies its own range.
    selectWithRightButton(9, 0, 9, 30);
    ASSERT_TRUE(waitFor([&]() { return pixelAt(columnX(20), kRow * 9) == kSelectedPaper; }, 3000));
    sendMouse(MOUSEEVENTF_RIGHTUP);
    ASSERT_NE(nullptr, program_->waitForWindow("#32768", nullptr, 5000)) << "no menu after the release";
    pressKey(VK_DOWN);
    pressKey(VK_RETURN);
    EXPECT_TRUE(waitFor([&]() { return !selectionShown(); }, 3000));
    EXPECT_EQ(lines_[9].substr(0, 30), clipboardText());
    EXPECT_TRUE(program_->running());
}

// The screen image equals tavelin-render's image of the same logical view at
// the screen's scale (--scale S --view WxH --at P), fade included: at the
// top, and after a drag that leaves a text row cut at the top edge.
TEST_F(RealInput, ScreenImageIsTheRenderersViewAtTheScreensScale)
{
    ASSERT_NE(nullptr, getenv("TAVELIN_RENDER")) << "TAVELIN_RENDER names tavelin-render";
    ASSERT_NO_FATAL_FAILURE(launch(1));
    const std::string unixFile = "/tmp/tavelin_real_input_" + std::to_string(GetCurrentProcessId()) + ".nfo";
    writeFile(windowsPath(unixFile.c_str()), fileText());
    const int x = columnX(20), y = height_ / 2;
    for (int at : {0, 53}) {
        if (at) {
            moveTo(x, y);
            sendMouse(MOUSEEVENTF_LEFTDOWN);
            moveTo(x, y - at);
            sendMouse(MOUSEEVENTF_LEFTUP);
        }
        const std::vector<uint32_t> rendered = renderedView(unixFile, width_, height_, at, scale_);
        ASSERT_FALSE(rendered.empty()) << "no image from the renderer";
        // The screen's part of the image: the last blocks may be cut.
        EXPECT_EQ(0u, pixelsUnlikeRendered(view_, rendered, width_, height_, scale_))
            << "pixels unlike the renderer's at " << at << ", scale " << scale_;
    }
    DeleteFileA(windowsPath(unixFile.c_str()).c_str());
}

// A double-click fits the frame to the text in the system's metrics of the
// screen's DPI, the text's own sizes in logical pixels.
TEST_F(RealInput, DoubleClickFitsTheFrameToTheTextAtTheScreensScale)
{
    ASSERT_NO_FATAL_FAILURE(launch(1));
    MoveWindow(frame_, 10, 10, 300 * scale_, 250 * scale_, TRUE);
    moveTo(columnX(3), rowY(3));
    for (int click = 0; click < 2; ++click) {
        sendMouse(MOUSEEVENTF_LEFTDOWN);
        sendMouse(MOUSEEVENTF_LEFTUP);
    }
    const FrameMetrics metrics = readFrameMetrics();
    const WindowSize size = fitWindowSize(int(fileLine(1).size()), kFileLines + 1, metrics, scale_);
    const WindowPlacement place = placeOnScreen(size.width, size.height, metrics);
    RECT r = {0, 0, 0, 0};
    EXPECT_TRUE(waitFor([&]() {
        GetWindowRect(frame_, &r);
        return r.left == place.x && r.top == place.y && r.right - r.left == place.width &&
               r.bottom - r.top == place.height;
    }, 3000)) << r.left << "," << r.top << " " << r.right - r.left << "x" << r.bottom - r.top;
}

}  // namespace
