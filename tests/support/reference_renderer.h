// A plain per-pixel renderer of the view's picture, written for clarity rather
// than speed: every glyph pixel is tested and placed one at a time, every fade
// byte computed on its own. The tests compare the view's own renderer with it
// byte for byte.
#pragma once

#include <stdint.h>

#include "view/scroll_view.h"

// Composes the frame that the view's state describes into back (the unfaded
// picture) and screen (the presented, possibly faded picture), each of
// view.width x view.height pixels. The view's own buffers are not touched.
// Like the view, it writes nothing without a back buffer or with an empty size.
void referenceComposeFrame(const ScrollView& view, Pixel* back, Pixel* screen);

// One glyph cell into back, clipped as the view clips it.
void referenceDrawGlyph(const ScrollView& view, Pixel* back, uint8_t code, int64_t x, int64_t y,
                        bool selected);

// One document line into text row `row` of back, with the selection.
void referenceDrawLine(const ScrollView& view, Pixel* back, int32_t row, int32_t lineIndex);

// Blends the top and then the bottom 30 rows of screen towards paperPixel.
void referenceApplyFade(const ScrollView& view, Pixel* screen);

// One colour byte at distance d from the edge: (paper*(30-d) + own*d) / 30.
uint8_t referenceFadeByte(uint8_t own, uint8_t paper, int d);
