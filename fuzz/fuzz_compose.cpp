// Fuzz target for frame composition: an arbitrary view state (size up to about
// 300x300, scroll position, selection, colours, fade) and arbitrary document
// text are composed into buffers of exactly the view's size, so the sanitizers
// see any write outside them. Small frames are also compared byte for byte
// with the per-pixel reference renderer.
//
// Input: a 24-byte header for the view, then the document's bytes; line feeds
// and zero bytes end lines, and an empty line 0 is put in front as a loaded
// document has it.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "tests/support/line_document.h"
#include "tests/support/reference_renderer.h"
#include "view/scroll_view.h"

namespace {

const size_t headerSize = 24;
const int32_t largestSide = 300;
const int64_t largestComparedFrame = 40000;   // pixels

struct Reader {
    const uint8_t* data;
    size_t left;

    uint32_t take(int bytes)
    {
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value = value << 8 | (left ? *data : 0);
            if (left) {
                ++data;
                --left;
            }
        }
        return value;
    }
};

// Sizes from the two ends of the range are the interesting ones; a few
// header values stand for them.
int32_t sideFrom(uint32_t raw)
{
    switch (raw >> 14) {
    case 0: return (int32_t)(raw % 4);
    case 1: return (int32_t)(raw % 64);
    default: return (int32_t)(raw % (largestSide + 1));
    }
}

bool sameImage(const Pixel* a, const std::vector<Pixel>& b)
{
    return b.empty() || memcmp(a, b.data(), b.size() * sizeof(Pixel)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader in = {data, size};
    uint32_t flags = in.take(1);
    int32_t width = sideFrom(in.take(2));
    int32_t height = sideFrom(in.take(2));
    int32_t pixelOffset = (int16_t)in.take(2);
    int32_t topLine = (int16_t)in.take(2);
    int32_t anchorLine = (int8_t)in.take(1);
    int32_t anchorColumn = (int16_t)in.take(2);
    int32_t caretLine = (int8_t)in.take(1);
    int32_t caretColumn = (int16_t)in.take(2);
    uint32_t foreColor = in.take(3);
    uint32_t backColor = in.take(3);
    uint32_t rawPixelSeed = in.take(3);
    size_t textLength = size > headerSize ? size - headerSize : 0;
    LineDocument document(linesOfBytes(data + (size - textLength), textLength));

    ScrollView* view = new ScrollView(foreColor, backColor, flags & 1, 0, nullptr);
    if (!view)
        return 0;
    if (flags & 0x40) {
        // Pixel values the colour rule never makes, fourth bytes included.
        view->inkPixel = rawPixelSeed * 2654435761u;
        view->selInkPixel = view->inkPixel ^ 0xA5A5A5A5u;
        view->selPaperPixel = ~view->paperPixel;
    }
    view->width = width;
    view->height = height;
    view->rebuildBackBuffer();
    if (!(flags & 2))
        view->document = document.document();
    view->pixelOffset = (flags & 4) ? pixelOffset : -(pixelOffset & 15);
    view->topLine = topLine % (document.document()->lineCount + 4);
    view->hasSelection = (flags & 8) != 0;
    view->selReversed = (flags & 16) != 0;
    view->anchorLine = anchorLine;
    view->anchorColumn = anchorColumn;
    view->caretLine = caretLine;
    view->caretColumn = caretColumn;
    if (flags & 0x80)
        view->topLine = INT32_MAX - (topLine & 7);

    size_t pixels = view->backBuffer ? (size_t)width * (size_t)height : 0;
    bool compare = (int64_t)pixels <= largestComparedFrame;
    std::vector<Pixel> back, screen;
    if (compare && pixels) {
        back.assign(view->backBuffer, view->backBuffer + pixels);
        screen.assign(view->screenBits, view->screenBits + pixels);
        referenceComposeFrame(*view, back.data(), screen.data());
    }
    view->composeFrame();
    if (compare && (!sameImage(view->backBuffer, back) || !sameImage(view->screenBits, screen)))
        __builtin_trap();

    view->document = nullptr;
    view->releaseBackBuffer();
    delete view;
    return 0;
}
