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
// U+0000 to U+007F give themselves.
int unicodeToCp437(uint32_t codePoint);
