// What one rendered image is: the picture the viewer's composer draws (a
// whole document, a view at some position, or the top-left page of a document
// for a thumbnail), and the size and scale it is written at.
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

// The largest side a PNG may have.
const int64_t pngMaxSide = 0x7FFFFFFF;

// A thumbnail is a page of the text: its top left, at most thumbnailColumns
// columns wide (the classic width of such art; wider text is cut at the
// page's right edge), up to 1.4 times as high as wide.
const int32_t thumbnailColumns = 80;

// The bytes at the start of a file that a thumbnail reads, whatever the
// file's size, so that its cost is bounded. The widest page (80 columns and
// both margins, 660 pixels) is at most 924 pixels high: the empty line above
// the text and 58 of the file's lines. A line of 80 columns takes at most
// 80 x 3 + 4 bytes (UTF-8 and double-encoded text spend up to 3 bytes a
// glyph, UTF-16 2 and 4 on its line end), so 58 x 244 = 14,152 bytes fill any
// page of lines that fit it. Four times that and more leaves room for lines
// that are cut: lines of up to about 1,100 bytes (360 columns of UTF-8 art,
// 1,100 of code page 437) still fill the page.
const uint32_t thumbnailReadLimit = 64 * 1024;

struct ImagePlan {
    FrameDescription frame;     // the composed picture, before scaling
    uint8_t wholeDocument;      // the whole text at the start, wide enough for every line
    uint8_t fade;
    int32_t scale;              // 1 for a thumbnail
    int32_t outWidth;           // the written image
    int32_t outHeight;
    const char* error;          // why the image cannot be written, or null
};

// Cells of the widest line: a tab draws eight, every other byte one; the
// canvas's width for ANSI art.
int64_t widestLineCells(const TextDocument& document);

ImagePlan planImage(const TextDocument& document, const RenderRequest& request);
