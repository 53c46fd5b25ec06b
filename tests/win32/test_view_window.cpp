// The view window driven with real messages under Wine: buffers and the first
// frame, keys, the three mouse modes, the selection with its edge scroll and
// the clipboard, the context menu, the frame fit and the view without a
// document. What the view shows is read from its fields and its screen image.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/window_fit.h"
#include "document/text_document.h"
#include "resources/resource.h"
#include "tests/support/win32_view_fixture.h"
#include "view/view_platform.h"
#include "view/view_window.h"

using namespace viewtest;

namespace {

const int kLines = 100;                       // file lines; the view has 101 with line 0
const int kBottom = 16 * (kLines + 2) - kViewHeight;   // P at the end: 1432

int xOfColumn(int column) { return 6 + 8 * column; }
int yOfRow(int row) { return 16 * row + 5; }

class ViewWindow : public testing::Test {
protected:
    void SetUp() override { bench.open(stripedText(kLines)); }

    // Moves the view to P = target through the scroll model.
    void scrollTo(int target)
    {
        bench.view->scrollByPixels(target - position(bench.view));
        ASSERT_EQ(target, position(bench.view));
    }

    ViewBench bench;
};

// ---------------------------------------------------------------------------
// Window, buffers and the first frame

TEST_F(ViewWindow, CreationBuildsBuffersAndPaintComposesTheFrame)
{
    ScrollView* view = bench.view;
    ASSERT_NE(nullptr, view);
    ASSERT_NE(nullptr, bench.window);
    EXPECT_EQ(bench.frame, GetParent(bench.window));
    EXPECT_EQ(bench.frame, view->frameWnd);
    char text[32] = {};
    GetWindowTextA(bench.window, text, sizeof text);
    EXPECT_STREQ("WinName", text);
    GetClassNameA(bench.window, text, sizeof text);
    EXPECT_STREQ("Tavelin", text);
    EXPECT_EQ(kViewWidth, view->width);
    EXPECT_EQ(kViewHeight, view->height);
    EXPECT_EQ(12, view->visibleLines);
    ASSERT_NE(nullptr, view->screenBits);
    ASSERT_NE(nullptr, view->backBuffer);
    EXPECT_EQ(-kViewHeight, view->dibInfo.biHeight);

    // The bench's frame is hidden, so the paint is asked for here. Line 0 is
    // empty, line 1 starts with a full block at rows 16..31.
    SendMessageA(bench.window, WM_PAINT, 0, 0);
    std::vector<Pixel> column = bench.screenColumn(12);
    EXPECT_EQ(view->paperPixel, column[8]);
    EXPECT_EQ(view->inkPixel, column[20]);
    EXPECT_EQ(view->paperPixel, column[40]);
    EXPECT_EQ(view->inkPixel, column[52]);
}

TEST_F(ViewWindow, PresentShowsTheScreenImageInTheWindow)
{
    ShowWindow(bench.frame, SW_SHOWNA);   // only a shown window keeps its pixels
    bench.key(VK_DOWN);   // composes and presents once more
    HDC dc = GetDC(bench.window);
    COLORREF ink = GetPixel(dc, 12, 20 - 16);    // line 1 now at rows 0..15, row 0 unwritten
    COLORREF paper = GetPixel(dc, 12, 20);
    ReleaseDC(bench.window, dc);
    EXPECT_EQ(kInk, ink);
    EXPECT_EQ(kPaper, paper);
}

TEST_F(ViewWindow, ResizeReplacesBothBuffersAndEmptySizesHoldNone)
{
    struct Case { int width, height, visibleLines; bool buffers; };
    const Case cases[] = {
        {300, 100, 6, true}, {0, 0, 0, false}, {250, 47, 2, true},
        {120, 0, 0, false},  {5, 15, 0, true}, {kViewWidth, kViewHeight, 12, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        MoveWindow(bench.window, 0, 0, c.width, c.height, TRUE);
        UpdateWindow(bench.window);   // the repaint composes at the new size
        bench.key(VK_DOWN);
        ScrollView* view = bench.view;
        EXPECT_EQ(c.buffers ? c.width : 0, view->width);
        EXPECT_EQ(c.buffers ? c.height : 0, view->height);
        EXPECT_EQ(c.visibleLines, view->visibleLines);
        EXPECT_EQ(c.buffers, view->screenBits != nullptr);
        EXPECT_EQ(c.buffers, view->backBuffer != nullptr);
        EXPECT_EQ(c.buffers, view->dibSection != nullptr);
        if (c.buffers) {
            // The whole image is addressable: the last pixel is the background
            // or a glyph, never anything else.
            Pixel last = view->screenBits[c.width * c.height - 1];
            EXPECT_TRUE(last == view->paperPixel || last == view->inkPixel);
        }
    }
}

TEST_F(ViewWindow, ContextMenuIsThePopupWithCopyAndIsDestroyedWhole)
{
    HMENU menu = loadViewContextMenu();
    ASSERT_NE(nullptr, menu);
    EXPECT_TRUE(IsMenu(menu));
    EXPECT_EQ(1, GetMenuItemCount(menu));
    EXPECT_EQ((UINT)IDM_COPY, GetMenuItemID(menu, 0));
    destroyViewContextMenu(menu);
    EXPECT_FALSE(IsMenu(menu));
    EXPECT_TRUE(IsMenu(bench.view->contextMenu));
}

// ---------------------------------------------------------------------------
// Keys

TEST_F(ViewWindow, PageAndArrowKeysScrollByRowsAndRepeatCounts)
{
    struct Case { WPARAM key; int repeat; bool wasDown; int delta; };
    const Case cases[] = {
        {VK_NEXT, 1, false, 16 * 11},  {VK_PRIOR, 1, false, -16 * 11},
        {VK_NEXT, 5, false, 16 * 11},  // a page ignores the repeat count
        {VK_DOWN, 1, false, 16},       {VK_DOWN, 3, false, 48},
        {VK_DOWN, 2, true, 32},        {VK_UP, 1, false, -16},
        {VK_UP, 4, true, -64},         {VK_HOME, 1, false, 0},
        {VK_END, 1, false, 0},         {VK_LEFT, 1, false, 0},
        {'A', 1, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " x" << c.repeat);
        scrollTo(480);
        bench.key(c.key, c.repeat, c.wasDown);
        EXPECT_EQ(480 + c.delta, position(bench.view));
        EXPECT_EQ(0, bench.view->autoScrolling);
    }
}

TEST_F(ViewWindow, KeysClampAtBothEnds)
{
    bench.key(VK_DOWN, 500);
    EXPECT_EQ(kBottom, position(bench.view));
    EXPECT_EQ(1, bench.view->atBottom);
    bench.key(VK_NEXT);
    EXPECT_EQ(kBottom, position(bench.view));
    bench.key(VK_UP, 500);
    EXPECT_EQ(0, position(bench.view));
    EXPECT_EQ(1, bench.view->atTop);
}

TEST_F(ViewWindow, SpaceStartsTheSlowScrollIgnoresRepeatsAndStopsOnTheNextPress)
{
    ScrollView* view = bench.view;
    bench.key(VK_SPACE);
    EXPECT_EQ(1, view->autoScrolling);
    EXPECT_EQ(1, view->scrollStep);
    EXPECT_TRUE(pumpUntil([&] { return position(view) >= 3; }, 2000));

    bench.key(VK_SPACE, 1, true);   // auto-repeat: neither stops nor restarts
    EXPECT_EQ(1, view->autoScrolling);
    int before = position(view);
    EXPECT_TRUE(pumpUntil([&] { return position(view) > before; }, 2000));

    bench.key(VK_SPACE);
    EXPECT_EQ(0, view->autoScrolling);
    pumpFor(200);   // a tick already on its way may still arrive
    int stopped = position(view);
    pumpFor(300);
    EXPECT_EQ(stopped, position(view));
    // One pixel per tick: never more than about ten a second.
    EXPECT_LE(stopped, 20);
}

TEST_F(ViewWindow, SpaceScrollStopsItselfAtTheEndAndIsRefusedThere)
{
    ScrollView* view = bench.view;
    scrollTo(kBottom - 12);
    bench.key(VK_SPACE);
    ASSERT_EQ(1, view->autoScrolling);
    EXPECT_TRUE(pumpUntil([&] { return view->autoScrolling == 0; }, 5000));
    EXPECT_EQ(1, view->atBottom);
    EXPECT_EQ(kBottom, position(view));
    bench.key(VK_SPACE);
    EXPECT_EQ(0, view->autoScrolling);
    pumpFor(250);
    EXPECT_EQ(kBottom, position(view));
}

// ---------------------------------------------------------------------------
// Left drag and middle speed scroll

TEST_F(ViewWindow, LeftDragMovesTheTextWithThePointer)
{
    ScrollView* view = bench.view;
    scrollTo(480);
    std::vector<Pixel> before = bench.screenColumn(12);
    bench.mouse(WM_LBUTTONDOWN, MK_LBUTTON, 100, 50);
    EXPECT_EQ(1, view->leftDragging);
    bench.mouse(WM_MOUSEMOVE, MK_LBUTTON, 100, 60);
    EXPECT_EQ(470, position(view));

    // Every row of the picture moved 10 pixels down (row 0 is never drawn).
    std::vector<Pixel> after = bench.screenColumn(12);
    for (int y = 11; y < view->height; ++y)
        ASSERT_EQ(before[y - 10], after[y]) << "row " << y;
    EXPECT_NE(before, after);

    bench.mouse(WM_MOUSEMOVE, MK_LBUTTON, 100, 30);
    EXPECT_EQ(500, position(view));
    bench.mouse(WM_MOUSEMOVE, 0, 100, 90);   // the button is no longer reported
    EXPECT_EQ(500, position(view));

    // A release outside the view still ends the drag.
    bench.mouse(WM_LBUTTONUP, 0, 100, -300);
    EXPECT_EQ(0, view->leftDragging);
    bench.mouse(WM_MOUSEMOVE, MK_LBUTTON, 100, 10);
    EXPECT_EQ(500, position(view));
}

TEST_F(ViewWindow, SpaceDuringADragRunsATickerThatSendsNothing)
{
    ScrollView* view = bench.view;
    scrollTo(480);
    bench.key(VK_SPACE);
    ASSERT_EQ(1, view->autoScrolling);
    bench.mouse(WM_LBUTTONDOWN, MK_LBUTTON, 100, 50);   // stops the slow scroll
    EXPECT_EQ(0, view->autoScrolling);
    bench.key(VK_SPACE);
    EXPECT_EQ(1, view->autoScrolling);
    pumpFor(200);   // the first ticker may still deliver one last tick
    int held = position(view);
    pumpFor(400);
    EXPECT_EQ(held, position(view));
    bench.mouse(WM_LBUTTONUP, 0, 100, 50);
    EXPECT_EQ(0, view->autoScrolling);
}

TEST_F(ViewWindow, MiddleSpeedScrollFollowsThePointerStallsAtTheEndAndReverses)
{
    ScrollView* view = bench.view;
    scrollTo(1200);
    bench.mouse(WM_MBUTTONDOWN, MK_MBUTTON, 100, 100);
    EXPECT_EQ(1, view->middleScrolling);
    EXPECT_EQ(1, view->autoScrolling);
    EXPECT_EQ(0, view->scrollStep);
    bench.mouse(WM_MOUSEMOVE, MK_MBUTTON, 120, 140);
    EXPECT_EQ(40, view->scrollStep);

    EXPECT_TRUE(pumpUntil([&] { return position(view) >= 1280; }, 3000));
    EXPECT_EQ(0, (position(view) - 1200) % 40);   // 40 pixels per tick

    EXPECT_TRUE(pumpUntil([&] { return view->atBottom != 0; }, 3000));
    EXPECT_EQ(kBottom, position(view));
    pumpFor(300);   // ticks at the end change nothing and do not stop the scroll
    EXPECT_EQ(kBottom, position(view));
    EXPECT_EQ(1, view->autoScrolling);

    bench.mouse(WM_MOUSEMOVE, MK_MBUTTON, 100, 70);   // above the press point
    EXPECT_EQ(-30, view->scrollStep);
    EXPECT_TRUE(pumpUntil([&] { return position(view) <= kBottom - 60; }, 3000));
    EXPECT_EQ(0, (kBottom - position(view)) % 30);

    bench.mouse(WM_MBUTTONUP, 0, 100, 70);
    EXPECT_EQ(0, view->middleScrolling);
    EXPECT_EQ(0, view->autoScrolling);
    pumpFor(200);
    int stopped = position(view);
    pumpFor(300);
    EXPECT_EQ(stopped, position(view));
}

TEST_F(ViewWindow, SpaceDuringSpeedScrollStopsItsTicks)
{
    ScrollView* view = bench.view;
    bench.mouse(WM_MBUTTONDOWN, MK_MBUTTON, 100, 100);
    bench.mouse(WM_MOUSEMOVE, MK_MBUTTON, 100, 120);
    bench.key(VK_SPACE);
    EXPECT_EQ(0, view->autoScrolling);
    EXPECT_EQ(1, view->middleScrolling);
    pumpFor(200);
    int held = position(view);
    pumpFor(300);
    EXPECT_EQ(held, position(view));
    bench.mouse(WM_MBUTTONUP, 0, 100, 120);
}

// ---------------------------------------------------------------------------
// Right-button selection and the clipboard

struct SelectionCase {
    int fromLine, fromColumn, toLine, toColumn;
    bool reversed;
    const char* text;
};

class ViewSelection : public ViewWindow, public testing::WithParamInterface<SelectionCase> {};

TEST_P(ViewSelection, ReleaseCopiesTheSelectedText)
{
    const SelectionCase& c = GetParam();
    ScrollView* view = bench.view;
    bench.key(VK_UP);   // rests at the start, so the top rows start no edge scroll
    setClipboardText("sentinel");
    bench.mouse(WM_RBUTTONDOWN, MK_RBUTTON, xOfColumn(c.fromColumn), yOfRow(c.fromLine));
    EXPECT_EQ(1, view->selecting);
    EXPECT_EQ(0, view->hasSelection);
    EXPECT_EQ(c.fromLine, view->anchorLine);
    EXPECT_EQ(c.fromColumn, view->anchorColumn);
    bench.mouse(WM_MOUSEMOVE, MK_RBUTTON, xOfColumn(c.toColumn), yOfRow(c.toLine));
    EXPECT_EQ(c.toLine, view->caretLine);
    EXPECT_EQ(c.toColumn, view->caretColumn);
    EXPECT_EQ(c.reversed, view->selReversed != 0);
    EXPECT_EQ(1, view->hasSelection);
    EXPECT_EQ(0, view->autoScrolling);
    bench.mouse(WM_RBUTTONUP, 0, xOfColumn(c.toColumn), yOfRow(c.toLine));
    EXPECT_EQ(0, view->selecting);
    EXPECT_EQ(0, view->hasSelection);
    EXPECT_EQ(c.text, clipboardText());
}

INSTANTIATE_TEST_SUITE_P(Ends, ViewSelection, testing::Values(
    SelectionCase{3, 2, 4, 5, false, "ine003\n line"},
    SelectionCase{4, 5, 3, 2, true, "ine003\n line"},
    SelectionCase{5, 1, 5, 5, false, "line"},
    SelectionCase{5, 5, 5, 1, true, "line"},
    SelectionCase{6, 3, 6, 40, false, "ne006"},
    SelectionCase{3, 0, 6, 0, false, "\xDBline003\n line004\n\xDBline005\n"}));

TEST_F(ViewWindow, SelectionShowsInTheSelectionPixelsUntilCopied)
{
    ScrollView* view = bench.view;
    bench.key(VK_UP);
    bench.mouse(WM_RBUTTONDOWN, MK_RBUTTON, xOfColumn(0), yOfRow(3));
    bench.mouse(WM_MOUSEMOVE, MK_RBUTTON, xOfColumn(4), yOfRow(3));
    // Line 3 starts with a full block: selected, its cell is in selInkPixel.
    EXPECT_EQ(view->selInkPixel, bench.screenColumn(12)[yOfRow(3)]);
    bench.mouse(WM_RBUTTONUP, 0, xOfColumn(4), yOfRow(3));
    EXPECT_EQ(view->inkPixel, bench.screenColumn(12)[yOfRow(3)]);
}

TEST_F(ViewWindow, PressAndReleaseWithoutAMoveLeavesTheClipboardAlone)
{
    bench.key(VK_UP);
    setClipboardText("sentinel");
    bench.mouse(WM_RBUTTONDOWN, MK_RBUTTON, xOfColumn(2), yOfRow(5));
    bench.mouse(WM_RBUTTONUP, 0, xOfColumn(2), yOfRow(5));
    EXPECT_EQ(0, bench.view->hasSelection);
    EXPECT_EQ("sentinel", clipboardText());
}

static void CALLBACK closeMenu(HWND, UINT, UINT_PTR, DWORD)
{
    EndMenu();
}

TEST_F(ViewWindow, WithoutCopyOnSelectTheContextMenuOffersCopy)
{
    bench.close();
    bench.open(stripedText(kLines), true, 0);
    ScrollView* view = bench.view;
    bench.key(VK_UP);
    setClipboardText("sentinel");
    bench.mouse(WM_RBUTTONDOWN, MK_RBUTTON, xOfColumn(2), yOfRow(3));
    bench.mouse(WM_MOUSEMOVE, MK_RBUTTON, xOfColumn(5), yOfRow(4));

    // The release opens the menu and waits in it; the timer dismisses it.
    UINT_PTR timer = SetTimer(nullptr, 0, 300, closeMenu);
    bench.mouse(WM_RBUTTONUP, 0, xOfColumn(5), yOfRow(4));
    KillTimer(nullptr, timer);
    EXPECT_EQ(0, view->selecting);
    EXPECT_EQ(1, view->hasSelection);
    EXPECT_EQ("sentinel", clipboardText());
    EXPECT_EQ(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_OPEN)),
              (HCURSOR)GetClassLongPtrA(bench.window, GCLP_HCURSOR));

    // Only a menu command (notification code 0) copies.
    SendMessageA(bench.window, WM_COMMAND, MAKEWPARAM(IDM_COPY, 1), 0);
    SendMessageA(bench.window, WM_COMMAND, MAKEWPARAM(IDM_COPY + 1, 0), 0);
    EXPECT_EQ(1, view->hasSelection);
    EXPECT_EQ("sentinel", clipboardText());
    SendMessageA(bench.window, WM_COMMAND, MAKEWPARAM(IDM_COPY, 0), 0);
    EXPECT_EQ(0, view->hasSelection);
    EXPECT_EQ("ine003\n line", clipboardText());
}

// ---------------------------------------------------------------------------
// Edge scroll

TEST_F(ViewWindow, SelectionAtTheBottomEdgeScrollsAndTheCaretFollows)
{
    ScrollView* view = bench.view;
    scrollTo(480);   // topLine 29, row 0 hidden above the window
    bench.mouse(WM_RBUTTONDOWN, MK_RBUTTON, xOfColumn(2), 100);
    EXPECT_EQ(36, view->anchorLine);
    bench.mouse(WM_MOUSEMOVE, MK_RBUTTON, xOfColumn(5), kViewHeight + 50);
    EXPECT_EQ(42, view->caretLine);   // the pointer counts as the last row
    EXPECT_EQ(1, view->autoScrolling);
    EXPECT_EQ(1, view->edgeScrollDown);
    EXPECT_EQ(16, view->scrollStep);

    EXPECT_TRUE(pumpUntil([&] { return view->caretLine >= 44; }, 3000));
    // Each tick moved the view one line and the caret with it.
    EXPECT_EQ(view->caretLine - 42, (position(view) - 480) / 16);
    EXPECT_EQ(0, (position(view) - 480) % 16);

    bench.mouse(WM_MOUSEMOVE, MK_RBUTTON, xOfColumn(5), 100);
    EXPECT_EQ(0, view->autoScrolling);
    pumpFor(200);
    int stopped = position(view);
    pumpFor(300);
    EXPECT_EQ(stopped, position(view));
    bench.mouse(WM_RBUTTONUP, 0, xOfColumn(5), 100);
}

TEST_F(ViewWindow, EdgeScrollReversesOnlyWithTheNextMoveAndRunsUpward)
{
    ScrollView* view = bench.view;
    scrollTo(800);
    bench.mouse(WM_RBUTTONDOWN, MK_RBUTTON, xOfColumn(2), 100);
    int anchor = view->anchorLine;
    bench.mouse(WM_MOUSEMOVE, MK_RBUTTON, xOfColumn(2), kViewHeight - 1);
    ASSERT_EQ(1, view->edgeScrollDown);
    ASSERT_EQ(1, view->autoScrolling);

    // Straight to the top edge (above the window: y counts as 0): the
    // downward scroll stops, the upward one waits for the next move.
    bench.mouse(WM_MOUSEMOVE, MK_RBUTTON, -20, -5);
    EXPECT_EQ(0, view->autoScrolling);
    EXPECT_EQ(0, view->caretColumn);
    EXPECT_EQ(view->topLine + 1, view->caretLine);
    bench.mouse(WM_MOUSEMOVE, MK_RBUTTON, -20, -5);
    EXPECT_EQ(1, view->autoScrolling);
    EXPECT_EQ(0, view->edgeScrollDown);
    EXPECT_EQ(-16, view->scrollStep);

    int start = position(view);
    int caret = view->caretLine;
    EXPECT_TRUE(pumpUntil([&] { return view->caretLine <= caret - 2; }, 3000));
    EXPECT_EQ(caret - view->caretLine, (start - position(view)) / 16);
    EXPECT_TRUE(view->caretLine < anchor);
    EXPECT_EQ(1, view->selReversed);
    bench.mouse(WM_RBUTTONUP, 0, 0, 0);
    EXPECT_EQ(0, view->autoScrolling);
}

TEST_F(ViewWindow, EdgeScrollStopsByItselfAtTheEnd)
{
    ScrollView* view = bench.view;
    scrollTo(kBottom - 40);
    bench.mouse(WM_RBUTTONDOWN, MK_RBUTTON, xOfColumn(2), 100);
    bench.mouse(WM_MOUSEMOVE, MK_RBUTTON, xOfColumn(2), kViewHeight + 5);
    ASSERT_EQ(1, view->autoScrolling);
    EXPECT_TRUE(pumpUntil([&] { return view->autoScrolling == 0; }, 3000));
    EXPECT_EQ(1, view->atBottom);
    EXPECT_EQ(kBottom, position(view));
    EXPECT_LE(view->caretLine, kLines + 1);   // at most the empty row below the text
    EXPECT_EQ(1, view->selecting);

    // At the end no new edge scroll starts downward.
    bench.mouse(WM_MOUSEMOVE, MK_RBUTTON, xOfColumn(3), kViewHeight + 5);
    EXPECT_EQ(0, view->autoScrolling);
    bench.mouse(WM_RBUTTONUP, 0, 0, 0);
}

TEST_F(ViewWindow, SelectionClampsThePointerToTheView)
{
    bench.close();
    bench.open(stripedText(kLines), true, 1, kViewWidth, 208);   // exactly 13 rows
    ScrollView* view = bench.view;
    bench.key(VK_UP);
    struct Case { int x, y, line, column; };
    const Case cases[] = {
        {-20, 40, 2, 0},    // left of the view: x = 0
        {1000, 40, 2, 49},  // right of it: x = width - 1 = 399
        {400, 40, 2, 49},   // x = width itself stays
        {30, -5, 0, 3},     // above: y = 0
        {30, 1000, 12, 3},  // below: y = height - 1
        {30, 208, 13, 3},   // y = height itself stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        bench.mouse(WM_RBUTTONDOWN, MK_RBUTTON, xOfColumn(1), yOfRow(5));
        bench.mouse(WM_MOUSEMOVE, MK_RBUTTON, c.x, c.y);
        EXPECT_EQ(c.line, view->caretLine);
        EXPECT_EQ(c.column, view->caretColumn);
        bench.mouse(WM_RBUTTONUP, 0, c.x, c.y);
        EXPECT_EQ(0, view->autoScrolling);
        bench.key(VK_UP, 100);   // back to the start after any edge scroll
    }
}

// ---------------------------------------------------------------------------
// Modes refuse each other

TEST_F(ViewWindow, AButtonPressIsRefusedWhileAnotherModeIsSet)
{
    struct Button { UINT down, up; WPARAM key; };
    const Button left = {WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON};
    const Button middle = {WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON};
    const Button right = {WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON};
    struct Case { Button active, refused; };
    const Case cases[] = {
        {left, middle}, {left, right}, {middle, left},
        {middle, right}, {right, left}, {right, middle},
    };
    ScrollView* view = bench.view;
    auto modes = [&] {
        return std::vector<int>{view->leftDragging, view->middleScrolling, view->selecting,
                                view->autoScrolling, view->anchorLine, view->anchorColumn};
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "active " << c.active.down << " refused "
                                        << c.refused.down);
        scrollTo(480);
        bench.mouse(c.active.down, c.active.key, xOfColumn(3), 120);
        std::vector<int> held = modes();
        EXPECT_EQ(1, held[0] + held[1] + held[2]);
        bench.mouse(c.refused.down, c.active.key | c.refused.key, xOfColumn(8), 60);
        EXPECT_EQ(held, modes());
        bench.mouse(c.refused.up, c.active.key, xOfColumn(8), 60);   // its mode is not set
        EXPECT_EQ(held, modes());
        bench.mouse(c.active.up, 0, xOfColumn(3), 120);
        EXPECT_EQ(0, view->leftDragging + view->middleScrolling + view->selecting);
        EXPECT_EQ(0, view->autoScrolling);
    }
}

TEST_F(ViewWindow, SpaceIsIgnoredWhileSelecting)
{
    bench.mouse(WM_RBUTTONDOWN, MK_RBUTTON, xOfColumn(2), 100);
    bench.key(VK_SPACE);
    EXPECT_EQ(0, bench.view->autoScrolling);
    bench.mouse(WM_RBUTTONUP, 0, xOfColumn(2), 100);
}

// ---------------------------------------------------------------------------
// Frame fit and the view without a document

TEST_F(ViewWindow, DoubleClickFitsTheFrameToTheText)
{
    // Lines wide enough for a frame above the system's smallest window width.
    bench.close();
    bench.open(std::string(60, 'x') + "\r\n" + std::string(20, 'y') + "\r\n");
    RECT before;
    GetWindowRect(bench.frame, &before);
    bench.mouse(WM_LBUTTONDBLCLK, MK_LBUTTON, 50, 50);
    RECT after;
    GetWindowRect(bench.frame, &after);
    WindowSize size = fitWindowSize(bench.view->document);
    WindowPlacement place = placeOnScreen(size.width, size.height);
    EXPECT_EQ(place.x, after.left);
    EXPECT_EQ(place.y, after.top);
    EXPECT_EQ(place.width, after.right - after.left);
    EXPECT_EQ(place.height, after.bottom - after.top);
    EXPECT_NE(before.right - before.left, after.right - after.left);
}

TEST_F(ViewWindow, WithoutADocumentInputDoesNothing)
{
    bench.close();
    bench.open(stripedText(kLines), false);
    ScrollView* view = bench.view;
    ASSERT_EQ(nullptr, view->document);
    for (int i = 0; i < view->width * view->height; ++i)
        ASSERT_EQ(view->paperPixel, view->screenBits[i]);
    setClipboardText("sentinel");
    RECT frameBefore;
    GetWindowRect(bench.frame, &frameBefore);

    EXPECT_EQ(0, bench.key(VK_HOME));
    bench.key(VK_SPACE);
    bench.key(VK_DOWN, 3);
    bench.key(VK_NEXT);
    bench.mouse(WM_LBUTTONDOWN, MK_LBUTTON, 50, 50);
    bench.mouse(WM_MOUSEMOVE, MK_LBUTTON, 50, 10);
    bench.mouse(WM_MBUTTONDOWN, MK_MBUTTON, 50, 50);
    bench.mouse(WM_RBUTTONDOWN, MK_RBUTTON, 50, 50);
    bench.mouse(WM_MOUSEMOVE, MK_RBUTTON, 90, 150);
    bench.mouse(WM_LBUTTONDBLCLK, MK_LBUTTON, 50, 50);
    bench.tick();
    SendMessageA(bench.window, WM_COMMAND, MAKEWPARAM(IDM_COPY, 0), 0);
    pumpFor(150);

    EXPECT_EQ(0, position(view));
    EXPECT_EQ(0, view->autoScrolling);
    EXPECT_EQ(0, view->leftDragging);
    EXPECT_EQ(0, view->middleScrolling);
    EXPECT_EQ(0, view->selecting);
    EXPECT_EQ(0, view->hasSelection);
    EXPECT_EQ(nullptr, view->tickerThread);
    EXPECT_EQ("sentinel", clipboardText());
    RECT frameAfter;
    GetWindowRect(bench.frame, &frameAfter);
    EXPECT_TRUE(EqualRect(&frameBefore, &frameAfter));
}

TEST(ViewCreation, WithoutMemoryForTheObjectNoWindowIsCreated)
{
    registerViewClass();
    HWND parent = CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPED, 0, 0, 200, 200, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, parent);

    // Objects come from processHeap: a small fixed heap, filled up, has no
    // room for the view.
    HANDLE full = HeapCreate(0, 0x10000, 0x10000);
    ASSERT_NE(nullptr, full);
    while (HeapAlloc(full, 0, 64)) {
    }
    void* programHeap = processHeap;
    processHeap = full;
    RECT rect = {0, 0, 100, 100};
    ScrollView* view = createScrollView(parent, rect, kInk, kPaper, 0, 1, nullptr);
    processHeap = programHeap;

    EXPECT_EQ(nullptr, view);
    EXPECT_EQ(nullptr, GetWindow(parent, GW_CHILD));
    HeapDestroy(full);
    DestroyWindow(parent);
    unregisterViewClass();
}

}  // namespace
