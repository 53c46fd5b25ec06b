// The per-pixel reference renderer: the view's drawing rules spelled out
// literally, one pixel and one byte at a time.
#include "tests/support/reference_renderer.h"

#include "document/text_document.h"
#include "view/vga_font.h"

static bool hasImage(const ScrollView& view, const Pixel* pixels)
{
    return pixels && view.width > 0 && view.height > 0;
}

void referenceDrawGlyph(const ScrollView& view, Pixel* back, uint8_t code, int64_t x, int64_t y,
                        bool selected)
{
    if (!hasImage(view, back))
        return;
    Pixel ink = selected ? view.selInkPixel : view.inkPixel;
    Pixel paper = selected ? view.selPaperPixel : view.paperPixel;
    for (int r = 0; r < 16; ++r) {
        int64_t py = y + r;
        if (py >= view.height)
            break;
        uint8_t bits = vgaFont[16 * code + r];
        for (int k = 0; k < 8; ++k) {
            int64_t px = x + k;
            if (px >= view.width)
                break;
            if (px > 0 && py > 0)
                back[py * view.width + px] = (bits >> (7 - k)) & 1 ? ink : paper;
        }
    }
}

void referenceDrawLine(const ScrollView& view, Pixel* back, int32_t row, int32_t lineIndex)
{
    int32_t startLine = view.selReversed ? view.caretLine : view.anchorLine;
    int32_t startColumn = view.selReversed ? view.caretColumn : view.anchorColumn;
    int32_t endLine = view.selReversed ? view.anchorLine : view.caretLine;
    int32_t endColumn = view.selReversed ? view.anchorColumn : view.caretColumn;
    bool lineSelected = view.hasSelection && startLine <= lineIndex && lineIndex <= endLine;

    const uint8_t* text = (const uint8_t*)view.document->getLine(lineIndex);
    int64_t length = 0;
    while (text[length])
        ++length;
    int64_t y = (int64_t)view.pixelOffset + 16 * (int64_t)row;
    int64_t extra = 0;
    for (int64_t i = 0; i < length; ++i) {
        bool selected = lineSelected && !(lineIndex == startLine && i < startColumn) &&
                        !(lineIndex == endLine && i >= endColumn);
        int64_t x = 10 + 8 * (i + extra);
        if (text[i] == 0x09) {
            for (int k = 0; k < 8; ++k)
                referenceDrawGlyph(view, back, 0x20, x + 8 * k, y, selected);
            extra += 7;
        } else {
            referenceDrawGlyph(view, back, text[i], x, y, selected);
        }
    }
}

uint8_t referenceFadeByte(uint8_t own, uint8_t paper, int d)
{
    return (uint8_t)((paper * (30 - d) + own * d) / 30);
}

static void fadeRow(const ScrollView& view, Pixel* screen, int64_t y, int d)
{
    if (y < 0 || y >= view.height)
        return;
    uint8_t* bytes = (uint8_t*)(screen + y * view.width);
    Pixel paper = view.paperPixel;
    const uint8_t* paperBytes = (const uint8_t*)&paper;
    for (int64_t x = 0; x < view.width; ++x)
        for (int c = 0; c < 3; ++c)
            bytes[4 * x + c] = referenceFadeByte(bytes[4 * x + c], paperBytes[c], d);
}

void referenceApplyFade(const ScrollView& view, Pixel* screen)
{
    if (!hasImage(view, screen))
        return;
    for (int d = 0; d < 30; ++d)
        fadeRow(view, screen, d, d);
    for (int d = 0; d < 30; ++d)
        fadeRow(view, screen, (int64_t)view.height - 1 - d, d);
}

void referenceComposeFrame(const ScrollView& view, Pixel* back, Pixel* screen)
{
    if (!hasImage(view, back))
        return;
    int64_t pixels = (int64_t)view.width * view.height;
    for (int64_t i = 0; i < pixels; ++i)
        back[i] = view.paperPixel;
    if (view.document) {
        // Text rows that end above the image would draw nothing; start below them.
        int64_t offset = view.pixelOffset;
        int64_t row = offset < -16 ? (-offset - 16) / 16 : 0;
        for (; offset + 16 * row < view.height; ++row) {
            int64_t lineIndex = (int64_t)view.topLine + row;
            if (lineIndex <= INT32_MAX)
                referenceDrawLine(view, back, (int32_t)row, (int32_t)lineIndex);
        }
    }
    if (!screen)
        return;
    for (int64_t i = 0; i < pixels; ++i)
        screen[i] = back[i];
    if (view.document && view.fadeEnabled)
        referenceApplyFade(view, screen);
}
