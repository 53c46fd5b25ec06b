// The view window: its class, its creation, the window procedure that turns
// keys and the three mouse buttons into scrolling and selection, and the
// ScrollTicker thread behind every kind of automatic scrolling.
//
// Mouse positions arrive in screen pixels and are taken as logical pixels
// (display_scale.h) before anything else looks at them: a drag moves the text
// with the pointer and the speed scroll goes as fast on the screen at any
// scale, and the hit tests meet the cells where they are drawn.
//
// Mouse modes: the left button drags the text, the middle button scrolls at
// the speed of the pointer's distance from the press point, the right button
// selects and scrolls by itself at the top and bottom edges. SPACE starts and
// stops a slow scroll toward the end. While autoScrolling is set a
// ScrollTicker sends WM_VIEW_TICK every 100 ms, so every tick is handled here
// on the window thread; clearing the flag is the only way to stop a ticker.
//
// Lifetime: WM_DESTROY destroys the object while a ticker may still be asleep.
// Each ticker holds the object's memory (tickerHolds) and the last holder to
// let go frees it, so a ticker that wakes up after the window is gone reads a
// cleared autoScrolling flag and ends. Nobody ever waits for a ticker.
#include "view/view_window.h"

#include <windows.h>

#include "app/globals.h"
#include "document/text_document.h"
#include "resources/resource.h"
#include "view/display_scale.h"

static const char viewClassName[] = "Tavelin";
static const int32_t lineHeight = 16;
static const DWORD tickPeriodMs = 100;

static LRESULT CALLBACK viewWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------
// Small helpers

static ScrollView* viewOf(HWND hwnd)
{
    return (ScrollView*)GetWindowLongPtrA(hwnd, GWLP_USERDATA);
}

// The client point of a mouse message (signed words) in screen coordinates.
static POINT screenPointOf(HWND hwnd, LPARAM lParam)
{
    POINT p;
    p.x = (int16_t)LOWORD(lParam);
    p.y = (int16_t)HIWORD(lParam);
    ClientToScreen(hwnd, &p);
    return p;
}

// The same point in logical pixels, for the drag and the speed scroll.
static POINT logicalScreenPointOf(HWND hwnd, const ScrollView* view, LPARAM lParam)
{
    POINT p = screenPointOf(hwnd, lParam);
    p.x = logicalCoordinate(p.x, view->scale);
    p.y = logicalCoordinate(p.y, view->scale);
    return p;
}

// A client coordinate of a mouse message as the unsigned word it arrives in,
// scaled to logical pixels; a negative one (bit 15) stays negative.
static uint16_t logicalWord(uint16_t value, const ScrollView* view)
{
    if (value & 0x8000 || view->scale <= 1)
        return value;
    return (uint16_t)(value / view->scale);
}

static void setCursorResource(int id)
{
    SetCursor(LoadCursorA(appInstance, MAKEINTRESOURCEA(id)));
}

static void updateSelReversed(ScrollView* view)
{
    view->selReversed = view->caretLine < view->anchorLine ||
                        (view->caretLine == view->anchorLine &&
                         view->caretColumn < view->anchorColumn);
}

// A pointer coordinate during a selection: left of or above the view counts
// as 0, past the far edge as the last pixel.
static int32_t clampSelectionCoordinate(uint16_t value, int32_t extent)
{
    if (value & 0x8000)
        return 0;
    if (value > extent)
        return extent - 1;
    return value;
}

void holdView(ScrollView* view)
{
    InterlockedIncrement(&view->tickerHolds);
}

// Lets go of the object's memory; the last holder frees it. The destructor
// has already run by the time the count can fall below zero.
void releaseViewHold(ScrollView* view)
{
    if (InterlockedDecrement(&view->tickerHolds) < 0)
        freeObject(view);
}

// ---------------------------------------------------------------------------
// The ScrollTicker

static DWORD WINAPI runScrollTicker(void* parameter)
{
    ScrollView* view = (ScrollView*)parameter;
    while (view->autoScrolling) {
        if (!view->leftDragging)
            SendMessageA(view->viewWnd, WM_VIEW_TICK, 0, 0);
        Sleep(tickPeriodMs);
    }
    releaseViewHold(view);
    return 0;
}

void ScrollView::startScrollTicker(int32_t step)
{
    scrollStep = step;
    autoScrolling = 1;
    holdView(this);
    HANDLE thread = CreateThread(nullptr, 0, runScrollTicker, this, 0, (DWORD*)&tickerThreadId);
    // A thread that could not be created holds nothing. The flag stays set
    // without a ticker until a handler clears it, as it would clear a running
    // one (SPACE, a release, a new file).
    if (!thread)
        releaseViewHold(this);
    // Only the newest ticker's handle is kept; an older ticker ends on its
    // own once the flag is clear.
    if (tickerThread)
        CloseHandle(tickerThread);
    tickerThread = thread;
}

// ---------------------------------------------------------------------------
// Life of the window

static void onCreate(HWND hwnd, const CREATESTRUCTA* create)
{
    ScrollView* view = (ScrollView*)create->lpCreateParams;
    if (!view)
        return;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, (LONG_PTR)view);
    view->viewWnd = hwnd;
    view->rebuildBackBuffer();
    view->topLine = 0;
    view->composeFrame();
}

static void onDestroy(HWND hwnd, ScrollView* view)
{
    // From here on no message reaches the object.
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    if (view->tickerThread)
        CloseHandle(view->tickerThread);
    view->tickerThread = nullptr;
    view->autoScrolling = 0;
    view->releaseBackBuffer();
    unregisterViewClass();
    PostQuitMessage(0);
    // An openDocument whose message box ran this destruction tells by it that
    // the window is gone (scroll_view.cpp).
    view->viewWnd = nullptr;
    // The destructor gives back the menu and the document; the memory itself
    // stays until the last ticker has seen the cleared flag.
    view->~ScrollView();
    releaseViewHold(view);
}

static void onSize(ScrollView* view)
{
    view->releaseBackBuffer();
    view->rebuildBackBuffer();
}

static void onPaint(HWND hwnd, ScrollView* view)
{
    PAINTSTRUCT paint;
    BeginPaint(hwnd, &paint);
    view->composeFrame();
    EndPaint(hwnd, &paint);
}

// ---------------------------------------------------------------------------
// Keys

static void onSpace(ScrollView* view, LPARAM flags)
{
    if (flags & (1 << 30))      // auto-repeat of a key already down
        return;
    if (view->selecting)
        return;
    if (view->autoScrolling)
        view->autoScrolling = 0;
    else if (!view->atBottom)
        view->startScrollTicker(1);
}

static LRESULT onKeyDown(HWND hwnd, ScrollView* view, WPARAM key, LPARAM flags)
{
    if (!view->document)
        return 0;
    int32_t repeat = LOWORD(flags);
    switch (key) {
    case VK_SPACE:
        onSpace(view, flags);
        break;
    case VK_PRIOR:
        view->scrollByPixels(lineHeight - lineHeight * view->visibleLines);
        break;
    case VK_NEXT:
        view->scrollByPixels(lineHeight * view->visibleLines - lineHeight);
        break;
    case VK_UP:
        view->scrollByPixels(-lineHeight * repeat);
        break;
    case VK_DOWN:
        view->scrollByPixels(lineHeight * repeat);
        break;
    default:
        return DefWindowProcA(hwnd, WM_KEYDOWN, key, flags);
    }
    view->composeFrame();
    return 0;
}

static void onCommand(ScrollView* view, WPARAM wParam)
{
    if (HIWORD(wParam) != 0 || !view->document || LOWORD(wParam) != IDM_COPY)
        return;
    view->copySelection();
    view->hasSelection = 0;
    view->composeFrame();
}

// ---------------------------------------------------------------------------
// Mouse moves: drag, speed scroll, selection with its edge scroll

static void dragTo(HWND hwnd, ScrollView* view, LPARAM lParam)
{
    POINT p = logicalScreenPointOf(hwnd, view, lParam);
    view->scrollByPixels(view->lastMouseY - p.y);
    view->lastMouseX = p.x;
    view->lastMouseY = p.y;
}

static void setSpeedFrom(HWND hwnd, ScrollView* view, LPARAM lParam)
{
    POINT p = logicalScreenPointOf(hwnd, view, lParam);
    view->scrollStep = p.y - view->lastMouseY;
}

// Starts the edge scroll when the caret reaches an edge, stops it when the
// caret leaves the edge it scrolls toward.
static void updateEdgeScroll(ScrollView* view)
{
    int32_t bottomEdge = view->topLine + view->visibleLines - 1;
    int32_t topEdge = view->topLine + 2;
    if (!view->autoScrolling) {
        if (!view->atBottom && view->caretLine >= bottomEdge) {
            view->edgeScrollDown = 1;
            view->startScrollTicker(lineHeight);
        } else if (!view->atTop && view->caretLine <= topEdge) {
            view->edgeScrollDown = 0;
            view->startScrollTicker(-lineHeight);
        }
    } else if ((view->edgeScrollDown && view->caretLine < bottomEdge) ||
               (!view->edgeScrollDown && view->caretLine > topEdge)) {
        view->autoScrolling = 0;
    }
}

static void selectTo(ScrollView* view, LPARAM lParam)
{
    int32_t x = clampSelectionCoordinate(logicalWord(LOWORD(lParam), view), view->width);
    int32_t y = clampSelectionCoordinate(logicalWord(HIWORD(lParam), view), view->height);
    view->caretLine = view->lineAtY(y);
    view->caretColumn = view->columnAtX(x, view->caretLine);
    updateSelReversed(view);
    view->hasSelection = view->caretLine != view->anchorLine ||
                         view->caretColumn != view->anchorColumn;
    updateEdgeScroll(view);
    view->composeFrame();
}

static void onMouseMove(HWND hwnd, ScrollView* view, WPARAM keys, LPARAM lParam)
{
    if (!view->document)
        return;
    if ((keys & MK_LBUTTON) && view->leftDragging)
        dragTo(hwnd, view, lParam);
    else if ((keys & MK_MBUTTON) && view->middleScrolling)
        setSpeedFrom(hwnd, view, lParam);
    else if ((keys & MK_RBUTTON) && view->selecting)
        selectTo(view, lParam);
}

// ---------------------------------------------------------------------------
// Buttons

static void onLeftDown(HWND hwnd, ScrollView* view, LPARAM lParam)
{
    if (!view->document || view->middleScrolling || view->selecting)
        return;
    view->leftDragging = 1;
    view->autoScrolling = 0;
    SetCapture(hwnd);
    setCursorResource(IDC_HAND_GRAB);
    POINT p = logicalScreenPointOf(hwnd, view, lParam);
    view->lastMouseX = p.x;
    view->lastMouseY = p.y;
}

static void onLeftUp(ScrollView* view)
{
    if (!view->document || !view->leftDragging)
        return;
    setCursorResource(IDC_HAND_OPEN);
    ReleaseCapture();
    view->leftDragging = 0;
    view->autoScrolling = 0;
}

static void onLeftDoubleClick(ScrollView* view)
{
    if (view->document)
        view->autosize();
}

static void onRightDown(HWND hwnd, ScrollView* view, LPARAM lParam)
{
    if (!view->document || view->leftDragging || view->middleScrolling)
        return;
    view->selecting = 1;
    view->hasSelection = 0;
    view->selReversed = 0;
    view->autoScrolling = 0;
    int32_t x = logicalWord(LOWORD(lParam), view);
    int32_t y = logicalWord(HIWORD(lParam), view);
    SetCursor(LoadCursorA(nullptr, IDC_IBEAM));
    view->anchorLine = view->lineAtY(y);
    view->anchorColumn = view->columnAtX(x, view->anchorLine);
    view->caretLine = view->anchorLine;
    view->caretColumn = view->anchorColumn;
    SetCapture(hwnd);
}

static void onRightUp(HWND hwnd, ScrollView* view, LPARAM lParam)
{
    if (!view->document || !view->selecting)
        return;
    view->autoScrolling = 0;
    ReleaseCapture();
    view->selecting = 0;
    POINT p = screenPointOf(hwnd, lParam);
    if (view->copyOnSelect) {
        view->copySelection();
        view->hasSelection = 0;
        view->composeFrame();
    } else {
        TrackPopupMenu(view->contextMenu, TPM_RIGHTBUTTON, p.x, p.y, 0, hwnd, nullptr);
        PostMessageA(hwnd, WM_NULL, 0, 0);
    }
    HCURSOR open = LoadCursorA(appInstance, MAKEINTRESOURCEA(IDC_HAND_OPEN));
    SetClassLongPtrA(hwnd, GCLP_HCURSOR, (LONG_PTR)open);
    SetCursor(open);
}

static void onMiddleDown(HWND hwnd, ScrollView* view, LPARAM lParam)
{
    if (!view->document || view->leftDragging || view->selecting)
        return;
    view->middleScrolling = 1;
    SetCapture(hwnd);
    setCursorResource(IDC_UPDOWN);
    POINT p = logicalScreenPointOf(hwnd, view, lParam);
    view->lastMouseX = p.x;
    view->lastMouseY = p.y;
    view->startScrollTicker(0);
}

static void onMiddleUp(ScrollView* view)
{
    if (!view->document || !view->middleScrolling)
        return;
    setCursorResource(IDC_HAND_OPEN);
    ReleaseCapture();
    view->middleScrolling = 0;
    view->autoScrolling = 0;
}

// ---------------------------------------------------------------------------
// Ticks

// During a selection the caret moves one line with each tick of the edge
// scroll; it may reach the line count, the empty row below the last line.
static void caretFollowsScroll(ScrollView* view)
{
    if (!view->edgeScrollDown) {
        if (view->caretLine != 0)
            --view->caretLine;
    } else if (view->caretLine != view->document->getLineCount()) {
        ++view->caretLine;
    }
    updateSelReversed(view);
}

static void onTick(ScrollView* view)
{
    if (!view->document)
        return;
    if ((view->atBottom && view->scrollStep > 0) || (view->atTop && view->scrollStep < 0)) {
        // The speed scroll waits at the end for the pointer to reverse; the
        // other scrolls are over.
        if (!view->middleScrolling)
            view->autoScrolling = 0;
        return;
    }
    if (view->selecting)
        caretFollowsScroll(view);
    view->scrollByPixels(view->scrollStep);
}

// ---------------------------------------------------------------------------
// The window procedure

static LRESULT CALLBACK viewWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        onCreate(hwnd, (const CREATESTRUCTA*)lParam);
        return 0;
    }
    ScrollView* view = viewOf(hwnd);
    if (!view)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY:
        onDestroy(hwnd, view);
        return 0;
    case WM_SIZE:
        onSize(view);
        return 0;
    case WM_PAINT:
        onPaint(hwnd, view);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_KEYDOWN:
        return onKeyDown(hwnd, view, wParam, lParam);
    case WM_COMMAND:
        onCommand(view, wParam);
        return 0;
    case WM_MOUSEMOVE:
        onMouseMove(hwnd, view, wParam, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        onLeftDown(hwnd, view, lParam);
        return 0;
    case WM_LBUTTONUP:
        onLeftUp(view);
        return 0;
    case WM_LBUTTONDBLCLK:
        onLeftDoubleClick(view);
        return 0;
    case WM_RBUTTONDOWN:
        onRightDown(hwnd, view, lParam);
        return 0;
    case WM_RBUTTONUP:
        onRightUp(hwnd, view, lParam);
        return 0;
    case WM_MBUTTONDOWN:
        onMiddleDown(hwnd, view, lParam);
        return 0;
    case WM_MBUTTONUP:
        onMiddleUp(view);
        return 0;
    case WM_VIEW_TICK:
        onTick(view);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

// ---------------------------------------------------------------------------
// Class and creation

void registerViewClass()
{
    WNDCLASSA windowClass;
    __builtin_memset(&windowClass, 0, sizeof windowClass);
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = viewWindowProc;
    windowClass.hInstance = appInstance;
    windowClass.hCursor = LoadCursorA(appInstance, MAKEINTRESOURCEA(IDC_HAND_OPEN));
    windowClass.hbrBackground = (HBRUSH)(COLOR_MENU + 1);
    windowClass.lpszClassName = viewClassName;
    RegisterClassA(&windowClass);
}

void unregisterViewClass()
{
    UnregisterClassA(viewClassName, appInstance);
}

ScrollView* createScrollView(HWND frameWnd, const RECT& rect, ColorRef foreColor,
                             ColorRef backColor, uint8_t fadeEnabled, uint8_t copyOnSelect,
                             TextDocument* document)
{
    ScrollView* view = new ScrollView(foreColor, backColor, fadeEnabled, copyOnSelect, document);
    if (!view)
        return nullptr;
    view->frameWnd = frameWnd;
    CreateWindowExA(0, viewClassName, "WinName", WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, frameWnd, nullptr,
                    appInstance, view);
    return view;
}
