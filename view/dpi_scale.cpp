// The scale of a DPI (dpi_scale.h).
#include "view/dpi_scale.h"

int32_t scaleForDpi(uint32_t dpi)
{
    uint32_t scale = (dpi + 48) / 96;
    if (scale < 1)
        return 1;
    return scale > 64 ? 64 : (int32_t)scale;
}
