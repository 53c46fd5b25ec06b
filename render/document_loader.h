// Loading a file for the renderer: read whole (or, for a thumbnail, only its
// start), decoded from its text encoding to code page 437 bytes in place,
// then split into lines by the viewer's own document code. Unlike the viewer,
// which has one message for every file it cannot open, the renderer says why.
// A path of "-" is standard input.
#pragma once

#include <stdint.h>

#include "render/document_bytes.h"

LoadedDocument loadDocument(const char* path, EncodingChoice choice, const ArtChoice& art = ArtChoice());

// Only the first `limit` bytes of a longer file (read as the start of a
// longer text), so that the work is bounded whatever the file's size; a
// shorter file whole. A file of any size is taken; the SAUCE record at the
// end of a longer one is read apart, for the width of its ANSI art.
LoadedDocument loadDocumentPrefix(const char* path, EncodingChoice choice, uint32_t limit,
                                  const ArtChoice& art = ArtChoice());

// A file's text, read and decoded but not split into lines: a block from
// allocatePages with the text at positions 1 to length, zero bytes behind it.
struct LoadedText {
    uint8_t* buffer;            // null when the file was not read; free with freePages
    uint32_t length;
    const char* error;          // why not, in plain words; null on success
    TextReading reading;        // how the file was read
};

LoadedText loadText(const char* path, EncodingChoice choice);
