// One auto-scroll tick as the program does it, in the real program's build:
// a visible parent window with the program's own view window in it, over a
// real file of dense box-drawing text with the edge fade on. A tick is the
// WM_VIEW_TICK message that a ScrollTicker sends, handled by the view's window
// procedure with a step of one pixel: scrollByPixels(1), which composes the
// frame in the back buffer, copies it to the DIB section, fades the edges and
// presents it with BitBlt. Then the thread takes one turn of its message loop
// as the program's window thread does between ticks; that is where Wine hands
// the window's pixels to the X server. The baseline is filling the view's
// back buffer and copying it to its DIB section; scaled (a 192-DPI prefix),
// filling a buffer of the screen image's size and copying that.
#include <windows.h>

#include <stdio.h>

#include <vector>

#include "bench/win32/bench_timing.h"
#include "document/text_document.h"
#include "tests/support/win32_messages.h"
#include "view/scroll_view.h"
#include "view/view_window.h"

namespace wbench {

static const char frameClassName[] = "TavelinTickBenchFrame";

// Runs what is waiting in the thread's queue, then waits for nothing, as the
// program's message loop does once it is idle.
static void loopTurn()
{
    runPendingMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
}

void benchScrollTick()
{
    // A 1920x1080 view, or the whole screen when that is smaller: the part of
    // a window outside the screen is not drawn.
    const int width = GetSystemMetrics(SM_CXSCREEN) < 1920 ? GetSystemMetrics(SM_CXSCREEN) : 1920;
    const int height = GetSystemMetrics(SM_CYSCREEN) < 1080 ? GetSystemMetrics(SM_CYSCREEN) : 1080;
    const std::string path = tempPath("tavelin-tick-bench.nfo");
    if (!writeDenseBoxText(path.c_str(), 4000)) {
        printf("tick: cannot write %s\n", path.c_str());
        return;
    }
    WNDCLASSA frameClass;
    ZeroMemory(&frameClass, sizeof frameClass);
    frameClass.lpfnWndProc = DefWindowProcA;
    frameClass.hInstance = appInstance;
    frameClass.lpszClassName = frameClassName;
    RegisterClassA(&frameClass);
    registerViewClass();
    HWND frame = CreateWindowExA(0, frameClassName, "tick bench", WS_POPUP, 0, 0, width, height,
                                 nullptr, nullptr, appInstance, nullptr);
    RECT rect = { 0, 0, width, height };
    ScrollView* view = frame ? createScrollView(frame, rect, 0x00FFFFFF, 0x00404040, 1, 1,
                                                new TextDocument(path.c_str()))
                             : nullptr;
    if (!view || !view->viewWnd || !view->document || !view->backBuffer || !view->screenBits) {
        printf("tick: cannot set up the view window\n");
        return;
    }
    ShowWindow(frame, SW_SHOWNOACTIVATE);
    UpdateWindow(frame);
    loopTurn();
    HWND window = view->viewWnd;
    view->scrollStep = 1;

    const size_t pixels = (size_t)view->deviceWidth * (size_t)view->deviceHeight;
    std::vector<Pixel> screenSized(view->scale > 1 ? pixels : 0);
    Pixel* back = view->scale > 1 ? screenSized.data() : view->backBuffer;
    Pixel* screen = view->screenBits;
    const Pixel paper = view->paperPixel;
    auto fillCopy = [&] {
        for (size_t i = 0; i < pixels; ++i)
            back[i] = paper;
        memcpy(screen, back, pixels * sizeof(Pixel));
    };
    // At the end of the document the view starts again from the top,
    // outside the tick's own work.
    auto tick = [&] {
        SendMessageA(window, WM_VIEW_TICK, 0, 0);
        if (view->atBottom) {
            view->topLine = 0;
            view->pixelOffset = 0;
            view->atBottom = 0;
        }
    };
    const double fillCopySeconds = secondsPerRun(fillCopy);
    const double tickWithTurn = secondsPerRun([&] { tick(); loopTurn(); });
    const double tickAlone = secondsPerRun(tick);
    const double presentWithTurn = secondsPerRun([&] { view->present(); loopTurn(); });
    const double composeNoPresent = tickAlone - secondsPerRun([&] { view->present(); });

    printf("\nauto-scroll tick: view %dx%d at scale %d in a visible window, %d lines, fade on, step 1 pixel\n",
           view->deviceWidth, view->deviceHeight, view->scale, (int)view->document->getLineCount());
    printf("fill + copy of the view's two buffers:   %8.1f us\n", fillCopySeconds * 1e6);
    printf("tick and a turn of the message loop:     %8.1f us  %.2f x fill + copy\n",
           tickWithTurn * 1e6, tickWithTurn / fillCopySeconds);
    printf("tick alone (scroll, compose, BitBlt):    %8.1f us  %.2f x fill + copy\n",
           tickAlone * 1e6, tickAlone / fillCopySeconds);
    printf("  of which scroll and compose (by diff): %8.1f us  %.2f x fill + copy\n",
           composeNoPresent * 1e6, composeNoPresent / fillCopySeconds);
    printf("present and a turn of the loop alone:    %8.1f us  %.2f x fill + copy\n",
           presentWithTurn * 1e6, presentWithTurn / fillCopySeconds);
    fflush(stdout);
    char what[96];
    snprintf(what, sizeof what, "auto-scroll tick %dx%d%s with present", view->deviceWidth,
             view->deviceHeight, view->scale > 1 ? " at scale 2" : "");
    summary::record(what, tickWithTurn / fillCopySeconds, "fill + copy");

    // Hidden first: a shown top-level window without a window manager takes
    // a while to go.
    ShowWindow(frame, SW_HIDE);
    DestroyWindow(frame);
    loopTurn();
    UnregisterClassA(frameClassName, appInstance);
    DeleteFileA(path.c_str());
}

}  // namespace wbench
