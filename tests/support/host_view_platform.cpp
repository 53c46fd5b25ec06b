// Native stand-ins for the view's Win32 edge: the buffers come from the C heap
// at the size held in width and height (the screen image at deviceWidth x
// deviceHeight when a scale is set), presenting only counts, and the
// context menu does not exist. The portable view code runs unchanged on top.
#include "tests/support/host_view_platform.h"

#include <stdlib.h>

#include "view/scroll_view.h"
#include "view/view_platform.h"

int hostPresentCount;
int hostAutosizeCount;

HMENU__* loadViewContextMenu()
{
    return nullptr;
}

void destroyViewContextMenu(HMENU__*)
{
}

void holdView(ScrollView* view)
{
    view->tickerHolds = view->tickerHolds + 1;
}

void releaseViewHold(ScrollView* view)
{
    view->tickerHolds = view->tickerHolds - 1;
    if (view->tickerHolds < 0)
        freeObject(view);
}

void ScrollView::rebuildBackBuffer()
{
    visibleLines = height / 16;
    size_t pixels = (width > 0 && height > 0) ? (size_t)width * (size_t)height : 0;
    size_t screenPixels = scale > 1 ? (size_t)deviceWidth * (size_t)deviceHeight : pixels;
    screenBits = pixels ? (Pixel*)calloc(screenPixels, sizeof(Pixel)) : nullptr;
    backBuffer = pixels ? (Pixel*)calloc(pixels, sizeof(Pixel)) : nullptr;
}

void ScrollView::releaseBackBuffer()
{
    free(screenBits);
    free(backBuffer);
    screenBits = nullptr;
    backBuffer = nullptr;
}

void ScrollView::present()
{
    ++hostPresentCount;
}

void ScrollView::autosize()
{
    ++hostAutosizeCount;
}
