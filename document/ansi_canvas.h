// The picture that ANSI art draws: a grid of cells, each a code page 437
// byte with a foreground and a background colour, as wide as the art says and
// as tall as the rows it touched.
//
// The canvas is the screen that the escape-sequence reader (ansi_reader.h)
// writes to; it knows nothing of sequences. Rows are kept in chunks of a few
// rows each, allocated on first touch, so that a file which jumps far down
// costs only the rows it really draws and nothing is ever copied to grow.
// Each row's glyphs are stored as the line of text that the document's line
// table points at (zero-terminated, trailing blanks cut by finish()), so
// selection, copy and hit testing treat a row like any other line; the
// colours sit beside them, three bytes each (blue, green, red).
//
// A canvas is bounded by what its file can pay for: at most 1 Mi cells (7 MB,
// a picture of 128 Mi pixels), or 16 cells a byte for a file over 64 KB, and
// at most one row a byte plus 4,096; what would fall below that is dropped
// and `cut` says so. So a small hostile file costs little memory and time in
// any program, and real art is never near the bound.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "app/globals.h"

typedef uint32_t AnsiPixel;     // 0x00RRGGBB

// Widest canvas: a wider SAUCE width or --columns is cut to it.
const int32_t ansiMaxColumns = 4096;

// A cell's colour as colorRow stores it (blue, green, red), as 0x00RRGGBB:
// one 32-bit load, which the spare bytes behind a row's last cell allow.
inline AnsiPixel cellColor(const uint8_t* at)
{
    AnsiPixel color;
    __builtin_memcpy(&color, at, sizeof color);
    return color & 0x00FFFFFFu;
}

class AnsiCanvas {
public:
    TAVELIN_HEAP_OBJECT

    // width: 1 .. ansiMaxColumns. textLength: the bytes the art comes from,
    // for the limits.
    AnsiCanvas(int32_t width, uint64_t textLength);
    virtual ~AnsiCanvas();

    // The cells of a row about to be written: its glyphs (width bytes) and,
    // through colors, its colours (6 bytes a cell). Null when the row is past
    // the limit (cut is set) or memory for it could not be had (failed is
    // set). Valid until clear().
    uint8_t* rowToWrite(int32_t row, uint8_t** colors);
    // Blank cells (spaces) from `from` to `to` - 1 of a row, clipped to the width.
    bool erase(int32_t row, int32_t from, int32_t to, AnsiPixel fore, AnsiPixel back);
    // Every cell blank and unwritten again; the canvas starts over at one row.
    void clear();
    // Turns the glyph rows into lines: never-written cells and NULs become
    // spaces, trailing spaces are cut. Called once, after the last write.
    void finish();

    int32_t getWidth() const { return width; }
    // Rows: one more than the last row a glyph or an erase touched, at least 1.
    int32_t getRows() const { return rows; }
    // A row's glyphs as a zero-terminated line (after finish), or null for a
    // row that was never touched (all blank and black).
    const char* glyphRow(int32_t row) const;
    // A row's colours, 6 bytes a cell: foreground then background, each as
    // blue, green, red. Two spare bytes follow the last cell, so a cell's
    // colours can be read as 32-bit loads. Null for a row never touched.
    const uint8_t* colorRow(int32_t row) const;

    uint8_t cut;            // something was drawn past the limits and dropped
    uint8_t failed;         // memory for a row could not be had

    uint8_t columnsCut;     // the width asked for was wider than ansiMaxColumns
    uint8_t ice;            // blink gave bright backgrounds
    uint8_t cellWidth;      // pixels a cell is wide: 8 or 9

private:
    bool holds(int32_t row) const;
    uint8_t* touch(int32_t row);
    uint8_t* glyphsOf(int32_t row) const;
    uint8_t* colorsOf(int32_t row) const;

    int32_t width;
    int32_t rows;
    int32_t rowLimit;
    int32_t chunkShift;     // rows per chunk: 1 << chunkShift
    uint32_t glyphStride;   // width + 1: a row's glyphs and its zero byte
    uint32_t colorStride;   // width * 6 + 2
    uint32_t chunkBytes;
    uint8_t** chunks;       // chunk k holds rows k << chunkShift onwards; null until touched
    uint8_t* dirty;         // dirty[k]: chunk k was written since the last clear (after chunks' entries)
    int32_t chunkCount;     // entries of chunks
};
