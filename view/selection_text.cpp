// The text between the two ends of a selection and the size of the clipboard
// block that carries it. Plain C++: the clipboard calls live in
// clipboard_copy_win32.cpp.
#include "view/selection_text.h"

#include "document/cp437.h"
#include "document/text_document.h"

namespace {

// Length of a zero-terminated line in bytes.
uint64_t lineLength(const char* line)
{
    uint64_t length = 0;
    while (line[length] != 0)
        ++length;
    return length;
}

uint64_t lineLengthAt(const TextDocument& document, int32_t index)
{
    return lineLength(document.getLine(index));
}

// Columns and lines come from the hit tests and are never negative; a
// negative one is treated as 0 rather than read before a line.
int32_t notNegative(int32_t value)
{
    return value < 0 ? 0 : value;
}

bool isAfter(int32_t lineA, int32_t columnA, int32_t lineB, int32_t columnB)
{
    return lineA > lineB || (lineA == lineB && columnA > columnB);
}

// A column at or past the end of its line stands for the end of the line.
int32_t clampColumn(const TextDocument& document, int32_t line, int32_t column)
{
    uint64_t length = lineLengthAt(document, line);
    return (uint64_t)column >= length ? (int32_t)length : column;
}

// Line 0 is the empty row in front of the text: an end there is the start of
// line 1 (its column has already been clamped to 0).
int32_t skipLineZero(int32_t line)
{
    return line == 0 ? 1 : line;
}

// Appends into a caller's block, always keeping one byte for the final zero.
struct TextWriter {
    char* buffer;
    uint64_t limit;     // bytes of text that fit, the zero byte excluded
    uint64_t length;    // bytes of text written so far

    void append(const char* bytes, uint64_t count)
    {
        uint64_t room = limit - length;
        if (count > room)
            count = room;
        if (count != 0)
            __builtin_memcpy(buffer + length, bytes, (size_t)count);
        length += count;
    }

    void appendLineFeeds(uint64_t count)
    {
        uint64_t room = limit - length;
        if (count > room)
            count = room;
        if (count != 0)
            __builtin_memset(buffer + length, 10, (size_t)count);
        length += count;
    }

    void appendLine(const char* line, uint64_t from, uint64_t to)
    {
        append(line + from, to - from);
    }
};

// Lines first..last inclusive that lie past the document's last line: each is
// empty and adds only its line feed.
uint64_t linesPastEnd(const TextDocument& document, int32_t first, int32_t last)
{
    int64_t from = first;
    int64_t count = document.getLineCount();
    if (from < count)
        from = count;
    return (int64_t)last >= from ? (uint64_t)((int64_t)last - from + 1) : 0;
}

// The last line of first..last that the document holds, or first - 1.
int32_t lastLineInside(const TextDocument& document, int32_t first, int32_t last)
{
    int32_t lastInDocument = document.getLineCount() - 1;
    int32_t end = last < lastInDocument ? last : lastInDocument;
    return end < first ? first - 1 : end;
}

}  // namespace

bool resolveSelection(const TextDocument& document, int32_t anchorLine, int32_t anchorColumn,
                      int32_t caretLine, int32_t caretColumn, uint8_t reversed,
                      SelectionSpan* span)
{
    int32_t startLine = notNegative(reversed ? caretLine : anchorLine);
    int32_t startColumn = notNegative(reversed ? caretColumn : anchorColumn);
    int32_t endLine = notNegative(reversed ? anchorLine : caretLine);
    int32_t endColumn = notNegative(reversed ? anchorColumn : caretColumn);

    // The view keeps reversed in step with the ends; should the two ever
    // disagree, copy the same text instead of running past the block.
    if (isAfter(startLine, startColumn, endLine, endColumn)) {
        int32_t line = startLine, column = startColumn;
        startLine = endLine;
        startColumn = endColumn;
        endLine = line;
        endColumn = column;
    }

    span->startColumn = clampColumn(document, startLine, startColumn);
    span->endColumn = clampColumn(document, endLine, endColumn);
    span->startLine = skipLineZero(startLine);
    span->endLine = skipLineZero(endLine);
    return !(span->startLine == span->endLine && span->startColumn == span->endColumn);
}

uint64_t selectionBlockSize(const TextDocument& document, const SelectionSpan& span)
{
    if (span.startLine == span.endLine)
        return (uint64_t)(span.endColumn - span.startColumn) + 1;

    uint64_t size = lineLengthAt(document, span.startLine) - (uint64_t)span.startColumn + 1;
    int32_t first = span.startLine + 1;
    int32_t lastInside = lastLineInside(document, first, span.endLine);
    for (int32_t line = first; line <= lastInside; ++line)
        size += lineLengthAt(document, line) + 1;
    return size + linesPastEnd(document, first, span.endLine);
}

uint64_t writeSelectionText(const TextDocument& document, const SelectionSpan& span,
                            char* buffer, uint64_t capacity)
{
    if (capacity == 0)
        return 0;
    TextWriter writer = { buffer, capacity - 1, 0 };

    const char* startText = document.getLine(span.startLine);
    if (span.startLine == span.endLine) {
        writer.appendLine(startText, (uint64_t)span.startColumn, (uint64_t)span.endColumn);
    } else {
        writer.appendLine(startText, (uint64_t)span.startColumn, lineLength(startText));
        writer.appendLineFeeds(1);
        int32_t first = span.startLine + 1;
        int32_t lastWhole = span.endLine - 1;
        int32_t lastInside = lastLineInside(document, first, lastWhole);
        for (int32_t line = first; line <= lastInside && writer.length < writer.limit; ++line) {
            const char* text = document.getLine(line);
            writer.appendLine(text, 0, lineLength(text));
            writer.appendLineFeeds(1);
        }
        if (lastWhole >= first)
            writer.appendLineFeeds(linesPastEnd(document, first, lastWhole));
        writer.appendLine(document.getLine(span.endLine), 0, (uint64_t)span.endColumn);
    }
    buffer[writer.length] = 0;
    return writer.length;
}

uint64_t unicodeTextUnits(const char* text, uint64_t length)
{
    uint64_t units = length + 1;
    for (uint64_t i = 0; i < length; ++i)
        units += text[i] == '\n';
    return units;
}

void writeUnicodeText(const char* text, uint64_t length, uint16_t* out)
{
    for (uint64_t i = 0; i < length; ++i) {
        uint8_t byte = (uint8_t)text[i];
        if (byte == '\n')
            *out++ = '\r';
        *out++ = byte == '\n' || byte == '\t' ? byte : (uint16_t)cp437ToUnicode(byte);
    }
    *out = 0;
}
