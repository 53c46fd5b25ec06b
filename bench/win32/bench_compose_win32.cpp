// Frame composition speed in the real program's build: a 1920x1080 view of
// dense box-drawing text with the edge fade on, composed by the program's own
// ScrollView into its own DIB section, against filling the back buffer and
// copying it to the screen image. The view's window is hidden, so the BitBlt
// inside composeFrame has nothing to draw on; it is timed alone and taken
// out. The tick with a visible window is in bench_tick_win32.cpp.
//
// In a Wine prefix of 192 DPI the view takes scale 2: the same 1920x1080
// screen image, composed as 960x540 logical pixels and drawn in blocks; the
// baseline stays the fill and copy of two screen-sized buffers.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <vector>

#include "bench/bench_dense_text.h"
#include "bench/win32/bench_timing.h"
#include "document/text_document.h"
#include "view/scroll_view.h"

namespace wbench {

static const int frameWidth = 1920;
static const int frameHeight = 1080;

bool writeDenseBoxText(const char* path, int lines)
{
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    uint32_t state = densetext::seed;
    for (int line = 0; line < lines; ++line) {
        const std::string text = densetext::nextLine(state) + "\r\n";
        fwrite(text.data(), 1, text.size(), file);
    }
    return fclose(file) == 0;
}

// A hidden window of the frame's size for the view to draw into.
static HWND createHiddenWindow()
{
    WNDCLASSA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TavelinComposeBench";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, frameWidth, frameHeight,
                           nullptr, nullptr, windowClass.hInstance, nullptr);
}

void benchCompose()
{
    const std::string path = tempPath("tavelin-compose-bench.nfo");
    if (!writeDenseBoxText(path.c_str(), 200)) {
        printf("compose: cannot write %s\n", path.c_str());
        return;
    }
    HWND window = createHiddenWindow();
    ScrollView* view = new ScrollView(0x00FFFFFF, 0x00404040, 1, 1, new TextDocument(path.c_str()));
    if (!window || !view || !view->document || view->document->getLineCount() < 100) {
        printf("compose: cannot set up the view\n");
        return;
    }
    view->viewWnd = window;
    view->rebuildBackBuffer();
    if (!view->backBuffer || !view->screenBits) {
        printf("compose: no buffers for a %dx%d view\n", view->width, view->height);
        return;
    }
    view->topLine = 3;
    view->pixelOffset = -5;
    view->hasSelection = 1;
    view->anchorLine = 10;
    view->anchorColumn = 20;
    view->caretLine = 14;
    view->caretColumn = 90;

    const size_t pixels = (size_t)view->deviceWidth * (size_t)view->deviceHeight;
    // Scaled, the back buffer is logical: the baseline's back buffer is one
    // of the screen's size.
    std::vector<Pixel> screenSized(view->scale > 1 ? pixels : 0);
    Pixel* back = view->scale > 1 ? screenSized.data() : view->backBuffer;
    Pixel* screen = view->screenBits;
    const Pixel paper = view->paperPixel;
    double fillCopy = secondsPerRun([&] {
        for (size_t i = 0; i < pixels; ++i)
            back[i] = paper;
        memcpy(screen, back, pixels * sizeof(Pixel));
    });
    double present = secondsPerRun([&] { view->present(); });
    double compose = secondsPerRun([&] { view->composeFrame(); });

    printf("\ncompose: view %dx%d at scale %d, %d lines of box-drawing text, fade on, window hidden\n",
           view->deviceWidth, view->deviceHeight, view->scale, (int)view->document->getLineCount());
    printf("fill + copy:            %8.1f us\n", fillCopy * 1e6);
    printf("composeFrame:           %8.1f us (of which BitBlt to the window %.1f us)\n",
           compose * 1e6, present * 1e6);
    printf("compose / (fill + copy): %.2f\n", (compose - present) / fillCopy);
    printf("with the BitBlt:         %.2f\n", compose / fillCopy);
    fflush(stdout);
    summary::record(view->scale > 1 ? "compose 1920x1080 with fade at scale 2" : "compose 1920x1080 with fade",
                    (compose - present) / fillCopy, "fill + copy");

    view->releaseBackBuffer();
    delete view;
    DestroyWindow(window);
    DeleteFileA(path.c_str());
}

}  // namespace wbench
