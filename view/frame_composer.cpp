// Frame composition: the whole picture of the view, or any band of its rows,
// drawn from scratch from a FrameDescription (frame_composer.h), and the fade
// of its top and bottom edges.
//
// Pixel rules: a glyph cell is 8x16 and opaque; cell i of a line starts at
// x = 10 + 8*i (a tab takes eight space cells), text row r at
// y = pixelOffset + 16*r. Glyphs never write pixel column 0 or pixel row 0,
// which keep the background. The fade blends each of the 30 outermost rows
// towards the background, c = (p*(30-d) + c*d) / 30, top band first.
//
// Speed: every scroll tick composes the full frame, so the work is organised
// to touch each pixel once. Each text row is clipped once per line, glyph
// rows are expanded to eight pixels through a table per ink/paper pair and
// written as two 16-byte stores, and only the pixels that no cell covers
// (margins, line tails, row 0) are filled with the background. The fade is
// integer SSE2.
#include <emmintrin.h>

#include "view/frame_composer.h"

#include "document/text_document.h"
#include "view/vga_font.h"

static const int32_t cellWidth = frameCellWidth;
static const int32_t cellHeight = frameCellHeight;
static const int32_t textLeft = frameTextLeft;
static const int32_t fadeRows = frameFadeRows;
static const uint8_t tabCode = 0x09;
static const uint8_t spaceCode = 0x20;
static const int32_t cellsPerTab = frameCellsPerTab;

// ---------------------------------------------------------------------------
// Expanded glyph rows: for one ink/paper pair, the eight pixels of every
// possible glyph row byte (bit 7 leftmost). Two slots, one for plain text and
// one for the selection; a slot is rebuilt only when its colours change.
// A program composes on one thread only, so the slots need no lock.

struct GlyphRowTable {
    alignas(16) Pixel rows[256 * cellWidth];
    Pixel ink;
    Pixel paper;
    bool built;
};

static GlyphRowTable glyphRowTables[2];

static const Pixel* glyphRows(int slot, Pixel ink, Pixel paper)
{
    GlyphRowTable& table = glyphRowTables[slot];
    if (!table.built || table.ink != ink || table.paper != paper) {
        for (int bits = 0; bits < 256; ++bits)
            for (int k = 0; k < cellWidth; ++k)
                table.rows[bits * cellWidth + k] = (bits & (0x80 >> k)) ? ink : paper;
        table.ink = ink;
        table.paper = paper;
        table.built = true;
    }
    return table.rows;
}

struct GlyphInks {
    const Pixel* plain;
    const Pixel* selected;
};

static GlyphInks glyphInksOf(const FrameDescription& frame)
{
    GlyphInks inks;
    inks.plain = glyphRows(0, frame.ink, frame.paper);
    inks.selected = glyphRows(1, frame.selInk, frame.selPaper);
    return inks;
}

// A band of frame rows as a drawing surface: rows top .. bottom - 1 of the
// frame, row `top` at pixels. pixels is null when there is nothing to draw
// into (no buffer, no width, or no frame rows in the band).

static int64_t minOf(int64_t a, int64_t b)
{
    return a < b ? a : b;
}

static int64_t maxOf(int64_t a, int64_t b)
{
    return a > b ? a : b;
}

struct Canvas {
    Pixel* pixels;
    int32_t width;
    int32_t top;
    int32_t bottom;
};

static Canvas canvasOf(const FrameDescription& frame, Pixel* pixels, int32_t firstRow, int32_t rowCount)
{
    Canvas canvas = {};
    int64_t end = (int64_t)firstRow + rowCount;
    int32_t top = firstRow > 0 ? firstRow : 0;
    int32_t bottom = end < frame.height ? (int32_t)end : frame.height;
    if (pixels && frame.width > 0 && top < bottom) {
        canvas.pixels = pixels + (int64_t)(top - firstRow) * frame.width;
        canvas.width = frame.width;
        canvas.top = top;
        canvas.bottom = bottom;
    }
    return canvas;
}

static Pixel* rowOf(const Canvas& canvas, int64_t row)
{
    return canvas.pixels + (row - canvas.top) * canvas.width;
}

static void fillPixels(Pixel* dst, int64_t count, Pixel value)
{
    __m128i v = _mm_set1_epi32((int)value);
    int64_t i = 0;
    for (; i + 16 <= count; i += 16) {
        _mm_storeu_si128((__m128i*)(dst + i), v);
        _mm_storeu_si128((__m128i*)(dst + i + 4), v);
        _mm_storeu_si128((__m128i*)(dst + i + 8), v);
        _mm_storeu_si128((__m128i*)(dst + i + 12), v);
    }
    for (; i + 4 <= count; i += 4)
        _mm_storeu_si128((__m128i*)(dst + i), v);
    for (; i < count; ++i)
        dst[i] = value;
}

// ---------------------------------------------------------------------------
// Cells.

// A whole-width cell: rowCount rows of 8 pixels from the glyph's row bytes.
static inline void putCell(Pixel* dst, int32_t stride, const uint8_t* glyph, int32_t rowCount,
                           const Pixel* rows)
{
    for (int32_t r = 0; r < rowCount; ++r) {
        const __m128i* src = (const __m128i*)(rows + glyph[r] * cellWidth);
        _mm_storeu_si128((__m128i*)dst, _mm_load_si128(src));
        _mm_storeu_si128((__m128i*)(dst + 4), _mm_load_si128(src + 1));
        dst += stride;
    }
}

// A clipped cell: columns firstColumn .. firstColumn + columnCount - 1 only;
// dst points at the first of them.
static void putCellPart(Pixel* dst, int32_t stride, const uint8_t* glyph, int32_t rowCount,
                        const Pixel* rows, int32_t firstColumn, int32_t columnCount)
{
    for (int32_t r = 0; r < rowCount; ++r) {
        const Pixel* src = rows + glyph[r] * cellWidth + firstColumn;
        for (int32_t k = 0; k < columnCount; ++k)
            dst[k] = src[k];
        dst += stride;
    }
}

// ---------------------------------------------------------------------------
// Coloured cells (ANSI art): every cell has its own two colours, so a glyph
// row's pixels are picked bit by bit.

// One coloured cell, `cellPixels` (8 or 9) wide, its columns 0 .. endColumn - 1
// from dst on. The ninth column repeats the eighth for the line-drawing glyphs
// 0xC0-0xDF and is background otherwise.
static void putColoredCell(Pixel* dst, int32_t stride, uint8_t code, int32_t firstRow, int32_t rowCount,
                           int32_t endColumn, Pixel fore, Pixel back)
{
    const uint8_t* glyph = vgaFont + code * cellHeight + firstRow;
    const uint32_t ninth = code >= 0xC0 && code <= 0xDF ? 1 : 0;
    for (int32_t r = 0; r < rowCount; ++r, dst += stride) {
        const uint32_t bits = (uint32_t)glyph[r] << 1 | (glyph[r] & ninth);
        for (int32_t k = 0; k < endColumn; ++k)
            dst[k] = (bits >> (8 - k)) & 1 ? fore : back;
    }
}

// ---------------------------------------------------------------------------
// Selection.

// The selected characters of one line: index i is selected when
// inSelection and from <= i < to.
struct LineSelection {
    bool inSelection;
    int64_t from;
    int64_t to;
};

static LineSelection selectionOfLine(const FrameSelection& ends, int32_t lineIndex)
{
    LineSelection line;
    line.inSelection = ends.active && ends.startLine <= lineIndex && lineIndex <= ends.endLine;
    line.from = lineIndex == ends.startLine ? ends.startColumn : INT64_MIN;
    line.to = lineIndex == ends.endLine ? ends.endColumn : INT64_MAX;
    return line;
}

// ---------------------------------------------------------------------------
// Lines.

// Draws a line's cells with their top edge at y and returns the x where the
// drawn cells end, clipped to the width (textLeft when none are visible).
static int64_t drawText(const Canvas& canvas, const uint8_t* text, int64_t y,
                        const LineSelection& selection, const GlyphInks& inks)
{
    if (!canvas.pixels)
        return textLeft;
    int64_t firstRow = maxOf(0, maxOf(1, canvas.top) - y);
    int64_t endRow = minOf(cellHeight, canvas.bottom - y);
    if (firstRow >= endRow)
        return textLeft;
    int32_t rowCount = (int32_t)(endRow - firstRow);
    int32_t width = canvas.width;
    Pixel* rowStart = rowOf(canvas, y + firstRow);
    int64_t x = textLeft;
    for (int64_t i = 0; text[i] && x < width; ++i) {
        bool selected = selection.inSelection && i >= selection.from && i < selection.to;
        const Pixel* rows = selected ? inks.selected : inks.plain;
        uint8_t code = text[i];
        int32_t cells = code == tabCode ? cellsPerTab : 1;
        if (code == tabCode)
            code = spaceCode;
        const uint8_t* glyph = vgaFont + code * cellHeight + firstRow;
        for (int32_t c = 0; c < cells && x < width; ++c, x += cellWidth) {
            if (x + cellWidth <= width)
                putCell(rowStart + x, width, glyph, rowCount, rows);
            else
                putCellPart(rowStart + x, width, glyph, rowCount, rows, 0, (int32_t)(width - x));
        }
    }
    return minOf(x, width);
}

// Draws a row of ANSI art (line lineIndex, canvas row lineIndex - 1) like
// drawText: every cell of the canvas's width, in its own colours, or in the
// selection's two where selected. Returns the x where the cells end.
static int64_t drawCells(const Canvas& canvas, const AnsiCanvas& art, int32_t lineIndex, int64_t y,
                         const LineSelection& selection, const FrameDescription& frame)
{
    if (!canvas.pixels || lineIndex < 1)
        return textLeft;
    int64_t firstRow = maxOf(0, maxOf(1, canvas.top) - y);
    int64_t endRow = minOf(cellHeight, canvas.bottom - y);
    if (firstRow >= endRow)
        return textLeft;
    const char* glyphs = art.glyphRow(lineIndex - 1);
    const AnsiRowColors colors = art.rowColors(lineIndex - 1);
    const uint8_t* text = (const uint8_t*)(glyphs ? glyphs : "");
    const int32_t cellPixels = art.cellWidth;
    const int32_t width = canvas.width;
    Pixel* rowStart = rowOf(canvas, y + firstRow);
    int64_t x = textLeft;
    bool inText = true;
    for (int32_t i = 0; i < art.getWidth() && x < width; ++i, x += cellPixels) {
        uint8_t code = spaceCode;
        if (inText && text[i])
            code = text[i];
        else
            inText = false;
        Pixel fore = colors.attributes ? colors.fore(i) : 0;
        Pixel back = colors.attributes ? colors.back(i) : 0;
        if (selection.inSelection && i >= selection.from && i < selection.to) {
            fore = frame.selInk;
            back = frame.selPaper;
        }
        putColoredCell(rowStart + x, width, code, (int32_t)firstRow, (int32_t)(endRow - firstRow),
                       (int32_t)minOf(cellPixels, width - x), fore, back);
    }
    return minOf(x, width);
}

// The colour of everything that is not text: the user's background, or black
// around ANSI art, whose cells bring their own colours.
static Pixel paperOf(const FrameDescription& frame)
{
    return frame.document && frame.document->canvas ? 0 : frame.paper;
}

// Fills the pixels of a text row's band (y .. y + 15, clipped) that its cells
// do not cover: the left margin, the part right of textEnd, and the whole of
// pixel row 0, which glyphs never write.
static void fillAroundText(const Canvas& canvas, int64_t y, int64_t textEnd, Pixel paper)
{
    int64_t top = maxOf(y, canvas.top);
    int64_t bottom = minOf(y + cellHeight, canvas.bottom);
    int64_t margin = minOf(textLeft, canvas.width);
    int64_t tailStart = maxOf(margin, minOf(textEnd, canvas.width));
    for (int64_t row = top; row < bottom; ++row) {
        Pixel* line = rowOf(canvas, row);
        if (row == 0) {
            fillPixels(line, canvas.width, paper);
            continue;
        }
        fillPixels(line, margin, paper);
        fillPixels(line + tailStart, canvas.width - tailStart, paper);
    }
}

// The band with text: the background, then every text row that meets it.
// Equivalent to filling the whole band first and drawing each row over it,
// but every pixel is written once.
static void composeText(const FrameDescription& frame, const Canvas& canvas)
{
    GlyphInks inks = glyphInksOf(frame);
    const AnsiCanvas* art = frame.document->canvas;
    const Pixel paper = paperOf(frame);
    int64_t offset = frame.pixelOffset;
    // Rows above text row 0.
    if (offset > canvas.top)
        fillPixels(canvas.pixels, (minOf(offset, canvas.bottom) - canvas.top) * canvas.width, paper);
    // Text rows that end above the band draw nothing.
    int64_t firstRow = canvas.top > offset ? (canvas.top - offset) / cellHeight : 0;
    for (int64_t row = firstRow; offset + cellHeight * row < canvas.bottom; ++row) {
        int64_t y = offset + cellHeight * row;
        int64_t lineIndex = (int64_t)frame.topLine + row;
        int64_t textEnd = textLeft;
        // A line number past the 32-bit range names no line of any document.
        if (lineIndex < frame.document->getLineCount()) {
            const LineSelection selection = selectionOfLine(frame.selection, (int32_t)lineIndex);
            if (art)
                textEnd = drawCells(canvas, *art, (int32_t)lineIndex, y, selection, frame);
            else
                textEnd = drawText(canvas, (const uint8_t*)frame.document->getLine((int32_t)lineIndex), y,
                                   selection, inks);
        }
        fillAroundText(canvas, y, textEnd, paper);
    }
}

// ---------------------------------------------------------------------------
// Fade.

// (x * 34953) >> 20 equals x / 30 for every x up to 30 * 255.
static const int fadeDivisorMultiplier = 34953;
static const int fadeDivisorShift = 4;   // after the 16-bit high multiply

static uint8_t fadeChannel(uint32_t own, uint32_t paper, uint32_t d)
{
    return (uint8_t)((paper * (fadeRows - d) + own * d) / fadeRows);
}

// Blends one row of pixels towards paper: d/30 of its own colour remains.
// The fourth byte of every pixel is kept.
static void fadeRow(Pixel* row, int32_t width, Pixel paper, int32_t d)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i keepMask = _mm_set1_epi32((int)0xFF000000u);
    const __m128i ownWeight = _mm_set1_epi16((short)d);
    const __m128i paperTerm = _mm_mullo_epi16(
        _mm_unpacklo_epi8(_mm_set1_epi32((int)paper), zero), _mm_set1_epi16((short)(fadeRows - d)));
    const __m128i divisor = _mm_set1_epi16((short)fadeDivisorMultiplier);
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        __m128i pixels = _mm_loadu_si128((const __m128i*)(row + x));
        __m128i low = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pixels, zero), ownWeight), paperTerm);
        __m128i high = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(pixels, zero), ownWeight), paperTerm);
        low = _mm_srli_epi16(_mm_mulhi_epu16(low, divisor), fadeDivisorShift);
        high = _mm_srli_epi16(_mm_mulhi_epu16(high, divisor), fadeDivisorShift);
        __m128i blended = _mm_packus_epi16(low, high);
        blended = _mm_or_si128(_mm_andnot_si128(keepMask, blended), _mm_and_si128(keepMask, pixels));
        _mm_storeu_si128((__m128i*)(row + x), blended);
    }
    for (; x < width; ++x) {
        Pixel own = row[x];
        Pixel blended = own & 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8)
            blended |= (Pixel)fadeChannel((own >> shift) & 0xFF, (paper >> shift) & 0xFF, d) << shift;
        row[x] = blended;
    }
}

// ---------------------------------------------------------------------------
// The composer's operations.

void composeFrameRows(const FrameDescription& frame, Pixel* pixels, int32_t firstRow, int32_t rowCount)
{
    Canvas canvas = canvasOf(frame, pixels, firstRow, rowCount);
    if (!canvas.pixels)
        return;
    if (frame.document)
        composeText(frame, canvas);
    else
        fillPixels(canvas.pixels, (int64_t)(canvas.bottom - canvas.top) * canvas.width, frame.paper);
}

void fadeFrameRows(const FrameDescription& frame, Pixel* pixels, int32_t firstRow, int32_t rowCount)
{
    Canvas canvas = canvasOf(frame, pixels, firstRow, rowCount);
    if (!canvas.pixels)
        return;
    // Rows of a low frame are confined to the image, and where the two edges'
    // rows overlap a row is blended by both in turn, the top edge's first.
    int32_t height = frame.height;
    for (int32_t row = canvas.top; row < canvas.bottom; ++row) {
        int32_t fromBottom = height - 1 - row;
        if (row >= fadeRows && fromBottom >= fadeRows)
            continue;
        Pixel* line = rowOf(canvas, row);
        if (row < fadeRows)
            fadeRow(line, canvas.width, paperOf(frame), row);
        if (fromBottom < fadeRows)
            fadeRow(line, canvas.width, paperOf(frame), fromBottom);
    }
}

void composeFrameLine(const FrameDescription& frame, Pixel* pixels, int32_t row, int32_t lineIndex)
{
    Canvas canvas = canvasOf(frame, pixels, 0, frame.height);
    if (!canvas.pixels || !frame.document)
        return;
    int64_t y = (int64_t)frame.pixelOffset + (int64_t)cellHeight * row;
    const LineSelection selection = selectionOfLine(frame.selection, lineIndex);
    if (frame.document->canvas) {
        if (lineIndex < frame.document->getLineCount())
            drawCells(canvas, *frame.document->canvas, lineIndex, y, selection, frame);
        return;
    }
    const uint8_t* text = (const uint8_t*)frame.document->getLine(lineIndex);
    drawText(canvas, text, y, selection, glyphInksOf(frame));
}

void composeFrameGlyph(const FrameDescription& frame, Pixel* pixels, uint8_t code, int32_t x, int32_t y,
                       bool selected)
{
    Canvas canvas = canvasOf(frame, pixels, 0, frame.height);
    if (!canvas.pixels)
        return;
    int64_t firstColumn = maxOf(0, 1 - (int64_t)x);
    int64_t endColumn = minOf(cellWidth, (int64_t)canvas.width - x);
    int64_t firstRow = maxOf(0, 1 - (int64_t)y);
    int64_t endRow = minOf(cellHeight, (int64_t)canvas.bottom - y);
    if (firstColumn >= endColumn || firstRow >= endRow)
        return;
    GlyphInks inks = glyphInksOf(frame);
    Pixel* dst = rowOf(canvas, (int64_t)y + firstRow) + x + firstColumn;
    putCellPart(dst, canvas.width, vgaFont + code * cellHeight + firstRow, (int32_t)(endRow - firstRow),
                selected ? inks.selected : inks.plain, (int32_t)firstColumn, (int32_t)(endColumn - firstColumn));
}
