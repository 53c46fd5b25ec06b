// A document from a file's bytes in memory: the one step from bytes to lines
// that every reader shares, whether the bytes come from a file, a prefix of
// one or a stream, so that the same bytes always give the same picture.
#pragma once

#include <stdint.h>

#include "document/art_format.h"
#include "document/text_reading.h"

class TextDocument;

struct LoadedDocument {
    TextDocument* document;     // null when the file was not loaded
    const char* error;          // why not, in plain words; null on success
    TextReading reading;        // how the file was read
};

// The room a text block needs besides the file's bytes: the zero byte in
// front of them and the document's zero bytes behind.
const uint32_t textPadding = 5;

// Takes `buffer`, a zero-filled block from allocatePages of at least
// length + textPadding bytes with the file's bytes at positions 1 to length,
// reads them as text in place (readFileText; `prefix` when they are only the
// start of a longer file) and splits them into lines, or draws them as ANSI
// art (art_format.h; `name`, which may be null, is the file's name). The
// block becomes the document's, or is given back on failure. A prefix holds
// no SAUCE record: `sauce`, when not null, is the file's own, read apart.
LoadedDocument documentFromBytes(uint8_t* buffer, uint32_t length, EncodingChoice choice, bool prefix,
                                 const char* name = nullptr, const ArtChoice& art = ArtChoice(),
                                 const SauceRecord* sauce = nullptr);
