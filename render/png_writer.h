// Writing a rendered image as a PNG: the narrowest format that holds its
// colours exactly, rows packed and encoded as they come, and a file that
// either appears complete or not at all (or, for a caller that reads back
// through the file it handed over, written into that very file).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "render/pixel_rows.h"

struct PngFormat {
    int32_t bitDepth;           // 1, 2, 4 or 8
    bool palette;               // false: 8-bit RGB
    std::vector<Pixel> colors;  // the palette, index order
};

// A palette of the colours when there are at most 256 (1, 2, 4 or 8 bits, the
// fewest that index them all), else RGB.
PngFormat formatForColors(const std::vector<Pixel>& colors);

// Rows in the PNG's own layout, one at a time, top row first.
class PackedRows {
public:
    virtual ~PackedRows() {}
    virtual const uint8_t* next() = 0;
};

// Pixel rows packed for a format: palette indices of its depth, or RGB bytes.
class PackedPixelRows : public PackedRows {
public:
    PackedPixelRows(PixelRows& rows, int32_t width, const PngFormat& format);
    const uint8_t* next() override;

private:
    PixelRows& rows_;
    int32_t width_;
    PngFormat format_;
    std::vector<uint8_t> packed_;
    std::vector<Pixel> keys_;       // open-addressed palette lookup
    std::vector<uint8_t> indices_;
    std::vector<uint8_t> used_;
};

// How the image data is compressed: with settings chosen for the picture from
// its format, its size and a look at its first rows (png_writer.cpp,
// docs/performance.md), or as libpng compresses by itself at its default
// level: the writer before those choices, kept as the baseline of make bench.
enum class PngCompression { chosen, libpngDefault };

// How a file is written:
// - replaced: as a temporary file in its directory, renamed over path only
//   when it is complete; on failure it is removed and whatever path held is
//   untouched;
// - inPlace: path is opened (made when missing), truncated and written, so
//   that a handle the caller holds on it reads the image; on failure it is
//   left empty.
enum class PngTarget { replaced, inPlace };

// Writes the image to path, or to standard output for "-". Returns the empty
// string, or what went wrong in plain words.
std::string writePng(const std::string& path, int32_t width, int32_t height, const PngFormat& format,
                     PackedRows& rows, PngTarget target = PngTarget::replaced,
                     PngCompression compression = PngCompression::chosen);

// Bytes of one packed row.
size_t packedRowBytes(int32_t width, const PngFormat& format);
