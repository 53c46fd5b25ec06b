// The rows of a rendered image as 0x00RRGGBB pixels, one row at a time, top
// row first: the composer's picture in small bands, scaled up by pixel
// blocks or down by area averaging. Nothing holds more than a band of rows,
// so the memory taken does not grow with the image.
#pragma once

#include <stdint.h>

#include <vector>

#include "render/image_plan.h"

class PixelRows {
public:
    virtual ~PixelRows() {}
    // The next row, outWidth pixels; valid until the next call.
    virtual const Pixel* next() = 0;
};

// The plan's picture at its output size, whatever the mode.
class PlannedRows : public PixelRows {
public:
    explicit PlannedRows(const ImagePlan& plan);
    const Pixel* next() override;

private:
    const Pixel* nextFrameRow();
    const Pixel* nextThumbnailRow();

    ImagePlan plan_;
    // The composed band: rows bandFirst_ .. bandFirst_ + bandRows_ - 1.
    std::vector<Pixel> band_;
    int32_t bandCapacity_;
    int32_t bandFirst_;
    int32_t bandRows_;
    int32_t frameRow_;      // the next frame row to hand out
    // Scaling up: the widened row and how often it is still to be repeated.
    std::vector<Pixel> wide_;
    int32_t repeatsLeft_;
    // Scaling down: per source column, the output column it starts in, the
    // part of it in that column and its whole width, in output columns;
    // sums of the current output row's channels.
    std::vector<int32_t> columnFirst_;
    std::vector<double> columnInFirst_;
    std::vector<double> columnSpan_;
    std::vector<double> sums_;
    int32_t outRow_;
};

// The distinct colours of an image, in the order they first appear; stops
// counting past `limit`. Returns the number found, at most limit + 1.
int32_t collectColors(PixelRows& rows, int32_t width, int32_t height, int32_t limit, std::vector<Pixel>* colors);
