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
const uint64_t minCellLimit = 1u << 20;
const uint64_t cellsPerByte = 16;
// Rows that positioning may add beyond one a byte: screens of animation
// address rows directly.
const uint64_t spareRows = 4096;
const uint8_t space = 0x20;

void putColor(uint8_t* at, AnsiPixel pixel)
{
    at[0] = (uint8_t)pixel;
    at[1] = (uint8_t)(pixel >> 8);
    at[2] = (uint8_t)(pixel >> 16);
}

}  // namespace

uint64_t ansiCellLimit(uint64_t length)
{
    return length > minCellLimit / cellsPerByte ? length * cellsPerByte : minCellLimit;
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

    uint64_t limit = ansiCellLimit(textLength) / (uint64_t)width;
    if (limit > textLength + spareRows)
        limit = textLength + spareRows;
    if (limit > (uint64_t)INT32_MAX >> 1)
        limit = (uint64_t)INT32_MAX >> 1;
    rowLimit = (int32_t)limit;
    chunkCount = (int32_t)((limit + ((uint64_t)1 << chunkShift) - 1) >> chunkShift);
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

// Cells from `column` on: the glyphs of codes, or spaces when codes is null.
bool AnsiCanvas::write(int32_t row, int32_t column, const uint8_t* codes, int32_t count, AnsiPixel fore,
                       AnsiPixel back)
{
    if (column < 0) {
        count += column;
        column = 0;
    }
    if (count > width - column)
        count = width - column;
    if (count <= 0)
        return true;
    if (!touch(row))
        return !failed;
    uint8_t* glyphs = glyphsOf(row) + column;
    if (codes)
        memcpy(glyphs, codes, (size_t)count);
    else
        memset(glyphs, space, (size_t)count);
    uint8_t pair[colorBytes];
    putColor(pair, fore);
    putColor(pair + 3, back);
    uint8_t* colors = colorsOf(row) + (uint32_t)column * colorBytes;
    for (int32_t k = 0; k < count; ++k, colors += colorBytes)
        memcpy(colors, pair, colorBytes);
    return true;
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
    return write(row, from, nullptr, to - from, fore, back);
}

// Only the chunks written since the last clear are blanked, so a clear costs
// what was drawn since then, not every row down to the farthest.
void AnsiCanvas::clear()
{
    for (int32_t k = 0; k < chunkCount && ((int64_t)k << chunkShift) < rows; ++k) {
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

const char* AnsiCanvas::glyphRow(int32_t row) const
{
    if (row < 0 || row >= rows || row >= rowLimit || !chunks[row >> chunkShift])
        return nullptr;
    return (const char*)glyphsOf(row);
}

const uint8_t* AnsiCanvas::colorRow(int32_t row) const
{
    if (row < 0 || row >= rows || row >= rowLimit || !chunks[row >> chunkShift])
        return nullptr;
    return colorsOf(row);
}
