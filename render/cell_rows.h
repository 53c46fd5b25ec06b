// The PNG rows of a canvas's whole picture in a palette format, packed
// straight from its cells: each glyph row's eight bits pick between the
// palette indices of the cell's two colours, eight pixels at a time, where
// the composer would draw 32-bit pixels that the writer then looks up one by
// one. The composer's own rules (frame_composer.cpp, drawCells): black
// margins and rows around the canvas, cells of 8 or 9 pixels, the ninth
// column repeating the eighth for 0xC0-0xDF; the same pixels, a fraction of
// the work. For the plans of colorsFromCells (cell_colors.h) only.
#pragma once

#include <stdint.h>

#include <vector>

#include "render/image_plan.h"
#include "render/png_writer.h"

class AnsiCanvas;

class CellIndexRows : public PackedRows {
public:
    // format: a palette holding every colour of the picture.
    CellIndexRows(const ImagePlan& plan, const PngFormat& format);
    const uint8_t* next() override;

private:
    uint8_t indexOf(Pixel color);
    void takeLine(int32_t line);
    void drawFrameRow(int32_t y);
    void drawNibbleRow(int32_t y);
    void pack();

    ImagePlan plan_;
    PngFormat format_;
    const AnsiCanvas& art_;
    int32_t lines_;
    uint8_t black_;
    uint64_t masks_[256];           // a glyph row's bits as 0xFF bytes, pixel k in byte k
    // 4-bit rows of 8-pixel cells at scale 1, the common case, are written
    // packed at once: a glyph row's bits as 0xF nibbles, pixel 2j in the high
    // half of byte j.
    bool nibbles_;
    uint32_t nibbleMasks_[256];
    std::vector<Pixel> keys_;       // open-addressed palette lookup
    std::vector<int16_t> slots_;    // index of keys_'s colour, -1 for none
    // The cells of the current line: glyph, and each side's index in all
    // eight bytes.
    int32_t line_;
    std::vector<uint8_t> codes_;
    std::vector<uint64_t> fores_;
    std::vector<uint64_t> backs_;
    std::vector<uint8_t> indices_;  // a frame row, one index a pixel
    std::vector<uint8_t> wide_;     // the row widened by the scale
    std::vector<uint8_t> packed_;
    int32_t frameRow_;
    int32_t repeatsLeft_;
};
