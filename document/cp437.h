// Code page 437, the character set the viewer's font draws, as Unicode code
// points: the forward table for the 256 glyphs and its inverse, which turns
// decoded UTF-8 and UTF-16 text back into the bytes the font knows.
//
// Bytes 0x01 to 0x1F and 0x7F read as the pictures the font shows for them
// (smileys, card suits, arrows, the house), 0x00 as U+0000. The inverse keeps
// U+0000 to U+007F as the same bytes, so that line feeds, carriage returns and
// tabs in decoded text stay the control bytes that the line splitting and the
// renderer act on; the pictures of the controls map back to their bytes too.
#pragma once

#include <stdint.h>

// The Unicode code point of the glyph that byte draws.
uint32_t cp437ToUnicode(uint8_t byte);

// The byte whose glyph is codePoint, or -1 when the font has none for it.
// U+0000 to U+007F give themselves. A search of the table: for a character
// now and then; decoding text uses Cp437Inverse.
int unicodeToCp437(uint32_t codePoint);

// Every glyph lies below U+2700, on this many 256-code-point pages besides
// the first 128 code points.
const unsigned cp437PageLimit = 0x27;
const unsigned cp437Pages = 9;

// The inverse as a small two-level table (a slot per page that holds any
// glyph), so a lookup is two array reads. Built from the forward table when
// it is made, on the stack of whoever decodes: 2.6 KB that the program file
// need not carry, and nothing shared between threads.
class Cp437Inverse {
public:
    Cp437Inverse();
    // As unicodeToCp437.
    int byteOf(uint32_t codePoint) const
    {
        if (codePoint < 0x80)
            return (int)codePoint;
        uint8_t byte = glyphByte(codePoint);
        return byte ? byte : -1;
    }
    // The byte of the glyph for a code point from U+0080 on, 0 when the font
    // has none; without a branch, for decoding loops.
    uint8_t glyphByte(uint32_t codePoint) const
    {
        uint32_t page = codePoint >> 8;
        page = page < cp437PageLimit ? page : cp437PageLimit;
        return bytes[slot[page]][codePoint & 0xFF];
    }
    // The glyph bytes of the 256 code points from page << 8 on, 0 where the
    // font has none (a page from U+0100 on): one array read a character for
    // decoding loops that know the page, such as box drawing's U+2500.
    const uint8_t* pageBytes(uint32_t page) const
    {
        return bytes[slot[page < cp437PageLimit ? page : cp437PageLimit]];
    }

private:
    // bytes[slot[page]][low byte of the code point] is the glyph's byte, 0
    // for none (byte 0x00 only stands for U+0000); row 0, all zero, serves
    // the pages without a glyph, including one past the last.
    uint8_t slot[cp437PageLimit + 1];
    uint8_t bytes[cp437Pages + 1][256];
};
