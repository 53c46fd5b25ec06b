// The fit-to-text rule on the live system metrics, read afresh on every call.
#include "app/window_fit.h"

#include <windows.h>

#include "document/text_document.h"

FrameMetrics readFrameMetrics()
{
    FrameMetrics m;
    m.frameWidth = GetSystemMetrics(SM_CXFRAME);
    m.frameHeight = GetSystemMetrics(SM_CYFRAME);
    m.captionHeight = GetSystemMetrics(SM_CYCAPTION);
    m.menuHeight = GetSystemMetrics(SM_CYMENUSIZE);
    m.maximizedWidth = GetSystemMetrics(SM_CXMAXIMIZED);
    m.maximizedHeight = GetSystemMetrics(SM_CYMAXIMIZED);
    return m;
}

WindowSize fitWindowSize(const TextDocument* document)
{
    return fitWindowSize(document->getWidestLine(), document->getLineCount(), readFrameMetrics());
}

WindowPlacement placeOnScreen(int32_t width, int32_t height)
{
    return placeOnScreen(width, height, readFrameMetrics());
}
