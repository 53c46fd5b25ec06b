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
// selection, copy and hit testing treat a row like any other line.
//
// A cell's colours take one byte, as in the VGA's text mode: the foreground's
// VGA colour in the low four bits, the background's in the high four. Art
// that sets a 24-bit or table colour gets, for the chunk of rows it draws it
// in, the exact colours of every cell beside that byte (three bytes a side),
// so the common file pays two bytes a cell and never more than it draws.
//
// A canvas is bounded by what its file can pay for: at most 1 Mi cells, or
// 16 cells a byte for a file over 64 KB, and at most one row a byte plus
// 4,096; what would fall below that is dropped and `cut` says so. So a small
// hostile file costs little memory and time in any program, and real art is
// never near the bound.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "app/globals.h"
#include "document/ansi_palette.h"

// Widest canvas: a wider SAUCE width or --columns is cut to it.
const int32_t ansiMaxColumns = 4096;

// Room behind a row's last glyph and last colour byte, so that a writer may
// load and store eight bytes at any column.
const uint32_t ansiRowSlack = 8;

// A cell's exact colour as a row of exact colours stores it (blue, green,
// red), as 0x00RRGGBB: one 32-bit load, which the spare bytes behind a row's
// last cell allow.
inline AnsiPixel cellColor(const uint8_t* at)
{
    AnsiPixel color;
    __builtin_memcpy(&color, at, sizeof color);
    return color & 0x00FFFFFFu;
}

// The colours of one row of cells, as the canvas hands them out.
struct AnsiRowColors {
    const uint8_t* attributes;  // a byte a cell (VGA foreground | background << 4); null: never touched, all black
    const uint8_t* exact;       // 6 bytes a cell (foreground, then background), or null: the bytes say it all

    AnsiPixel fore(int32_t cell) const
    {
        return exact ? cellColor(exact + 6 * cell) : vgaPalette[attributes[cell] & 15];
    }
    AnsiPixel back(int32_t cell) const
    {
        return exact ? cellColor(exact + 6 * cell + 3) : vgaPalette[attributes[cell] >> 4];
    }
};

// The colours a writer draws with: the VGA byte, and the exact colours that
// a row of exact colours gets (6 bytes, blue, green, red of the foreground
// then of the background, from bit 0), which differ from the byte's VGA
// colours only when `exact` is set.
struct AnsiPen {
    uint8_t attribute;
    uint8_t exact;
    uint64_t pair;
};

// The cells of a row about to be written; glyphs null when the row cannot be
// written (past the bound, or out of memory).
struct AnsiRowCells {
    uint8_t* glyphs;        // width bytes (never NUL: a blank), then ansiRowSlack spare ones
    uint8_t* attributes;    // the same
    uint8_t* exact;         // 6 bytes a cell and 2 spare, or null while the row's chunk has none
};

class AnsiCanvas {
public:
    TAVELIN_HEAP_OBJECT

    // width: 1 .. ansiMaxColumns. textLength: the bytes the art comes from,
    // for the limits.
    AnsiCanvas(int32_t width, uint64_t textLength);
    virtual ~AnsiCanvas();

    // The cells of a row about to be written; the row counts from now on.
    // Glyphs null when the row is past the limit (cut is set) or memory for
    // it could not be had (failed is set). Valid until clear(); exact
    // stays null until exactColors() is asked for the row's chunk.
    AnsiRowCells rowToWrite(int32_t row);
    // Gives a written row's chunk exact colours, taken from the bytes of its
    // cells; returns the row's. Null when memory ran out (failed is set).
    uint8_t* exactColors(int32_t row);
    // Writes count cells of a row from column (0 .. width - 1) on, clipped
    // to the width: the glyphs (null for blanks; a NUL is drawn as a blank
    // too) in the pen's colours; the row counts from now on. False when
    // memory ran out; true, with nothing written and cut set, past the bound.
    bool write(int32_t row, int32_t column, const uint8_t* glyphs, int32_t count, const AnsiPen& pen);
    // Hands over the block (from allocatePages) that holds the text being
    // drawn: it is freed with the canvas, and the part the reader has done
    // with (see readUpTo) takes chunks of rows, which thus cost no fresh pages.
    void takeBlock(uint8_t* textBlock)
    {
        block = spare = textBlock;
    }
    // The reader will not look at the bytes of the block before `position` again.
    void readUpTo(const uint8_t* position) { spareEnd = position; }
    // Every cell blank and unwritten again; the canvas starts over at one row.
    void clear();
    // Turns the glyph rows into lines: trailing spaces are cut. Called once,
    // after the last write. (Cells never written hold spaces; a writer puts
    // a space for a NUL.)
    void finish();

    int32_t getWidth() const { return width; }
    // Rows: one more than the last row a glyph or an erase touched, at least 1.
    int32_t getRows() const { return rows; }
    // A row's glyphs as a zero-terminated line (after finish), or null for a
    // row that was never touched (all blank and black).
    const char* glyphRow(int32_t row) const;
    // A row's colours; attributes null for a row never touched.
    AnsiRowColors rowColors(int32_t row) const;

    uint8_t cut;            // something was drawn past the limits and dropped
    uint8_t failed;         // memory for a row could not be had

    uint8_t columnsCut;     // the width asked for was wider than ansiMaxColumns
    uint8_t ice;            // blink gave bright backgrounds
    uint8_t cellWidth;      // pixels a cell is wide: 8 or 9

private:
    bool holds(int32_t row) const;
    uint8_t* carve();
    void blank(uint8_t* chunk, bool fresh) const;
    bool borrowed(const uint8_t* chunk) const;
    uint8_t* touch(int32_t row);
    uint8_t* glyphsOf(int32_t row) const;
    uint8_t* attributesOf(int32_t row) const;
    uint8_t* exactOf(int32_t row) const;

    int32_t width;
    int32_t rows;
    int32_t rowLimit;
    int32_t chunkShift;     // rows per chunk: 1 << chunkShift
    uint32_t rowStride;     // width + ansiRowSlack: a row's glyphs, and its colour bytes
    uint32_t exactStride;   // width * 6 + 2
    uint32_t chunkBytes;
    uint8_t** chunks;       // chunk k holds rows k << chunkShift onwards; null until touched
    uint8_t** exactChunks;  // the exact colours of chunk k, or null (after chunks' entries)
    uint8_t* dirty;         // dirty[k]: chunk k was written since the last clear (after exactChunks')
    int32_t chunkCount;     // entries of chunks
    uint8_t* block;         // the text's block, or null
    uint8_t* spare;         // the block's bytes from here on are not chunks
    const uint8_t* spareEnd;    // and those from here on not read yet
};
