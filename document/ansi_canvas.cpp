// The cells of ANSI art (ansi_canvas.h): chunked rows, allocated when first
// touched, bounded by what the file can pay for.
#include "document/ansi_canvas.h"

#include <string.h>

#include "document/document_storage.h"

namespace {

const uint32_t colorBytes = 6;          // foreground and background, 3 bytes each
const uint32_t colorPadding = 2;        // lets the last cell's colours load as 32 bits
const uint32_t chunkTarget = 64 * 1024; // a chunk holds as many rows as fit, up to 64
const int32_t maxChunkShift = 6;
const uint32_t minCellLimit = 1u << 20;
const uint32_t cellsPerByte = 16;
// Rows that positioning may add beyond one a byte: screens of animation
// address rows directly.
const uint32_t spareRows = 4096;
const uint8_t space = 0x20;

void putColor(uint8_t* at, AnsiPixel pixel)
{
    at[0] = (uint8_t)pixel;
    at[1] = (uint8_t)(pixel >> 8);
    at[2] = (uint8_t)(pixel >> 16);
}

}  // namespace

// The rows a text of `length` bytes may draw at a width: as many as
// max(minCellLimit, cellsPerByte * length) cells fill, never more than one a
// byte plus spareRows. In 32 bits: a document is under 2 GB.
static int32_t rowLimitFor(uint64_t length, int32_t width)
{
    const uint32_t bytes = length < 0x7FFFFFF0u ? (uint32_t)length : 0x7FFFFFF0u;
    const uint32_t columns = (uint32_t)width;
    const uint32_t most = bytes + spareRows;
    uint32_t rows = minCellLimit / columns;
    if (bytes > minCellLimit / cellsPerByte)
        rows = columns < cellsPerByte ? most
                                      : bytes / columns * cellsPerByte + bytes % columns * cellsPerByte / columns;
    rows = rows < most ? rows : most;
    return (int32_t)(rows < (uint32_t)INT32_MAX >> 1 ? rows : (uint32_t)INT32_MAX >> 1);
}

AnsiCanvas::AnsiCanvas(int32_t columns, uint64_t textLength)
    : cut(0), failed(0), columnsCut(0), ice(0), cellWidth(8), width(columns), rows(1), rowLimit(0), chunkShift(0), glyphStride(0), colorStride(0),
      chunkBytes(0), chunks(nullptr), dirty(nullptr), chunkCount(0)
{
    if (width < 1)
        width = 1;
    if (width > ansiMaxColumns)
        width = ansiMaxColumns;
    glyphStride = (uint32_t)width + 1;
    colorStride = (uint32_t)width * colorBytes + colorPadding;
    const uint32_t rowBytes = glyphStride + colorStride;
    while (chunkShift < maxChunkShift && (rowBytes << (chunkShift + 1)) <= chunkTarget)
        ++chunkShift;
    chunkBytes = rowBytes << chunkShift;

    rowLimit = rowLimitFor(textLength, width);
    chunkCount = (rowLimit + (1 << chunkShift) - 1) >> chunkShift;
    chunks = (uint8_t**)allocatePages((size_t)chunkCount * (sizeof(uint8_t*) + 1));
    if (!chunks) {
        failed = 1;
        chunkCount = 0;
        rowLimit = 0;
        return;
    }
    dirty = (uint8_t*)(chunks + chunkCount);
}

AnsiCanvas::~AnsiCanvas()
{
    for (int32_t k = 0; k < chunkCount; ++k)
        freePages(chunks[k]);
    freePages(chunks);
}

// A row's glyphs and colours inside its chunk, which must exist.
uint8_t* AnsiCanvas::glyphsOf(int32_t row) const
{
    return chunks[row >> chunkShift] + ((uint32_t)row & ((1u << chunkShift) - 1)) * glyphStride;
}

uint8_t* AnsiCanvas::colorsOf(int32_t row) const
{
    return chunks[row >> chunkShift] + (glyphStride << chunkShift) +
           ((uint32_t)row & ((1u << chunkShift) - 1)) * colorStride;
}

// The chunk of a row that is about to be written, allocated if need be; the
// row counts from now on. Null when the row is past the limit or memory ran
// out.
uint8_t* AnsiCanvas::touch(int32_t row)
{
    if (row < 0 || row >= rowLimit) {
        cut = 1;
        return nullptr;
    }
    uint8_t*& chunk = chunks[row >> chunkShift];
    if (!chunk) {
        chunk = (uint8_t*)allocatePages(chunkBytes);
        if (!chunk) {
            failed = 1;
            return nullptr;
        }
    }
    dirty[row >> chunkShift] = 1;
    if (row >= rows)
        rows = row + 1;
    return chunk;
}

uint8_t* AnsiCanvas::rowToWrite(int32_t row, uint8_t** colors)
{
    if (!touch(row))
        return nullptr;
    *colors = colorsOf(row);
    return glyphsOf(row);
}

bool AnsiCanvas::erase(int32_t row, int32_t from, int32_t to, AnsiPixel fore, AnsiPixel back)
{
    if (from < 0)
        from = 0;
    if (to > width)
        to = width;
    if (from >= to)
        return true;
    if (!touch(row))
        return !failed;
    memset(glyphsOf(row) + from, space, (size_t)(to - from));
    uint8_t pair[colorBytes];
    putColor(pair, fore);
    putColor(pair + 3, back);
    uint8_t* colors = colorsOf(row) + (uint32_t)from * colorBytes;
    for (int32_t k = from; k < to; ++k, colors += colorBytes)
        memcpy(colors, pair, colorBytes);
    return true;
}

// Only the chunks written since the last clear are blanked, so a clear costs
// what was drawn since then, not every row down to the farthest.
void AnsiCanvas::clear()
{
    const int32_t used = ((rows - 1) >> chunkShift) + 1;
    for (int32_t k = 0; k < chunkCount && k < used; ++k) {
        if (dirty[k])
            memset(chunks[k], 0, chunkBytes);
        dirty[k] = 0;
    }
    rows = 1;
}

void AnsiCanvas::finish()
{
    for (int32_t row = 0; row < rows && row < rowLimit; ++row) {
        if (!chunks[row >> chunkShift])
            continue;
        uint8_t* text = glyphsOf(row);
        for (int32_t column = 0; column < width; ++column)
            text[column] = text[column] ? text[column] : space;
        int32_t end = width;
        while (end > 0 && text[end - 1] == space)
            --end;
        text[end] = 0;
    }
}

bool AnsiCanvas::holds(int32_t row) const
{
    return row >= 0 && row < rows && row < rowLimit && chunks[row >> chunkShift];
}

const char* AnsiCanvas::glyphRow(int32_t row) const
{
    return holds(row) ? (const char*)glyphsOf(row) : nullptr;
}

const uint8_t* AnsiCanvas::colorRow(int32_t row) const
{
    return holds(row) ? colorsOf(row) : nullptr;
}
