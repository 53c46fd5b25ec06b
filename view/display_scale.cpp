// The display scale (display_scale.h). Widening by two, the usual scale of a
// high-resolution laptop screen, is SSE2: four logical pixels are loaded once
// and stored as eight, into both screen rows of their blocks, so a screen
// pixel costs one store. Other scales go pixel by pixel.
#include "view/display_scale.h"

#include <emmintrin.h>

int32_t scaleForDpi(int32_t dpi)
{
    int32_t scale = dpi / logicalDpi + (dpi % logicalDpi >= logicalDpi / 2 ? 1 : 0);
    return scale < 1 ? 1 : scale;
}

int32_t logicalCoordinate(int32_t screen, int32_t scale)
{
    if (scale <= 1)
        return screen;
    int32_t q = screen / scale;
    return (screen % scale < 0) ? q - 1 : q;
}

int32_t logicalExtent(int32_t screen, int32_t scale)
{
    return screen / scale + (screen % scale > 0 ? 1 : 0);
}

void scaleRowUp(const Pixel* row, int32_t scale, Pixel* out, int32_t outWidth)
{
    int32_t x = 0;
    for (const Pixel* p = row; x < outWidth; ++p)
        for (int32_t k = 0; k < scale && x < outWidth; ++k)
            out[x++] = *p;
}

// Two screen rows of blocks from one logical row; `second` may be null when
// the screen's edge cuts the block's lower row.
static void doubleRow(const Pixel* row, Pixel* first, Pixel* second, int32_t outWidth)
{
    int32_t x = 0;
    for (; x + 8 <= outWidth; x += 8) {
        __m128i four = _mm_loadu_si128((const __m128i*)(row + x / 2));
        __m128i low = _mm_unpacklo_epi32(four, four);
        __m128i high = _mm_unpackhi_epi32(four, four);
        _mm_storeu_si128((__m128i*)(first + x), low);
        _mm_storeu_si128((__m128i*)(first + x + 4), high);
        if (second) {
            _mm_storeu_si128((__m128i*)(second + x), low);
            _mm_storeu_si128((__m128i*)(second + x + 4), high);
        }
    }
    for (; x < outWidth; ++x) {
        first[x] = row[x / 2];
        if (second)
            second[x] = row[x / 2];
    }
}

void scalePictureUp(const Pixel* picture, int32_t width, int32_t scale, Pixel* out, int32_t outWidth,
                    int32_t outHeight)
{
    const int64_t stride = outWidth;
    for (int32_t y = 0, source = 0; y < outHeight; y += scale, ++source) {
        const Pixel* row = picture + (int64_t)source * width;
        Pixel* first = out + (int64_t)y * stride;
        if (scale == 2) {
            doubleRow(row, first, y + 1 < outHeight ? first + stride : nullptr, outWidth);
            continue;
        }
        scaleRowUp(row, scale, first, outWidth);
        for (int32_t k = 1; k < scale && y + k < outHeight; ++k)
            __builtin_memcpy(first + k * stride, first, (size_t)outWidth * sizeof(Pixel));
    }
}
