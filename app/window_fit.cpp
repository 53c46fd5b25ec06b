// Fit-to-text arithmetic. A cell is 8 x 16 pixels (9 x 16 for ANSI art drawn
// with letter spacing) and the text starts 10
// pixels from the view's left edge, so 20 pixels of margin leave 10 on the
// right of the widest line; every line, the empty line 0 included, takes one
// 16-pixel row. A frame too wide takes the full width at the left edge; one
// too tall becomes five sixths of the screen height, centred.
#include "app/window_fit.h"

static int32_t saturate(int64_t value)
{
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : (int32_t)value;
}

WindowSize fitWindowSize(int32_t widestLine, int32_t lineCount, const FrameMetrics& m, int32_t scale,
                         int32_t cellWidth)
{
    WindowSize size;
    int64_t s = scale > 1 ? scale : 1;
    int64_t width = s * ((int64_t)cellWidth * widestLine + 20) + 2 * (int64_t)m.frameWidth;
    size.width = width < 100 * s ? (int32_t)(100 * s) : saturate(width);
    size.height = saturate(s * 16 * (int64_t)lineCount + 2 * (int64_t)m.frameHeight
                           + m.captionHeight + m.menuHeight);
    return size;
}

// (a - b) / 2, truncated toward zero, for any two 32-bit values. Shifts
// instead of a 64-bit division keep the compiler helper out of the program.
static int32_t halfOfDifference(int32_t a, int32_t b)
{
    int64_t d = (int64_t)a - b;
    int64_t q = d >> 1;
    if (d < 0 && (d & 1))
        ++q;
    return (int32_t)q;
}

// Five sixths of a height, truncated toward zero, without overflow.
static int32_t fiveSixths(int32_t h)
{
    return h / 6 * 5 + h % 6 * 5 / 6;
}

WindowPlacement placeOnScreen(int32_t width, int32_t height, const FrameMetrics& m)
{
    const int32_t maxW = m.maximizedWidth;
    const int32_t maxH = m.maximizedHeight;
    WindowPlacement place;
    if (width > maxW) {
        place.width = maxW;
        place.x = 0;
    } else {
        place.width = width;
        place.x = halfOfDifference(maxW, width);
    }
    place.height = height > maxH ? fiveSixths(maxH) : height;
    place.y = halfOfDifference(maxH, place.height);
    return place;
}
