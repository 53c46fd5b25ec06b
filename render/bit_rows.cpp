// Whole-document rows packed straight from the font (bit_rows.h).
//
// Text row r of the picture is document line r with its top edge at y = 16r;
// cell i starts at x = 10 + 8i, so a glyph row byte lands 2 bits into the
// byte at 1 + i. Line 0 is empty, so row 0 and column 0 hold no text, as the
// composer's rules want.
#include "render/bit_rows.h"

#include <string.h>

#include "document/text_document.h"
#include "view/frame_composer.h"
#include "view/vga_font.h"

namespace {

// Each of a byte's bits repeated `scale` times, most significant first: the
// byte becomes `scale` bytes, held in the low bytes of the result.
uint64_t widenedByte(uint8_t byte, int32_t scale)
{
    uint64_t bits = 0;
    for (int b = 7; b >= 0; --b)
        for (int32_t k = 0; k < scale; ++k)
            bits = (bits << 1) | ((byte >> b) & 1u);
    return bits;
}

}  // namespace

DocumentBitRows::DocumentBitRows(const TextDocument& document, int32_t width, int32_t height, int32_t scale)
    : document_(document), width_(width), height_(height), scale_(scale), plainBytes_((width + 7) / 8),
      textRow_(-1), pixelRow_(0), repeatsLeft_(0)
{
    // One spare byte: a cell's low bits spill into the byte after it.
    rows_.resize((size_t)frameCellHeight * (size_t)(plainBytes_ + 1));
    if (scale > 1) {
        wide_.resize((size_t)plainBytes_ * (size_t)scale);
        widened_.resize(256);
        for (int byte = 0; byte < 256; ++byte)
            widened_[(size_t)byte] = widenedByte((uint8_t)byte, scale);
    }
}

void DocumentBitRows::packTextRow()
{
    const size_t stride = (size_t)plainBytes_ + 1;
    memset(rows_.data(), 0, rows_.size());
    const uint8_t* text = (const uint8_t*)document_.getLine(textRow_);
    // The plan's width holds the widest line, so no cell is clipped.
    int32_t cell = 0;
    for (; *text; ++text) {
        uint8_t code = *text;
        if (code == '\t') {
            cell += frameCellsPerTab;   // space cells: no bits
            continue;
        }
        const uint8_t* glyph = vgaFont + code * frameCellHeight;
        uint8_t* at = rows_.data() + 1 + cell;
        for (int32_t r = 0; r < frameCellHeight; ++r, at += stride) {
            at[0] |= (uint8_t)(glyph[r] >> 2);
            at[1] |= (uint8_t)(glyph[r] << 6);
        }
        ++cell;
    }
}

const uint8_t* DocumentBitRows::next()
{
    if (scale_ > 1 && repeatsLeft_ > 0) {
        --repeatsLeft_;
        return wide_.data();
    }
    int32_t textRow = pixelRow_ / frameCellHeight;
    if (textRow != textRow_) {
        textRow_ = textRow;
        packTextRow();
    }
    const uint8_t* row = rows_.data() + (size_t)(pixelRow_ % frameCellHeight) * ((size_t)plainBytes_ + 1);
    ++pixelRow_;
    if (scale_ == 1)
        return row;
    uint8_t* out = wide_.data();
    for (int32_t i = 0; i < plainBytes_; ++i) {
        uint64_t bits = widened_[row[i]];
        for (int32_t k = scale_ - 1; k >= 0; --k) {
            out[k] = (uint8_t)bits;
            bits >>= 8;
        }
        out += scale_;
    }
    repeatsLeft_ = scale_ - 1;
    return wide_.data();
}
