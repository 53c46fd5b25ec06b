// Frame composition: the whole picture of the view, drawn from scratch on
// every call into the back buffer, copied to the screen image, faded at the top
// and bottom edges there and presented.
//
// Pixel rules: a glyph cell is 8x16 and opaque; cell i of a line starts at
// x = 10 + 8*i (a tab takes eight space cells), text row r at
// y = pixelOffset + 16*r. Glyphs never write pixel column 0 or pixel row 0,
// which keep the background. The fade blends each of the 30 outermost rows
// towards the background, c = (p*(30-d) + c*d) / 30, top band first.
//
// Speed: every scroll tick composes the full frame, so the work is organised
// to touch each back-buffer pixel once. Each text row is clipped once per
// line, glyph rows are expanded to eight pixels through a table per
// ink/paper pair and written as two 16-byte stores, and only the pixels that
// no cell covers (margins, line tails, row 0) are filled with the background.
// The fade is integer SSE2.
#include <emmintrin.h>

#include "document/text_document.h"
#include "view/scroll_view.h"
#include "view/vga_font.h"

static const int32_t cellWidth = 8;
static const int32_t cellHeight = 16;
static const int32_t textLeft = 10;
static const int32_t fadeRows = 30;
static const uint8_t tabCode = 0x09;
static const uint8_t spaceCode = 0x20;
static const int32_t cellsPerTab = 8;

// ---------------------------------------------------------------------------
// Expanded glyph rows: for one ink/paper pair, the eight pixels of every
// possible glyph row byte (bit 7 leftmost). Two slots, one for plain text and
// one for the selection; a slot is rebuilt only when its colours change.
// Only the window thread composes, so the slots need no lock.

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

static GlyphInks glyphInksOf(const ScrollView& view)
{
    GlyphInks inks;
    inks.plain = glyphRows(0, view.inkPixel, view.paperPixel);
    inks.selected = glyphRows(1, view.selInkPixel, view.selPaperPixel);
    return inks;
}

// ---------------------------------------------------------------------------
// The back buffer as a drawing surface; pixels is null when there is nothing
// to draw into (no buffer, or a size of zero or less).

struct Canvas {
    Pixel* pixels;
    int32_t width;
    int32_t height;
};

static Canvas canvasOf(Pixel* pixels, int32_t width, int32_t height)
{
    Canvas canvas;
    bool usable = pixels && width > 0 && height > 0;
    canvas.pixels = usable ? pixels : nullptr;
    canvas.width = usable ? width : 0;
    canvas.height = usable ? height : 0;
    return canvas;
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

static int64_t minOf(int64_t a, int64_t b)
{
    return a < b ? a : b;
}

static int64_t maxOf(int64_t a, int64_t b)
{
    return a > b ? a : b;
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
// Selection.

struct SelectionEnds {
    bool active;
    int32_t startLine, startColumn, endLine, endColumn;
};

static SelectionEnds orderedSelection(const ScrollView& view)
{
    SelectionEnds ends;
    ends.active = view.hasSelection != 0;
    bool reversed = view.selReversed != 0;
    ends.startLine = reversed ? view.caretLine : view.anchorLine;
    ends.startColumn = reversed ? view.caretColumn : view.anchorColumn;
    ends.endLine = reversed ? view.anchorLine : view.caretLine;
    ends.endColumn = reversed ? view.anchorColumn : view.caretColumn;
    return ends;
}

// The selected characters of one line: index i is selected when
// inSelection and from <= i < to.
struct LineSelection {
    bool inSelection;
    int64_t from;
    int64_t to;
};

static LineSelection selectionOfLine(const SelectionEnds& ends, int32_t lineIndex)
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
    int64_t firstRow = maxOf(0, 1 - y);
    int64_t endRow = minOf(cellHeight, canvas.height - y);
    if (firstRow >= endRow)
        return textLeft;
    int32_t rowCount = (int32_t)(endRow - firstRow);
    int32_t width = canvas.width;
    Pixel* rowStart = canvas.pixels + (y + firstRow) * width;
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

// Fills the pixels of a text row's band (y .. y + 15, clipped) that its cells
// do not cover: the left margin, the part right of textEnd, and the whole of
// pixel row 0, which glyphs never write.
static void fillAroundText(const Canvas& canvas, int64_t y, int64_t textEnd, Pixel paper)
{
    int64_t top = maxOf(y, 0);
    int64_t bottom = minOf(y + cellHeight, canvas.height);
    int64_t margin = minOf(textLeft, canvas.width);
    int64_t tailStart = maxOf(margin, minOf(textEnd, canvas.width));
    for (int64_t row = top; row < bottom; ++row) {
        Pixel* line = canvas.pixels + row * canvas.width;
        if (row == 0) {
            fillPixels(line, canvas.width, paper);
            continue;
        }
        fillPixels(line, margin, paper);
        fillPixels(line + tailStart, canvas.width - tailStart, paper);
    }
}

// The back buffer with text: the background, then every visible text row.
// Equivalent to filling the whole buffer first and drawing each row over it,
// but every pixel is written once.
static void composeText(const ScrollView& view, const Canvas& canvas)
{
    GlyphInks inks = glyphInksOf(view);
    SelectionEnds selection = orderedSelection(view);
    int64_t offset = view.pixelOffset;
    if (offset > 0)
        fillPixels(canvas.pixels, minOf(offset, canvas.height) * canvas.width, view.paperPixel);
    // Rows that lie wholly above the image draw nothing.
    int64_t firstRow = offset < 0 ? -offset / cellHeight : 0;
    for (int64_t row = firstRow; offset + cellHeight * row < canvas.height; ++row) {
        int64_t y = offset + cellHeight * row;
        int64_t lineIndex = (int64_t)view.topLine + row;
        int64_t textEnd = textLeft;
        // A line number past the 32-bit range names no line of any document.
        if (lineIndex <= INT32_MAX) {
            const uint8_t* text = (const uint8_t*)view.document->getLine((int32_t)lineIndex);
            textEnd = drawText(canvas, text, y, selectionOfLine(selection, (int32_t)lineIndex), inks);
        }
        fillAroundText(canvas, y, textEnd, view.paperPixel);
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
// The view's operations.

void ScrollView::composeFrame()
{
    Canvas canvas = canvasOf(backBuffer, width, height);
    if (canvas.pixels) {
        if (document)
            composeText(*this, canvas);
        else
            fillPixels(canvas.pixels, (int64_t)canvas.width * canvas.height, paperPixel);
        copyToScreen();
        if (document && fadeEnabled)
            applyFade();
    }
    present();
}

void ScrollView::drawLine(int32_t row, int32_t lineIndex)
{
    Canvas canvas = canvasOf(backBuffer, width, height);
    if (!canvas.pixels || !document)
        return;
    int64_t y = (int64_t)pixelOffset + (int64_t)cellHeight * row;
    const uint8_t* text = (const uint8_t*)document->getLine(lineIndex);
    drawText(canvas, text, y, selectionOfLine(orderedSelection(*this), lineIndex), glyphInksOf(*this));
}

void ScrollView::drawGlyph(uint8_t code, int32_t x, int32_t y, bool selected)
{
    Canvas canvas = canvasOf(backBuffer, width, height);
    if (!canvas.pixels)
        return;
    int64_t firstColumn = maxOf(0, 1 - (int64_t)x);
    int64_t endColumn = minOf(cellWidth, (int64_t)canvas.width - x);
    int64_t firstRow = maxOf(0, 1 - (int64_t)y);
    int64_t endRow = minOf(cellHeight, (int64_t)canvas.height - y);
    if (firstColumn >= endColumn || firstRow >= endRow)
        return;
    const Pixel* rows = selected ? glyphRows(1, selInkPixel, selPaperPixel)
                                 : glyphRows(0, inkPixel, paperPixel);
    Pixel* dst = canvas.pixels + ((int64_t)y + firstRow) * canvas.width + x + firstColumn;
    putCellPart(dst, canvas.width, vgaFont + code * cellHeight + firstRow, (int32_t)(endRow - firstRow),
                rows, (int32_t)firstColumn, (int32_t)(endColumn - firstColumn));
}

void ScrollView::applyFade()
{
    Canvas canvas = canvasOf(screenBits, width, height);
    if (!canvas.pixels)
        return;
    // Top band, then bottom band; rows of a low view are confined to the
    // image, and where the bands overlap a row is blended by both in turn.
    for (int32_t d = 0; d < fadeRows && d < canvas.height; ++d)
        fadeRow(canvas.pixels + (int64_t)d * canvas.width, canvas.width, paperPixel, d);
    for (int32_t d = 0; d < fadeRows && d < canvas.height; ++d)
        fadeRow(canvas.pixels + (int64_t)(canvas.height - 1 - d) * canvas.width, canvas.width, paperPixel, d);
}

void ScrollView::copyToScreen()
{
    if (!backBuffer || !screenBits || width <= 0 || height <= 0)
        return;
    __builtin_memcpy(screenBits, backBuffer, (size_t)width * (size_t)height * sizeof(Pixel));
}
