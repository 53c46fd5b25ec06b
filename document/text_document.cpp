// TextDocument: loading a file whole and presenting it as numbered lines.
//
// The file is read with one read into a zero-filled block of pages, read as
// text in place (text_reading.h), split in place (line_table.h) and indexed by a second block holding the line table.
// Whatever goes wrong on the way gives a document without lines, after one
// message to the user; nothing obtained before the failure is kept.
#include "document/text_document.h"

#include "document/ansi_reader.h"
#include "document/art_format.h"
#include "document/document_storage.h"
#include "document/line_table.h"
#include "document/text_reading.h"

const char TextDocument::emptyLine[1] = { 0 };

namespace {

const char fileNotFound[] = "File not found";
const char fileTooLarge[] = "File is too large";
const char notEnoughMemory[] = "Not enough memory to open the file";

// Room behind the file's bytes: the zero byte of line 0 in front, the one that
// ends the last line and three spare ones.
const uint32_t textPadding = 5;

// Reads the open file into a fresh text buffer. Returns the message for the
// user when that cannot be done, else null.
const char* readText(TextDocument& document, DocumentFile* file, TextReading* reading)
{
    uint64_t size = 0;
    if (!getDocumentFileSize(file, &size))
        return fileNotFound;
    if (size > maxDocumentLength)
        return fileTooLarge;
    const uint32_t length = (uint32_t)size;
    uint8_t* buffer = (uint8_t*)allocatePages(length + textPadding);
    if (!buffer)
        return notEnoughMemory;
    buffer[0] = 0;
    readDocumentFile(file, buffer + 1, length);
    document.textBuffer = buffer;
    document.textLength = readDocumentText(buffer, length, EncodingChoice::automatic, false, reading);
    return nullptr;
}

// Splits the text into lines and builds their table. Returns the message for
// the user when the table cannot be had, else null.
const char* indexLines(TextDocument& document)
{
    const int32_t count = splitLines(document.textBuffer, document.textLength);
    if (count == 0)
        return nullptr;
    const uint64_t tableBytes = (uint64_t)count * sizeof(char*);
    if (tableBytes != (size_t)tableBytes)
        return notEnoughMemory;
    char** table = (char**)allocatePages((size_t)tableBytes);
    if (!table)
        return notEnoughMemory;
    document.lineTable = table;
    document.lineCount = count;
    document.widestLine = buildLineTable(document.textBuffer, document.textLength, table, count);
    return nullptr;
}

// Rows of ANSI art as lines: line 0 empty, line k the glyphs of row k - 1
// (a row never touched is empty too).
const char* indexRows(TextDocument& document)
{
    const AnsiCanvas& canvas = *document.canvas;
    const int32_t count = canvas.getRows() + 1;
    char** table = (char**)allocatePages((size_t)count * sizeof(char*));
    if (!table)
        return notEnoughMemory;
    for (int32_t k = 0; k < count; ++k) {
        const char* row = k ? canvas.glyphRow(k - 1) : nullptr;
        table[k] = (char*)(row ? row : TextDocument::emptyLine);
    }
    document.lineTable = table;
    document.lineCount = count;
    document.widestLine = canvas.getWidth();
    return nullptr;
}

// Gives back the table and then the text, leaving a document without lines.
void releaseText(TextDocument& document)
{
    delete document.canvas;
    document.canvas = nullptr;
    freePages(document.lineTable);
    freePages(document.textBuffer);
    document.lineTable = nullptr;
    document.textBuffer = nullptr;
    document.textLength = 0;
    document.lineCount = 0;
    document.widestLine = 0;
}

}  // namespace

TextDocument::TextDocument(const char* fileName)
    : textBuffer(nullptr), textLength(0), lineCount(0), lineTable(nullptr), widestLine(0), canvas(nullptr)
{
    DocumentFile* file = openDocumentFile(fileName);
    if (!file) {
        reportLoadFailure(fileNotFound);
        return;
    }
    TextReading reading = {};
    const char* failure = readText(*this, file, &reading);
    closeDocumentFile(file);
    if (!failure) {
        uint8_t* buffer = textBuffer;
        textBuffer = nullptr;
        failure = adoptFileText(buffer, textLength, reading, fileName, ArtChoice());
    }
    if (failure) {
        releaseText(*this);
        reportLoadFailure(failure);
    }
}

TextDocument::~TextDocument()
{
    releaseText(*this);
}

const char* TextDocument::adoptText(uint8_t* buffer, uint32_t length)
{
    textBuffer = buffer;
    textLength = length;
    const char* failure = indexLines(*this);
    if (failure)
        releaseText(*this);
    return failure;
}

const char* TextDocument::adoptFileText(uint8_t* buffer, uint32_t length, const TextReading& reading,
                                        const char* name, const ArtChoice& choice)
{
    if (!readsAsAnsi(buffer + 1, length, reading.sauce, name, choice.format))
        return adoptText(buffer, length);
    textLength = 0;
    canvas = readAnsiArt(buffer + 1, length, ansiLayout(reading.sauce, choice), buffer);
    const char* failure = canvas ? indexRows(*this) : notEnoughMemory;
    if (failure)
        releaseText(*this);
    return failure;
}

int32_t TextDocument::getWidestLine() const
{
    return widestLine;
}
