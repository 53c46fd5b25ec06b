// The view's vertical position and its two hit tests.
//
// The position is a line index (topLine) and the client y of that line's top
// edge (pixelOffset, 0 or negative). scrollByPixels moves it by the rule of
// scroll_position.cpp and recomposes the frame. lineAtY and columnAtX turn a
// client point into a line and a column for the selection.
//
// The arithmetic runs in 64 bits so that any 32-bit point is safe.
#include "view/scroll_position.h"

#include "document/text_document.h"
#include "view/scroll_view.h"

namespace {

const int64_t kRowHeight = 16;
const int64_t kCellWidth = 8;
const int64_t kTextLeft = 10;       // client x where column 0 begins
const int64_t kTabExtra = 6;        // a tab counts 7 columns: 6 more than a letter

int32_t documentLineCount(const TextDocument* document)
{
    return document ? document->getLineCount() : 0;
}

int32_t toLineIndex(int64_t line)
{
    if (line < 0)
        return 0;
    return line > INT32_MAX ? INT32_MAX : (int32_t)line;
}

}  // namespace

void ScrollView::scrollByPixels(int32_t delta)
{
    ScrollPosition position = { topLine, pixelOffset, atTop, atBottom };
    uint8_t moved = moveScrollPosition(position, delta, documentLineCount(document), height, visibleLines);
    atTop = position.atTop;
    atBottom = position.atBottom;
    if (!moved)
        return;
    topLine = position.topLine;
    pixelOffset = position.pixelOffset;
    composeFrame();
}

int32_t ScrollView::lineAtY(int32_t y) const
{
    // C++ division truncates toward zero, as the hit test wants.
    int64_t rows = ((int64_t)y - pixelOffset) / kRowHeight;
    return toLineIndex(topLine + rows);
}

int32_t ScrollView::columnAtX(int32_t x, int32_t line) const
{
    // The character boundary nearest to x: glyph c begins at x = 10 + 8c
    // (9c for ANSI art with nine-pixel cells).
    // In 32 bits, which keeps the compiler's 64-bit division helper out of
    // the program: only the lowest few x fall below the range, and those
    // are left of column 0 either way.
    const int32_t cellWidth = document ? document->getCellWidth() : (int32_t)kCellWidth;
    const int64_t offset = (int64_t)x - (kTextLeft - cellWidth / 2);
    int64_t column = (offset < INT32_MIN ? INT32_MIN : (int32_t)offset) / cellWidth;

    // Each tab in front of the boundary takes 6 columns back; the scan stops
    // at the boundary, which shrinks as tabs are met, or at the line's end.
    const char* text = document ? document->getLine(line) : TextDocument::emptyLine;
    for (int64_t i = 0; i < column && text[i] != 0; ++i) {
        if (text[i] == '\t')
            column -= kTabExtra;
    }
    return column < 0 ? 0 : (int32_t)column;
}
