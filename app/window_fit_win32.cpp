// The fit-to-text rule on the live system metrics, read afresh on every call:
// those of the system's DPI, or of a window's DPI where its monitor has
// another one.
#include "app/window_fit.h"

#include <windows.h>

#include "document/text_document.h"
#include "view/display_scale.h"
#include "view/window_dpi.h"

static const int metricIndexes[6] = {SM_CXFRAME,     SM_CYFRAME,      SM_CYCAPTION,
                                     SM_CYMENUSIZE,  SM_CXMAXIMIZED,  SM_CYMAXIMIZED};

// The six metrics in FrameMetrics order: the system's own for a dpi of 0.
static FrameMetrics readMetrics(int32_t dpi)
{
    int32_t values[6];
    for (int i = 0; i < 6; ++i)
        values[i] = dpi ? systemMetricForDpi(metricIndexes[i], dpi) : GetSystemMetrics(metricIndexes[i]);
    FrameMetrics m = {values[0], values[1], values[2], values[3], values[4], values[5]};
    return m;
}

FrameMetrics readFrameMetrics()
{
    return readMetrics(0);
}

// At the system's DPI GetSystemMetrics is the answer, so that the frame there
// is sized exactly as it always was.
FrameMetrics readFrameMetrics(int32_t dpi)
{
    return readMetrics(dpi == windowDpi(nullptr) ? 0 : dpi);
}

WindowSize fitWindowSize(const TextDocument* document)
{
    return fitWindowSize(document->getWidestLine(), document->getLineCount(), readFrameMetrics(), 1,
                         document->getCellWidth());
}

WindowPlacement placeOnScreen(int32_t width, int32_t height)
{
    return placeOnScreen(width, height, readFrameMetrics());
}

WindowPlacement fitFrameToText(const TextDocument* document, int32_t dpi)
{
    const FrameMetrics metrics = readFrameMetrics(dpi);
    const int32_t scale = scaleForDpi(dpi);
    WindowSize size = {startWidth * scale, startHeight * scale};
    if (document)
        size = fitWindowSize(document->getWidestLine(), document->getLineCount(), metrics, scale,
                             document->getCellWidth());
    return placeOnScreen(size.width, size.height, metrics);
}
