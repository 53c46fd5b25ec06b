// A canvas's whole picture packed straight from its cells (cell_rows.h).
#include "render/cell_rows.h"

#include <string.h>

#include "document/text_document.h"
#include "view/frame_composer.h"
#include "view/vga_font.h"

namespace {

const uint8_t spaceCode = 0x20;
const uint64_t everyByte = 0x0101010101010101ull;
const size_t lookupSlots = 1024;

size_t slotOf(Pixel color)
{
    return (color * 2654435761u) >> 22;
}

}  // namespace

CellIndexRows::CellIndexRows(const ImagePlan& plan, const PngFormat& format)
    : plan_(plan), format_(format), art_(*plan.frame.document->canvas),
      lines_(plan.frame.document->getLineCount()), black_(0), line_(-1), frameRow_(0), repeatsLeft_(0)
{
    for (int bits = 0; bits < 256; ++bits) {
        uint64_t mask = 0;
        for (int k = 0; k < 8; ++k)
            if (bits & (0x80 >> k))
                mask |= (uint64_t)0xFF << (8 * k);
        masks_[bits] = mask;
        uint32_t nibbleMask = 0;
        for (int k = 0; k < 8; ++k)
            if (bits & (0x80 >> k))
                nibbleMask |= (uint32_t)(k & 1 ? 0x0F : 0xF0) << (8 * (k / 2));
        nibbleMasks_[bits] = nibbleMask;
    }
    nibbles_ = format.bitDepth == 4 && plan.scale == 1 && art_.cellWidth == 8;
    keys_.assign(lookupSlots, 0);
    slots_.assign(lookupSlots, -1);
    for (size_t i = 0; i < format.colors.size(); ++i) {
        const Pixel color = format.colors[i] & 0x00FFFFFFu;
        size_t slot = slotOf(color);
        while (slots_[slot] >= 0 && keys_[slot] != color)
            slot = (slot + 1) & (lookupSlots - 1);
        if (slots_[slot] < 0) {
            keys_[slot] = color;
            slots_[slot] = (int16_t)i;
        }
    }
    black_ = indexOf(0);
    const size_t cells = (size_t)art_.getWidth();
    codes_.resize(cells);
    fores_.resize(cells);
    backs_.resize(cells);
    // Room for a cell's eight-byte store and for the last byte's padding.
    indices_.assign((size_t)plan.frame.width + 8, 0);
    wide_.assign((size_t)plan.outWidth + 8, 0);
    packed_.assign(packedRowBytes(plan.outWidth, format) + 1, 0);
}

// A colour's palette index; a colour the palette lacks (which the cells'
// census cannot leave out) takes the first entry, as in PackedPixelRows.
uint8_t CellIndexRows::indexOf(Pixel color)
{
    size_t slot = slotOf(color);
    while (slots_[slot] >= 0 && keys_[slot] != color)
        slot = (slot + 1) & (lookupSlots - 1);
    return slots_[slot] >= 0 ? (uint8_t)slots_[slot] : 0;
}

// The cells of a line (canvas row line - 1) as drawCells reads them: the
// glyphs up to the row's end, spaces after it; black for a row never drawn.
void CellIndexRows::takeLine(int32_t line)
{
    line_ = line;
    const uint8_t* text = (const uint8_t*)art_.glyphRow(line - 1);
    const AnsiRowColors colors = art_.rowColors(line - 1);
    bool inText = text != nullptr;
    Pixel lastFore = 0, lastBack = 0;
    uint8_t foreIndex = black_, backIndex = black_;
    for (int32_t i = 0; i < art_.getWidth(); ++i) {
        uint8_t code = spaceCode;
        if (inText && text[i])
            code = text[i];
        else
            inText = false;
        codes_[(size_t)i] = code;
        if (colors.attributes) {
            const Pixel fore = colors.fore(i);
            const Pixel back = colors.back(i);
            if (fore != lastFore || i == 0)
                foreIndex = indexOf(fore);
            if (back != lastBack || i == 0)
                backIndex = indexOf(back);
            lastFore = fore;
            lastBack = back;
        }
        fores_[(size_t)i] = foreIndex * everyByte;
        backs_[(size_t)i] = backIndex * everyByte;
    }
}

void CellIndexRows::drawFrameRow(int32_t y)
{
    uint8_t* out = indices_.data();
    const int32_t width = plan_.frame.width;
    const int32_t line = y / frameCellHeight;
    if (line < 1 || line >= lines_) {
        memset(out, black_, (size_t)width);
        return;
    }
    if (line != line_)
        takeLine(line);
    const int32_t r = y % frameCellHeight;
    const int32_t cellPixels = art_.cellWidth;
    memset(out, black_, (size_t)frameTextLeft);
    int32_t x = frameTextLeft;
    for (size_t i = 0; i < codes_.size(); ++i, x += cellPixels) {
        const uint8_t code = codes_[i];
        const uint8_t bits = vgaFont[code * frameCellHeight + r];
        const uint64_t back = backs_[i];
        const uint64_t pixels = back ^ (masks_[bits] & (fores_[i] ^ back));
        memcpy(out + x, &pixels, 8);
        if (cellPixels > 8)
            out[x + 8] = (uint8_t)((code >= 0xC0 && code <= 0xDF && (bits & 1) ? fores_[i] : back) & 0xFF);
    }
    memset(out + x, black_, (size_t)(width - x));
}

// drawFrameRow and pack in one, for nibbles_.
void CellIndexRows::drawNibbleRow(int32_t y)
{
    uint8_t* out = packed_.data();
    const int32_t width = plan_.frame.width;
    const size_t bytes = ((size_t)width + 1) / 2;
    const uint8_t blackPair = (uint8_t)(black_ * 0x11);
    const int32_t line = y / frameCellHeight;
    size_t at = 0;
    if (line >= 1 && line < lines_) {
        if (line != line_)
            takeLine(line);
        const int32_t r = y % frameCellHeight;
        memset(out, blackPair, frameTextLeft / 2);
        at = frameTextLeft / 2;
        for (size_t i = 0; i < codes_.size(); ++i, at += 4) {
            const uint32_t fore = (uint32_t)fores_[i] * 0x11;
            const uint32_t back = (uint32_t)backs_[i] * 0x11;
            const uint32_t pixels = back ^ (nibbleMasks_[vgaFont[codes_[i] * frameCellHeight + r]] & (fore ^ back));
            memcpy(out + at, &pixels, 4);
        }
    }
    memset(out + at, blackPair, bytes - at);
    if (width & 1)
        out[bytes - 1] = (uint8_t)(black_ << 4);
}

// The row at its output width, packed at the palette's depth; the bits
// after the last pixel are 0.
void CellIndexRows::pack()
{
    const uint8_t* row = indices_.data();
    const int32_t scale = plan_.scale;
    if (scale > 1) {
        uint8_t* wide = wide_.data();
        for (int32_t x = 0; x < plan_.frame.width; ++x)
            memset(wide + (size_t)x * scale, row[x], (size_t)scale);
        row = wide;
    }
    const int32_t width = plan_.outWidth;
    uint8_t* out = packed_.data();
    switch (format_.bitDepth) {
    case 8: memcpy(out, row, (size_t)width); break;
    case 4:
        for (int32_t x = 0; x + 1 < width; x += 2)
            *out++ = (uint8_t)(row[x] << 4 | row[x + 1]);
        if (width & 1)
            *out = (uint8_t)(row[width - 1] << 4);
        break;
    default: {
        const int depth = format_.bitDepth;
        const int perByte = 8 / depth;
        memset(out, 0, packed_.size());
        for (int32_t x = 0; x < width; ++x)
            out[x / perByte] |= (uint8_t)(row[x] << (8 - depth * (x % perByte + 1)));
    }
    }
}

const uint8_t* CellIndexRows::next()
{
    if (nibbles_) {
        drawNibbleRow(frameRow_++);
        return packed_.data();
    }
    if (repeatsLeft_ == 0) {
        drawFrameRow(frameRow_++);
        pack();
        repeatsLeft_ = plan_.scale;
    }
    --repeatsLeft_;
    return packed_.data();
}
