// The colours of a canvas's whole picture from its cells (cell_colors.h).
#include "render/cell_colors.h"

#include <unordered_set>

#include "document/text_document.h"
#include "view/frame_composer.h"
#include "view/vga_font.h"

namespace {

const uint8_t spaceCode = 0x20;

// Which of a cell's two colours its glyph shows: bit 0 the foreground (some
// pixel set), bit 1 the background (some pixel clear, or the ninth column,
// which repeats the eighth only for 0xC0-0xDF).
struct GlyphSides {
    uint8_t sides[256];

    explicit GlyphSides(int32_t cellPixels)
    {
        for (int code = 0; code < 256; ++code) {
            uint8_t set = 0;
            uint8_t clear = 0;
            for (int32_t r = 0; r < frameCellHeight; ++r) {
                set |= vgaFont[code * frameCellHeight + r];
                clear |= (uint8_t)~vgaFont[code * frameCellHeight + r];
            }
            const bool ninthIsBack = cellPixels > frameCellWidth && !(code >= 0xC0 && code <= 0xDF);
            sides[code] = (uint8_t)((set ? 1 : 0) | (clear || ninthIsBack ? 2 : 0));
        }
    }
};

// True when a canvas row shows a colour that is not in seen.
bool bringsNewColor(const AnsiCanvas& art, int32_t row, const GlyphSides& glyphs,
                    const std::unordered_set<Pixel>& seen)
{
    const uint8_t* text = (const uint8_t*)art.glyphRow(row);
    const AnsiRowColors colors = art.rowColors(row);
    if (!colors.attributes)
        return false;   // blank and black
    bool inText = text != nullptr;
    Pixel lastFore = 0;
    Pixel lastBack = 0;
    for (int32_t i = 0; i < art.getWidth(); ++i) {
        uint8_t code = spaceCode;
        if (inText && text[i])
            code = text[i];
        else
            inText = false;
        const uint8_t sides = glyphs.sides[code];
        if (sides & 1) {
            const Pixel fore = colors.fore(i);
            if (fore != lastFore && !seen.count(fore))
                return true;
            lastFore = fore;
        }
        if (sides & 2) {
            const Pixel back = colors.back(i);
            if (back != lastBack && !seen.count(back))
                return true;
            lastBack = back;
        }
    }
    return false;
}

}  // namespace

bool colorsFromCells(const ImagePlan& plan)
{
    return plan.wholeDocument && !plan.fade && plan.frame.document && plan.frame.document->canvas &&
           plan.outWidth == plan.frame.width * plan.scale && plan.frame.topLine == 0 && plan.frame.pixelOffset == 0 &&
           !plan.frame.selection.active;
}

int32_t collectCellColors(const ImagePlan& plan, int32_t limit, std::vector<Pixel>* colors)
{
    const AnsiCanvas& art = *plan.frame.document->canvas;
    const GlyphSides glyphs(art.cellWidth);
    std::unordered_set<Pixel> seen;
    // The first pixel: the top margin's black.
    colors->assign(1, 0);
    seen.insert(0);
    std::vector<Pixel> band;
    const int32_t lines = plan.frame.document->getLineCount();
    for (int32_t line = 1; line < lines; ++line) {
        if (!bringsNewColor(art, line - 1, glyphs, seen))
            continue;
        // Which colour comes first is the composed row's to say.
        band.resize((size_t)plan.frame.width * frameCellHeight);
        composeFrameRows(plan.frame, band.data(), line * frameCellHeight, frameCellHeight);
        for (const Pixel pixel : band) {
            const Pixel p = pixel & 0x00FFFFFFu;
            if (seen.insert(p).second) {
                colors->push_back(p);
                if ((int32_t)colors->size() > limit)
                    return (int32_t)colors->size();
            }
        }
    }
    return (int32_t)colors->size();
}
