// The colours of ANSI art: the 16 of the VGA palette that the escape codes
// name, and the 256-colour table of the extended codes (38;5;n and 48;5;n).
#pragma once

#include <stdint.h>

typedef uint32_t AnsiPixel;     // 0x00RRGGBB

// VGA colours 0-15 as 0x00RRGGBB: components 00, AA, 55 and FF, brown with
// its green halved.
extern const AnsiPixel vgaPalette[16];

// Entry n (0-255) of the 256-colour table: the 16 VGA colours, the 6 x 6 x 6
// cube of 0, 95, 135, 175, 215 and 255, then 24 greys 8 + 10k.
AnsiPixel tableColor(uint32_t n);
