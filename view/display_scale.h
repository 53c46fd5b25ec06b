// The display scale: everything the view draws is laid out in logical pixels
// (the 8x16 cell, the margins, the fade, the scroll steps), and a screen of
// higher resolution shows each logical pixel as an s x s block of its own
// pixels. One rule gives s for a DPI, and one widening turns a picture of
// logical pixels into screen pixels; the viewer, the renderer's --scale and
// anything else that scales a picture share them, so none can differ.
#pragma once

#include <stdint.h>

#include "view/frame_composer.h"

// The screen resolution the design's pixels are drawn for.
const int32_t logicalDpi = 96;

// The whole number nearest to dpi / 96, halves rounded up, and at least 1:
// 96 and 120 give 1, 144 and 192 give 2, 240 and 288 give 3.
int32_t scaleForDpi(int32_t dpi);

// A screen coordinate (a pixel of s x s blocks; s of 0 counts as 1) as a logical one, rounded
// toward minus infinity, so that a move across a block boundary always counts
// one logical pixel whichever the sign.
int32_t logicalCoordinate(int32_t screen, int32_t scale);

// Logical pixels needed to cover `screen` screen pixels: the last block may be
// cut by the screen's edge.
int32_t logicalExtent(int32_t screen, int32_t scale);

// One row of logical pixels widened to screen pixels: each pixel becomes
// `scale` pixels side by side, and outWidth of them are written (the last
// block may be cut).
void scaleRowUp(const Pixel* row, int32_t scale, Pixel* out, int32_t outWidth);

// A whole picture of logical pixels, `width` a row, drawn as s x s blocks into
// a top-down screen image of outWidth x outHeight pixels, which may cut the
// last blocks at the right and bottom edges but asks for no more blocks than
// the picture has. Both images exist; the scale is at least 1.
void scalePictureUp(const Pixel* picture, int32_t width, int32_t scale, Pixel* out, int32_t outWidth,
                    int32_t outHeight);
