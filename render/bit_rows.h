// The fast path for the most common image: a whole document without the
// fade has two colours, so it is written one bit a pixel (0 the background,
// 1 the text), and its rows are packed straight from the font's row bytes
// instead of being composed as 32-bit pixels and packed afterwards. The
// result is the shared composer's picture bit for bit; the tests and a fuzz
// target hold the two against each other.
#pragma once

#include <stdint.h>

#include <vector>

class TextDocument;

class DocumentBitRows {
public:
    // Rows of a whole-document picture `width` x `height` pixels (before
    // scaling: the image plan's frame) at scale 1 to 8.
    DocumentBitRows(const TextDocument& document, int32_t width, int32_t height, int32_t scale);
    // The next packed row: (width * scale + 7) / 8 bytes, the leftmost pixel
    // in the top bit, unused bits 0. Valid until the next call.
    const uint8_t* next();

private:
    void packTextRow();

    const TextDocument& document_;
    int32_t width_;
    int32_t height_;
    int32_t scale_;
    int32_t plainBytes_;    // bytes of a row at scale 1
    int32_t textRow_;       // the text row packed into rows_
    int32_t pixelRow_;      // the next pixel row of the picture
    int32_t repeatsLeft_;
    std::vector<uint8_t> rows_;     // the 16 pixel rows of one text row, at scale 1
    std::vector<uint8_t> wide_;
    std::vector<uint64_t> widened_;  // per byte, its bits repeated scale times
};
