// What one rendered image is: the picture the viewer's composer draws (a
// whole document, a view at some position, or the top page of a document for
// a thumbnail), and the size and scale it is written at.
#pragma once

#include <stdint.h>

#include "view/frame_composer.h"

class TextDocument;

enum class RenderMode { document, view, thumbnail };

struct RenderRequest {
    RenderMode mode;
    int32_t viewWidth;      // view: the view's size
    int32_t viewHeight;
    int32_t viewAt;         // view: pixels scrolled from the start
    uint8_t fade;           // view: fade the top and bottom edges
    int32_t thumbnailSize;  // thumbnail: the longer side at most
    int32_t scale;          // document and view: each pixel becomes scale x scale
    Pixel ink;              // 0x00RRGGBB
    Pixel paper;
};

// A thumbnail is drawn from at most this many bytes at the start of a file:
// far more than a page of text, and little enough to be cheap whatever the
// file.
const uint32_t thumbnailReadLimit = 256 * 1024;

// The largest side a PNG may have.
const int64_t pngMaxSide = 0x7FFFFFFF;

struct ImagePlan {
    FrameDescription frame;     // the composed picture, before scaling
    uint8_t wholeDocument;      // the whole text at the start, wide enough for every line
    uint8_t fade;
    int32_t scale;              // 1 for a thumbnail
    int32_t outWidth;           // the written image
    int32_t outHeight;
    const char* error;          // why the image cannot be written, or null
};

// Cells of the widest line: a tab draws eight, every other byte one.
int64_t widestLineCells(const TextDocument& document);

ImagePlan planImage(const TextDocument& document, const RenderRequest& request);
