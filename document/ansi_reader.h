// Reading ANSI art: the bytes of a text (already read from its encoding, the
// SAUCE record left out) drawn onto a canvas by the rules of DOS-era ANSI
// art. A small state machine, one function per kind of sequence; the canvas
// (ansi_canvas.h) is the screen it draws on.
//
// 0x1A ends the picture; CR goes to column 0; LF to column 0 of the next row;
// TAB to the next multiple of 8; an ESC not followed by '[' draws nothing;
// every other byte draws its glyph and moves one column. Reaching the last
// column's right edge, by a glyph, a TAB or a forward move, goes to column 0
// of the next row at once. Sequences are ESC '[', an optional '?' or '=',
// digits and ';', and a final byte 0x40-0x7E; a byte that cannot continue a
// sequence ends it and is read as text. Understood: m (colours), t (24-bit
// colours), H f A B C D (cursor), s u (save, restore), J 2 (clear), K (erase
// in row); everything else is read and ignored.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "document/art_format.h"

class AnsiCanvas;

// The canvas the text draws, finished (ansi_canvas.h); null when no memory
// could be had for it. A canvas whose rows ran out of memory on the way is
// deleted and null returned too. block: null, or the block from
// allocatePages that holds the text, handed over: the canvas keeps its rows
// in the part already read and frees it with itself (or at once, on failure).
// quick false reads without the shortcuts for common sequences, as the
// reference they are tested against.
AnsiCanvas* readAnsiArt(const uint8_t* text, size_t length, const AnsiLayout& layout, uint8_t* block = nullptr,
                        bool quick = true);
