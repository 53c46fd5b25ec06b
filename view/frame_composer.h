// The composer of the view's picture, shared by the viewer and the
// command-line renderer so that the two can never disagree about a pixel.
//
// A FrameDescription holds everything the picture depends on: the document,
// the frame's size, the scroll position, the four pixels and the selection.
// The view fills one from its fields for every frame; the renderer fills one
// for a whole document or for a view at some position. The frame is composed
// band by band: a band is a run of whole pixel rows of the frame, stored top
// row first, `width` pixels a row. The view composes its whole frame as one
// band; the renderer walks a tall image in small bands, so no buffer of the
// whole image is ever needed.
#pragma once

#include <stdint.h>

class TextDocument;

typedef uint32_t Pixel;      // 0x00RRGGBB: bytes blue, green, red, 0 in memory

// The selection with its ends in reading order: characters from
// (startLine, startColumn) up to, not including, (endLine, endColumn).
struct FrameSelection {
    uint8_t active;
    int32_t startLine;
    int32_t startColumn;
    int32_t endLine;
    int32_t endColumn;
};

struct FrameDescription {
    const TextDocument* document;   // null: the frame is all background
    int32_t width;
    int32_t height;
    int32_t topLine;                // the line of text row 0
    int32_t pixelOffset;            // the y of text row 0's top edge
    Pixel ink;
    Pixel paper;
    Pixel selInk;
    Pixel selPaper;
    FrameSelection selection;
};

// Geometry of the picture.
const int32_t frameCellWidth = 8;
const int32_t frameCellHeight = 16;
const int32_t frameTextLeft = 10;      // x of a line's first cell
const int32_t frameFadeRows = 30;      // rows blended at each edge
const int32_t frameCellsPerTab = 8;

// Composes frame rows firstRow .. firstRow + rowCount - 1 into pixels. Rows
// outside 0 .. height - 1 and a width of 0 or less write nothing.
void composeFrameRows(const FrameDescription& frame, Pixel* pixels, int32_t firstRow, int32_t rowCount);

// Blends the band's rows that lie in the frame's top or bottom 30 rows
// towards paper: a row d rows from an edge keeps d/30 of its colour, the top
// edge's blend first where the two edges' rows meet. The fourth byte of every
// pixel is kept.
void fadeFrameRows(const FrameDescription& frame, Pixel* pixels, int32_t firstRow, int32_t rowCount);

// One line's cells into text row `row` of a whole-frame buffer, with the
// selection; pixel row 0 and column 0 are never written.
void composeFrameLine(const FrameDescription& frame, Pixel* pixels, int32_t row, int32_t lineIndex);

// One glyph cell with its top left corner at (x, y) of a whole-frame buffer,
// clipped to the frame and kept off pixel row 0 and column 0.
void composeFrameGlyph(const FrameDescription& frame, Pixel* pixels, uint8_t code, int32_t x, int32_t y,
                       bool selected);
