// The view's vertical position as plain data, and the rule that moves it.
// The view keeps these fields among its own; the renderer moves a position of
// its own with the same rule, so a view it draws at some distance from the
// start is the one the viewer shows after scrolling that far.
#pragma once

#include <stdint.h>

struct ScrollPosition {
    int32_t topLine;        // the line of text row 0
    int32_t pixelOffset;    // the y of text row 0's top edge
    uint8_t atTop;
    uint8_t atBottom;
};

// Moves the position by delta pixels (positive: towards the end) in a view of
// `height` pixels showing `visibleLines` whole rows of a document of lineCount
// lines. Returns 0, with only the flags updated, when a zero delta finds the
// position pinned at both ends; otherwise 1.
uint8_t moveScrollPosition(ScrollPosition& position, int32_t delta, int32_t lineCount, int32_t height,
                           int32_t visibleLines);
