// How a file's bytes become the code page 437 text that the font draws: the
// one rule that the viewer, tavelin-render and the Explorer handlers share.
//
// Code page 437 is the rule; the readings below are taken only on strong
// evidence, so art is never mistaken for anything else:
// - a SAUCE record at the very end (128 bytes from "SAUCE00"), the COMNT
//   block of comment lines it counts just before it and the one end-of-file
//   byte 0x1A before those are metadata, not text, and are left out;
// - a byte order mark: UTF-8, UTF-16 LE or UTF-16 BE, the mark dropped;
// - UTF-8 without a mark: all of the text valid UTF-8 with at least
//   minUtf8Characters multi-byte characters;
// - double-encoded text: UTF-8 whose every character is one that reading
//   bytes as Windows-1252 or Latin-1 gives, and whose bytes so restored are
//   plainly code page 437 art, goes back to those bytes.
// Everything happens in place: the text only ever gets shorter.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "document/text_encoding.h"

// The fields of a SAUCE record that say how its art is drawn.
struct SauceRecord {
    uint8_t present;            // a valid record ended the file
    uint8_t dataType;           // 1: character
    uint8_t fileType;           // for character data: 0 ASCII, 1 ANSi, 2 ANSiMation, ...
    uint16_t tInfo1;            // for character data: the width in columns, 0 when not said
    uint8_t flags;              // bit 0: iCE colours; bits 1-2: letter spacing (2: 9 pixels)
};

struct TextReading {
    TextEncoding encoding;      // how the characters were read
    ArtEvidence artEvidence;    // how close UTF-8 text came to double-encoded art
    uint8_t sauceLeftOut;       // a SAUCE record was left out
    uint64_t unmapped;          // characters drawn as '?': no glyph, or not valid text
    SauceRecord sauce;          // the record left out, if any
};

// The drawing fields of a 128-byte SAUCE record, or a record not present
// when the bytes are none.
SauceRecord readSauceRecord(const uint8_t* record);

// Reads length bytes of a file in place into code page 437 bytes and returns
// their new length, never more than length. `prefix`: the bytes are only the
// start of a longer file, so a SAUCE record cannot be there and a character
// cut at the end is no evidence against UTF-8. *reading (when not null)
// receives what was done.
size_t readFileText(uint8_t* bytes, size_t length, EncodingChoice choice, bool prefix, TextReading* reading);

// The same for a document's text buffer (text_document.h): the file's bytes
// at positions 1 to length of a block of at least length + 5 bytes, whose
// last four are zero. When the reading shrinks the text, the four bytes
// behind it are cleared, so that it ends as the file's bytes did. Returns the
// text's new length.
uint32_t readDocumentText(uint8_t* buffer, uint32_t length, EncodingChoice choice, bool prefix,
                          TextReading* reading);
