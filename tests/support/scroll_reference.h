// A plain model of the view's scroll position, for the tests and the fuzz
// target to compare ScrollView::scrollByPixels with: it keeps the position as
// one number P = 16 * topLine - pixelOffset (the document y at the view's top
// edge) and clamps it the way the view must, to the bottom position first and
// then to the top.
#pragma once

#include <stdint.h>

struct ScrollReference {
    int64_t p = 0;
    bool atTop = false, atBottom = false;
    bool topClamped = true;   // the constructor's 0, 0 is the clamped form of P = 0

    static int64_t floorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && a < 0); }

    // One scroll by delta pixels in a document of count lines (line 0
    // included) and a view of the given height. Returns whether a frame is
    // composed.
    bool scroll(int64_t delta, int64_t count, int64_t height)
    {
        if (delta < 0)
            atBottom = false;
        if (delta > 0)
            atTop = false;
        if (delta == 0 && atTop && atBottom)
            return false;
        p += delta;
        topClamped = false;
        if (floorDiv(p - 1, 16) + height / 16 >= count) {
            p = 16 * (count + 1) - height;
            atBottom = true;
        }
        if (floorDiv(p - 1, 16) < 0) {
            p = 0;
            atTop = true;
            topClamped = true;
        }
        return true;
    }

    // The view's fields for P: a P on a row boundary is shown as the row
    // above, fully hidden.
    int64_t topLine() const { return topClamped ? 0 : floorDiv(p - 1, 16); }
    int64_t pixelOffset() const { return topClamped ? 0 : 16 * topLine() - p; }
};
