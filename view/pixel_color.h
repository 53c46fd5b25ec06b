// A colour as the user picks it and the registry holds it (COLORREF,
// 0x00BBGGRR) to the pixel the composer draws (0x00RRGGBB).
#pragma once

#include <stdint.h>

inline uint32_t pixelFromColor(uint32_t color)
{
    return ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}
