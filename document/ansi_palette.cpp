// The colours of ANSI art (ansi_palette.h).
#include "document/ansi_palette.h"

const AnsiPixel vgaPalette[16] = {
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
};

static uint32_t cubeLevel(uint32_t step)
{
    return step ? 55 + 40 * step : 0;
}

AnsiPixel tableColor(uint32_t n)
{
    if (n < 16)
        return vgaPalette[n];
    if (n < 232) {
        n -= 16;
        return cubeLevel(n / 36) << 16 | cubeLevel(n / 6 % 6) << 8 | cubeLevel(n % 6);
    }
    const uint32_t grey = 8 + 10 * ((n - 232));
    return grey << 16 | grey << 8 | grey;
}
