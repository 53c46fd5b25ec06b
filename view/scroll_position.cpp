// The rule that moves the view's vertical position (scroll_position.h): the
// offset is normalised into -16..-1, then clamped at the end and then at the
// start of the document.
//
// The arithmetic runs in 64 bits so that any 32-bit delta is safe, and the
// normalisation is done by division rather than one step per text row, with
// the same result.
#include "view/scroll_position.h"

namespace {

const int64_t kRowHeight = 16;

struct Position {
    int64_t topLine;
    int64_t pixelOffset;
};

// Rows scrolled off the top while the offset is -16 or less, then rows brought
// back while it is 0 or more; afterwards the offset lies in -16..-1.
Position normalise(Position p)
{
    if (p.pixelOffset <= -kRowHeight) {
        int64_t rows = (-p.pixelOffset - kRowHeight) / kRowHeight + 1;
        p.pixelOffset += rows * kRowHeight;
        p.topLine += rows;
    }
    if (p.pixelOffset >= 0) {
        int64_t rows = p.pixelOffset / kRowHeight + 1;
        p.pixelOffset -= rows * kRowHeight;
        p.topLine -= rows;
    }
    return p;
}

}  // namespace

uint8_t moveScrollPosition(ScrollPosition& position, int32_t delta, int32_t lineCount, int32_t height,
                           int32_t visibleLines)
{
    if (delta < 0)
        position.atBottom = 0;
    if (delta > 0)
        position.atTop = 0;
    if (delta == 0 && position.atTop && position.atBottom)
        return 0;

    Position p = normalise({ position.topLine, (int64_t)position.pixelOffset - delta });

    // The end first: the last line is followed by one empty row at the bottom
    // edge. Then the start, which wins for a document shorter than the view.
    int64_t count = lineCount;
    if (p.topLine + visibleLines >= count) {
        p.topLine = count - visibleLines;
        p.pixelOffset = (int64_t)height - kRowHeight * visibleLines - kRowHeight;
        position.atBottom = 1;
    }
    if (p.topLine < 0) {
        p.topLine = 0;
        p.pixelOffset = 0;
        position.atTop = 1;
    }

    position.topLine = (int32_t)p.topLine;
    position.pixelOffset = (int32_t)p.pixelOffset;
    return 1;
}
