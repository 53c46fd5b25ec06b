// Frame composition speed in the real program's build: a 1920x1080 view of
// dense box-drawing text with the edge fade on, composed by the program's own
// ScrollView into its own DIB section, against filling the back buffer and
// copying it to the screen image. A console program of its own, timed with
// QueryPerformanceCounter; it prints both times and their ratio.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "app/globals.h"
#include "document/text_document.h"
#include "view/scroll_view.h"

static const int frameWidth = 1920;
static const int frameHeight = 1080;
static const int warmUpRounds = 20;
static const double minimumSeconds = 1.5;

static double counterSeconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

// Runs the operation repeatedly for at least minimumSeconds and returns the
// seconds of one run.
template <typename Operation>
static double secondsPerRun(Operation operation)
{
    for (int i = 0; i < warmUpRounds; ++i)
        operation();
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    long runs = 0;
    do {
        for (int i = 0; i < 10; ++i)
            operation();
        runs += 10;
        QueryPerformanceCounter(&now);
    } while (counterSeconds(start, now) < minimumSeconds);
    return counterSeconds(start, now) / (double)runs;
}

// Writes 200 lines of box-drawing, block and shade characters (0xB0 to 0xDF),
// each wider than the frame, with a tab now and then. Returns false when the
// file cannot be written.
static bool writeDenseBoxText(const char* path)
{
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    unsigned state = 2024;
    for (int line = 0; line < 200; ++line) {
        for (int column = 0; column < 260; ++column) {
            state = state * 1664525u + 1013904223u;
            unsigned pick = state >> 24;
            fputc(pick < 4 ? '\t' : 0xB0 + pick % 48, file);
        }
        fputs("\r\n", file);
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

int main()
{
    processHeap = GetProcessHeap();
    appInstance = GetModuleHandleA(nullptr);

    char path[MAX_PATH + 32];
    DWORD length = GetTempPathA(MAX_PATH, path);
    lstrcpyA(path + length, "tavelin-compose-bench.nfo");
    if (!writeDenseBoxText(path)) {
        printf("cannot write %s\n", path);
        return 1;
    }
    HWND window = createHiddenWindow();
    ScrollView* view = new ScrollView(0x00FFFFFF, 0x00404040, 1, 1, new TextDocument(path));
    if (!window || !view || !view->document || view->document->getLineCount() < 100) {
        printf("cannot set up the view\n");
        return 1;
    }
    view->viewWnd = window;
    view->rebuildBackBuffer();
    if (!view->backBuffer || !view->screenBits) {
        printf("no buffers for a %dx%d view\n", view->width, view->height);
        return 1;
    }
    view->topLine = 3;
    view->pixelOffset = -5;
    view->hasSelection = 1;
    view->anchorLine = 10;
    view->anchorColumn = 20;
    view->caretLine = 14;
    view->caretColumn = 90;

    const size_t pixels = (size_t)view->width * (size_t)view->height;
    Pixel* back = view->backBuffer;
    Pixel* screen = view->screenBits;
    const Pixel paper = view->paperPixel;
    double fillCopy = secondsPerRun([&] {
        for (size_t i = 0; i < pixels; ++i)
            back[i] = paper;
        memcpy(screen, back, pixels * sizeof(Pixel));
    });
    double present = secondsPerRun([&] { view->present(); });
    double compose = secondsPerRun([&] { view->composeFrame(); });

    printf("view %dx%d, %d lines of box-drawing text, fade on\n", view->width, view->height,
           (int)view->document->getLineCount());
    printf("fill + copy:            %8.1f us\n", fillCopy * 1e6);
    printf("composeFrame:           %8.1f us (of which BitBlt to the window %.1f us)\n",
           compose * 1e6, present * 1e6);
    printf("compose / (fill + copy): %.2f\n", (compose - present) / fillCopy);
    printf("with the BitBlt:         %.2f\n", compose / fillCopy);

    view->releaseBackBuffer();
    delete view;
    DestroyWindow(window);
    DeleteFileA(path);
    return 0;
}
