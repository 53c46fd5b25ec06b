// Which reading a file gets: text drawn line by line (an .nfo), or ANSI art
// drawn by its escape sequences onto a canvas of coloured cells; and, for ANSI
// art, the canvas's width, its colours and its cells, from the SAUCE record
// or from what the user forces.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "document/text_reading.h"

enum class ArtFormat { automatic, nfo, ansi };

// What the user forces; the zero value leaves everything to the file.
struct ArtChoice {
    ArtFormat format;
    int32_t columns;        // 0: the SAUCE width, else 80
    int8_t ice;             // 0: as SAUCE says; 1 on; -1 off
    uint8_t cellWidth;      // 0: as SAUCE says; 8 or 9
};

// How ANSI art is laid out.
struct AnsiLayout {
    int32_t columns;        // 1 .. ansiMaxColumns
    uint8_t columnsCut;     // a wider width was asked for and cut
    uint8_t ice;            // blink gives bright backgrounds
    uint8_t cellWidth;      // 8 or 9 pixels
};

// True when the text is read as ANSI art: forced, or a SAUCE record of
// character data that says ANSi or ANSiMation, or a name ending in ".ans"
// (any case; name may be null), or at least two complete ESC [ ... m
// sequences in the text.
bool readsAsAnsi(const uint8_t* text, size_t length, const SauceRecord& sauce, const char* name,
                 ArtFormat format);

AnsiLayout ansiLayout(const SauceRecord& sauce, const ArtChoice& choice);
