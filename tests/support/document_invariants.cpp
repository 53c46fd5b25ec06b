// The rules of a loaded TextDocument, checked byte by byte in the plainest way
// (see document_invariants.h).
#include "tests/support/document_invariants.h"

#include <string.h>

#include "document/ansi_canvas.h"
#include "document/text_document.h"

int64_t naiveLineWidth(const char* line)
{
    int64_t width = 0;
    for (; *line; ++line)
        width += *line == '\t' ? 7 : 1;
    return width;
}

static int32_t expectedLineCount(const uint8_t* file, uint32_t length)
{
    if (length == 0)
        return 0;
    int32_t feeds = 0;
    for (uint32_t i = 0; i < length; ++i)
        feeds += file[i] == '\n';
    const uint8_t last = file[length - 1];
    return 1 + feeds + (last != '\n' && last != 0);
}

// Bytes the loading may change: a line feed always becomes zero, a carriage
// return may (whether it ended a line is the table's check).
static const char* findBufferFault(const TextDocument& document, const uint8_t* file, uint32_t length)
{
    const uint8_t* text = document.textBuffer;
    if (text[0] != 0)
        return "position 0 is not zero";
    for (uint32_t i = 0; i < length; ++i) {
        const uint8_t expected = file[i] == '\n' ? 0 : file[i];
        if (text[i + 1] != expected && !(file[i] == '\r' && text[i + 1] == 0))
            return "a byte of the file was changed";
    }
    for (uint32_t i = length + 1; i < length + 5; ++i)
        if (text[i] != 0)
            return "padding behind the text is not zero";
    return nullptr;
}

static const char* findTableFault(const TextDocument& document, const uint8_t* file, uint32_t length)
{
    const char* text = (const char*)document.textBuffer;
    const char* textEnd = text + length + 1;    // the zero byte that ends the last line
    if (document.lineTable[0] != text)
        return "line 0 does not start at position 0";
    int64_t widest = 0;
    for (int32_t k = 0; k < document.lineCount; ++k) {
        const char* line = document.lineTable[k];
        if (line < text || line > textEnd)
            return "a line starts outside the text";
        if (document.getLine(k) != line)
            return "getLine differs from the table";
        const char* end = line;
        while (end < textEnd && *end)
            ++end;
        if (*end)
            return "a line runs past the end of the text";
        if (end > line && end[-1] == '\r')
            return "a carriage return at the end of a line was kept";
        const int64_t width = naiveLineWidth(line);
        if (width > widest)
            widest = width;
        if (k + 1 == document.lineCount)
            break;
        // The next line starts right after this one's zero byte, which stood
        // for a line feed or a zero in the file; only carriage returns that
        // ended this line were zeroed in between.
        const char* next = document.lineTable[k + 1];
        if (next <= end)
            return "lines overlap or go backwards";
        for (const char* gap = end; gap < next; ++gap)
            if (*gap)
                return "a line does not start right after the previous one";
        if (k == 0 ? next != text + 1 : file[next - 2 - text] != '\n' && file[next - 2 - text] != 0)
            return "a line ends where the file has no line end";
    }
    if (document.getWidestLine() != (widest > INT32_MAX ? INT32_MAX : widest))
        return "getWidestLine differs from the lines";
    return nullptr;
}

// ANSI art: line k + 1 is row k of the canvas, ended within the width, only
// blanks (no NUL) behind its end, its colours readable.
static const char* findCanvasFault(const TextDocument& document)
{
    const AnsiCanvas& canvas = *document.canvas;
    const int32_t width = canvas.getWidth(), rows = canvas.getRows();
    if (width < 1 || width > ansiMaxColumns || rows < 1 || document.textBuffer || document.getLine(0)[0] ||
        document.getLineCount() != rows + 1 || document.getWidestLine() != width)
        return "the lines disagree with the canvas";
    if (rows > 1 && !canvas.glyphRow(rows - 1))
        return "rows is not one more than the last row touched";
    volatile uint8_t colors = 0;    // read, so that the sanitizers see each colour's place
    for (int32_t row = 0; row < rows; ++row) {
        const char* glyphs = canvas.glyphRow(row);
        const AnsiRowColors rowColors = canvas.rowColors(row);
        if (glyphs ? document.getLine(row + 1) != glyphs || !rowColors.attributes : *document.getLine(row + 1))
            return "a line is not its row's glyphs";
        size_t length = 0;
        while (glyphs && length <= (size_t)width && glyphs[length])
            ++length;
        if (length > (size_t)width || (length && glyphs[length - 1] == ' '))
            return "a row is wider than the canvas or keeps trailing blanks";
        for (size_t k = length + 1; glyphs && k < (size_t)width; ++k)
            if (glyphs[k] != ' ')
                return "a row holds a glyph behind its end";
        for (int32_t k = 0; glyphs && k < width; ++k)
            colors = colors + (rowColors.fore(k) ^ rowColors.back(k));
    }
    return nullptr;
}

const char* findCanvasDifference(const AnsiCanvas& one, const AnsiCanvas& other)
{
    if (one.getWidth() != other.getWidth() || one.getRows() != other.getRows() || one.cut != other.cut)
        return "the canvases differ in width, rows or cut";
    for (int32_t row = 0; row < one.getRows(); ++row) {
        const char *glyphs = one.glyphRow(row), *others = other.glyphRow(row);
        if (!glyphs != !others || (glyphs && strcmp(glyphs, others) != 0))
            return "a row's glyphs differ";
        const AnsiRowColors colors = one.rowColors(row), otherColors = other.rowColors(row);
        for (int32_t k = 0; glyphs && k < one.getWidth(); ++k)
            if (colors.fore(k) != otherColors.fore(k) || colors.back(k) != otherColors.back(k))
                return "a cell's colours differ";
    }
    return nullptr;
}

const char* findDocumentFault(const TextDocument& document, const uint8_t* file, uint32_t length)
{
    if (document.canvas)
        return findCanvasFault(document);
    if (document.textLength != length)
        return "textLength is not the file's size";
    if (document.getLineCount() != expectedLineCount(file, length))
        return "wrong line count";
    if (!document.textBuffer)
        return "no text buffer";
    if (const char* fault = findBufferFault(document, file, length))
        return fault;
    if (document.lineCount == 0)
        return document.lineTable || document.getWidestLine() != 0 ? "lines in an empty document" : nullptr;
    return findTableFault(document, file, length);
}
