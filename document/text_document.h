// TextDocument: one .nfo file held whole in memory as numbered lines.
//
// The file's bytes live in one zero-filled buffer of length + 5 bytes; every
// line is a zero-terminated string inside that buffer and the line table points
// at them, so nothing is copied per line. Line 0 is always the empty string in
// front of the file's first line; an empty file has no lines at all.
// Read-only after construction.
#pragma once

#include <stdint.h>

#include "app/globals.h"
#include "document/ansi_canvas.h"

struct ArtChoice;
struct TextReading;

class TextDocument {
public:
    TAVELIN_HEAP_OBJECT

    // Loads the file. Always yields a document: a file that cannot be opened,
    // is too large or does not fit in memory is reported to the user and gives
    // a document without lines.
    explicit TextDocument(const char* fileName);
    // A document without lines, for a loader that reads the text itself and
    // hands it over with adoptText.
    TextDocument()
        : textBuffer(nullptr), textLength(0), lineCount(0), lineTable(nullptr), widestLine(0), canvas(nullptr)
    {
    }
    virtual ~TextDocument();

    // Takes a block from allocatePages of at least length + 5 zero-filled
    // bytes, the text at positions 1 to length, and splits it into lines as
    // a loaded file is split. Returns null, or the message for the user when
    // the line table cannot be had; the document then has no lines and the
    // block has been given back. Only for a document without text.
    const char* adoptText(uint8_t* buffer, uint32_t length);
    // The same for a file's text as readDocumentText left it, read as lines
    // or as ANSI art (art_format.h) by the reading, the file's name (may be
    // null) and what the user forces. ANSI art becomes a canvas whose rows
    // are the lines after line 0, and the block is the canvas's.
    const char* adoptFileText(uint8_t* buffer, uint32_t length, const TextReading& reading, const char* name,
                              const ArtChoice& choice);

    int32_t getLineCount() const { return lineCount; }
    // Width in columns of the widest line, a tab counting 7, at most INT32_MAX;
    // 0 without lines.
    int32_t getWidestLine() const;
    // The line at index, or a shared empty string outside 0..lineCount-1.
    const char* getLine(int32_t index) const
    {
        return (uint32_t)index < (uint32_t)lineCount ? lineTable[index] : emptyLine;
    }

    // Pixels a cell is wide: 8, or 9 for ANSI art drawn with letter spacing.
    int32_t getCellWidth() const { return canvas ? canvas->cellWidth : 8; }

    uint8_t* textBuffer;    // position 0 is line 0's zero byte; null if the file failed or is ANSI art
    uint32_t textLength;    // the text's length in bytes: the file's size, less what reading it took off
    int32_t lineCount;      // entries in lineTable, line 0 included
    char** lineTable;       // entry k points at line k inside textBuffer
    int32_t widestLine;     // getWidestLine's answer, measured while the table is built
    // ANSI art: the cells, row k being line k + 1; null for text. Its width
    // is the widest line.
    AnsiCanvas* canvas;

    static const char emptyLine[1];
};
