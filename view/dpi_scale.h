// The whole-number scale at which a window of some DPI draws the picture:
// each logical pixel becomes an s x s block, s the nearest whole number to
// dpi / 96 with halves rounded up, at least 1 (96 -> 1, 144 -> 2, 240 -> 3).
#pragma once

#include <stdint.h>

int32_t scaleForDpi(uint32_t dpi);
