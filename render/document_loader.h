// Loading a file for the renderer: read whole, decoded from its text encoding
// to code page 437 bytes in place, then split into lines by the viewer's own
// document code. Unlike the viewer, which has one message for every file it
// cannot open, the renderer says why.
#pragma once

#include <stdint.h>

#include "document/text_reading.h"

class TextDocument;

// A file's text, read and decoded but not yet split into lines: a block from
// allocatePages with the text at positions 1 to length, zero bytes behind it.
struct LoadedText {
    uint8_t* buffer;            // null when the file was not read; free with freePages
    uint32_t length;
    const char* error;          // why not, in plain words; null on success
    TextReading reading;        // how the file was read
};

// "-" reads standard input to its end.
LoadedText loadText(const char* path, EncodingChoice choice);

struct LoadedDocument {
    TextDocument* document;     // null when the file was not loaded
    const char* error;          // why not, in plain words; null on success
    TextReading reading;        // how the file was read
};

LoadedDocument loadDocument(const char* path, EncodingChoice choice);
