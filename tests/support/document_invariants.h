// What every loaded TextDocument must satisfy, checked against the bytes of the
// file it was loaded from. Shared by the native tests, the Wine tests and the
// fuzz target, so each of them checks the same rules.
#pragma once

#include <stdint.h>

class AnsiCanvas;
class TextDocument;

// Returns null when the document is sound, else a short description of the
// first rule it breaks. `file` holds the file's `length` bytes. Checks the
// line count (0 for an empty file, else 1 + the line feeds + 1 when the last
// byte is neither a line feed nor zero), the empty line 0 at position 0,
// entries that follow one another inside positions 0 to length + 1, the
// buffer (line feeds and the carriage returns ending a line zeroed, all other
// bytes kept, the padding zero) and the widest line.
const char* findDocumentFault(const TextDocument& document, const uint8_t* file, uint32_t length);

// Null when two canvases hold the same cells (glyphs and both colours), rows
// and cut, else what differs first.
const char* findCanvasDifference(const AnsiCanvas& one, const AnsiCanvas& other);

// Columns of one line by the plain rule: 7 for a tab, 1 for every other byte.
int64_t naiveLineWidth(const char* line);
