// The cells of ANSI art (ansi_canvas.h): chunked rows, allocated when first
// touched, bounded by what the file can pay for.
#include "document/ansi_canvas.h"

#include <string.h>

#include "document/document_storage.h"

namespace {

const uint32_t exactBytes = 6;          // foreground and background, 3 bytes each
const uint32_t exactPadding = 2;        // lets the last cell's colours load as 32 bits
const uint32_t chunkTarget = 64 * 1024; // a chunk holds as many rows as fit, up to 64
const int32_t maxChunkShift = 6;
const uint32_t minCellLimit = 1u << 20;
const uint32_t cellsPerByte = 16;
// Rows that positioning may add beyond one a byte: screens of animation
// address rows directly.
const uint32_t spareRows = 4096;
const uint8_t space = 0x20;
const uint64_t blanks = 0x2020202020202020ull;

// A cell's six exact colour bytes, from the low 48 bits of pair.
void putPair(uint8_t* at, uint64_t pair)
{
    const uint32_t low = (uint32_t)pair;
    const uint16_t high = (uint16_t)(pair >> 32);
    memcpy(at, &low, 4);
    memcpy(at + 4, &high, 2);
}

uint64_t pairOf(AnsiPixel fore, AnsiPixel back)
{
    return (uint64_t)(fore & 0xFFFFFFu) | (uint64_t)(back & 0xFFFFFFu) << 24;
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
    : cut(0), failed(0), columnsCut(0), ice(0), cellWidth(8), width(columns), rows(1), rowLimit(0), chunkShift(0),
      rowStride(0), exactStride(0), chunkBytes(0), chunks(nullptr), exactChunks(nullptr), dirty(nullptr),
      chunkCount(0), block(nullptr), spare(nullptr), spareEnd(nullptr)
{
    if (width < 1)
        width = 1;
    if (width > ansiMaxColumns)
        width = ansiMaxColumns;
    rowStride = (uint32_t)width + ansiRowSlack;
    exactStride = (uint32_t)width * exactBytes + exactPadding;
    const uint32_t rowBytes = 2 * rowStride;
    while (chunkShift < maxChunkShift && (rowBytes << (chunkShift + 1)) <= chunkTarget)
        ++chunkShift;
    chunkBytes = rowBytes << chunkShift;

    rowLimit = rowLimitFor(textLength, width);
    chunkCount = (rowLimit + (1 << chunkShift) - 1) >> chunkShift;
    chunks = (uint8_t**)allocatePages((size_t)chunkCount * (2 * sizeof(uint8_t*) + 1));
    if (!chunks) {
        failed = 1;
        chunkCount = 0;
        rowLimit = 0;
        return;
    }
    exactChunks = chunks + chunkCount;
    dirty = (uint8_t*)(exactChunks + chunkCount);
}

AnsiCanvas::~AnsiCanvas()
{
    for (int32_t k = 0; k < chunkCount; ++k) {
        if (!borrowed(chunks[k]))
            freePages(chunks[k]);
        freePages(exactChunks[k]);
    }
    freePages(chunks);
    freePages(block);
}

// A chunk from the part of the text's block that has been read, blanked;
// null when that part has no room for one.
uint8_t* AnsiCanvas::carve()
{
    uint8_t* start = spare + (-(uintptr_t)spare & 15);
    if (!block || spareEnd < start || (size_t)(spareEnd - start) < chunkBytes)
        return nullptr;
    spare = start + chunkBytes;
    blank(start, false);
    return start;
}

// A chunk's glyphs made blanks and its colour bytes black (fresh pages are
// zero already).
void AnsiCanvas::blank(uint8_t* chunk, bool fresh) const
{
    memset(chunk, space, rowStride << chunkShift);
    if (!fresh)
        memset(chunk + (rowStride << chunkShift), 0, rowStride << chunkShift);
}

bool AnsiCanvas::borrowed(const uint8_t* chunk) const
{
    return chunk && chunk >= block && chunk < spare;
}

// A row's glyphs, colour bytes and exact colours inside its chunk, which
// must exist.
uint8_t* AnsiCanvas::glyphsOf(int32_t row) const
{
    return chunks[row >> chunkShift] + ((uint32_t)row & ((1u << chunkShift) - 1)) * rowStride;
}

uint8_t* AnsiCanvas::attributesOf(int32_t row) const
{
    return glyphsOf(row) + (rowStride << chunkShift);
}

uint8_t* AnsiCanvas::exactOf(int32_t row) const
{
    uint8_t* exact = exactChunks[row >> chunkShift];
    return exact ? exact + ((uint32_t)row & ((1u << chunkShift) - 1)) * exactStride : nullptr;
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
    if (!chunk)
        chunk = carve();
    if (!chunk) {
        chunk = (uint8_t*)allocatePages(chunkBytes);
        if (!chunk) {
            failed = 1;
            return nullptr;
        }
        blank(chunk, true);
    }
    dirty[row >> chunkShift] = 1;
    if (row >= rows)
        rows = row + 1;
    return chunk;
}

AnsiRowCells AnsiCanvas::rowToWrite(int32_t row)
{
    AnsiRowCells cells = { nullptr, nullptr, nullptr };
    if (touch(row)) {
        cells.glyphs = glyphsOf(row);
        cells.attributes = attributesOf(row);
        cells.exact = exactOf(row);
    }
    return cells;
}

uint8_t* AnsiCanvas::exactColors(int32_t row)
{
    const int32_t chunk = row >> chunkShift;
    if (!exactChunks[chunk]) {
        uint8_t* exact = (uint8_t*)allocatePages(exactStride << chunkShift);
        if (!exact) {
            failed = 1;
            return nullptr;
        }
        exactChunks[chunk] = exact;
        const int32_t first = chunk << chunkShift;
        for (int32_t k = 0; k < 1 << chunkShift; ++k) {
            const uint8_t* attributes = attributesOf(first + k);
            uint8_t* at = exact + (uint32_t)k * exactStride;
            for (int32_t i = 0; i < width; ++i, at += exactBytes)
                putPair(at, pairOf(vgaPalette[attributes[i] & 15], vgaPalette[attributes[i] >> 4]));
        }
    }
    return exactOf(row);
}

bool AnsiCanvas::write(int32_t row, int32_t column, const uint8_t* glyphs, int32_t count, const AnsiPen& pen)
{
    if (count > width - column)
        count = width - column;
    if (count <= 0)
        return true;
    if (!touch(row))
        return !failed;
    uint8_t* text = glyphsOf(row) + column;
    for (int32_t k = 0; k < count; ++k)
        text[k] = glyphs && glyphs[k] ? glyphs[k] : space;
    memset(attributesOf(row) + column, pen.attribute, (size_t)count);
    uint8_t* exact = pen.exact ? exactColors(row) : exactOf(row);
    if (pen.exact && !exact)
        return false;
    for (int32_t k = column; exact && k < column + count; ++k)
        putPair(exact + (uint32_t)k * exactBytes, pen.pair);
    return true;
}

// Only the chunks written since the last clear are blanked, so a clear costs
// what was drawn since then, not every row down to the farthest.
void AnsiCanvas::clear()
{
    const int32_t used = ((rows - 1) >> chunkShift) + 1;
    for (int32_t k = 0; k < chunkCount && k < used; ++k) {
        if (dirty[k])
            blank(chunks[k], false);
        freePages(exactChunks[k]);
        exactChunks[k] = nullptr;
        dirty[k] = 0;
    }
    rows = 1;
}

// Cells never written are blanks already (see blank); only the trailing
// ones are cut, eight at a time while they last.
void AnsiCanvas::finish()
{
    for (int32_t row = 0; row < rows && row < rowLimit; ++row) {
        if (!chunks[row >> chunkShift])
            continue;
        uint8_t* text = glyphsOf(row);
        int32_t end = width;
        for (uint64_t word; end >= 8 && (memcpy(&word, text + end - 8, 8), word == blanks);)
            end -= 8;
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

AnsiRowColors AnsiCanvas::rowColors(int32_t row) const
{
    AnsiRowColors colors = { nullptr, nullptr };
    if (holds(row)) {
        colors.attributes = attributesOf(row);
        colors.exact = exactOf(row);
    }
    return colors;
}
