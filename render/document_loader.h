// Loading a file for the renderer: read whole, decoded from its text encoding
// to code page 437 bytes in place, then split into lines by the viewer's own
// document code. Unlike the viewer, which has one message for every file it
// cannot open, the renderer says why.
#pragma once

#include <stdint.h>

#include "document/text_reading.h"

class TextDocument;

struct LoadedDocument {
    TextDocument* document;     // null when the file was not loaded
    const char* error;          // why not, in plain words; null on success
    TextReading reading;        // how the file was read
};

LoadedDocument loadDocument(const char* path, EncodingChoice choice);

// Room the text buffer needs besides the file's bytes: the zero byte of line
// 0 in front and the document's zero bytes behind.
const uint32_t documentTextPadding = 5;

// A document from a file's bytes (or the first bytes of a longer file, with
// `prefix`): buffer is a block from allocatePages of length +
// documentTextPadding zero-filled bytes, the bytes at positions 1 to length.
// The text is read in place (text_reading.h) and the block handed to the
// document, which frees it; on failure it is freed here.
LoadedDocument documentFromBytes(uint8_t* buffer, uint32_t length, EncodingChoice choice, bool prefix);
