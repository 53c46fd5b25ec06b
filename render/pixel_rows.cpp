// The rows of a rendered image (pixel_rows.h).
#include "render/pixel_rows.h"

#include <math.h>

#include <unordered_map>

#include "view/display_scale.h"

namespace {

// Bytes of composed pixels held at once: a large band for the pictures that
// are written row for row, a small one when scaling down (a thumbnail's page
// is read once, row after row, and a large band would only cost its pages).
const int64_t bandBytes = 4 << 20;
const int64_t scaledDownBandBytes = 256 << 10;

// Rows of a band: what `bytes` holds, at most 1024, and no more than the
// frame has.
int32_t bandRowsFor(int32_t width, int32_t height, int64_t bytes)
{
    int64_t rows = bytes / ((int64_t)width * (int64_t)sizeof(Pixel));
    if (rows > 1024)
        rows = 1024;
    if (rows > height)
        rows = height;
    return (int32_t)(rows < 1 ? 1 : rows);
}

bool scalesDown(const ImagePlan& plan)
{
    return plan.outWidth != plan.frame.width * plan.scale;
}

}  // namespace

PlannedRows::PlannedRows(const ImagePlan& plan)
    : plan_(plan),
      bandCapacity_(bandRowsFor(plan.frame.width, plan.frame.height,
                                scalesDown(plan) ? scaledDownBandBytes : bandBytes)),
      bandFirst_(0), bandRows_(0), frameRow_(0), repeatsLeft_(0), outRow_(0)
{
    // Everything is allocated here, none of it while rows are handed out.
    band_.resize((size_t)bandCapacity_ * (size_t)plan.frame.width);
    if (plan.scale > 1 || plan.outWidth != plan.frame.width)
        wide_.resize((size_t)plan.outWidth);
    if (scalesDown(plan)) {
        sums_.resize((size_t)plan.outWidth * 3);
        // Where each source column falls, in output columns: the same for
        // every row.
        const double sx = (double)plan.frame.width / plan.outWidth;
        columnFirst_.resize((size_t)plan.frame.width);
        columnInFirst_.resize((size_t)plan.frame.width);
        columnSpan_.resize((size_t)plan.frame.width);
        for (int32_t x = 0; x < plan.frame.width; ++x) {
            double left = x / sx;
            int32_t i = (int32_t)left;
            if (i >= plan.outWidth)
                i = plan.outWidth - 1;
            double right = (x + 1) / sx;
            columnFirst_[(size_t)x] = i;
            columnInFirst_[(size_t)x] = fmin(right, i + 1.0) - left;
            columnSpan_[(size_t)x] = right - left;
        }
    }
}

const Pixel* PlannedRows::nextFrameRow()
{
    if (frameRow_ >= bandFirst_ + bandRows_) {
        bandFirst_ = frameRow_;
        int64_t left = (int64_t)plan_.frame.height - bandFirst_;
        bandRows_ = (int32_t)(left < bandCapacity_ ? left : bandCapacity_);
        composeFrameRows(plan_.frame, band_.data(), bandFirst_, bandRows_);
        if (plan_.fade)
            fadeFrameRows(plan_.frame, band_.data(), bandFirst_, bandRows_);
    }
    const Pixel* row = band_.data() + (size_t)(frameRow_ - bandFirst_) * (size_t)plan_.frame.width;
    ++frameRow_;
    return row;
}

const Pixel* PlannedRows::next()
{
    if (scalesDown(plan_))
        return nextThumbnailRow();
    if (plan_.scale == 1)
        return nextFrameRow();
    if (repeatsLeft_ == 0) {
        scaleRowUp(nextFrameRow(), plan_.scale, wide_.data(), plan_.outWidth);
        repeatsLeft_ = plan_.scale;
    }
    --repeatsLeft_;
    return wide_.data();
}

// Area averaging: output pixel (i, j) is the mean of the source rectangle
// [i*sx, (i+1)*sx) x [j*sy, (j+1)*sy), partly covered pixels weighted by the
// part they cover.
const Pixel* PlannedRows::nextThumbnailRow()
{
    const int32_t sourceWidth = plan_.frame.width;
    const int32_t outWidth = plan_.outWidth;
    const double sy = (double)plan_.frame.height / plan_.outHeight;
    // The source rows of this output row, with the part of each it covers.
    const double top = outRow_ * sy;
    const double bottom = (outRow_ + 1) * sy;
    std::vector<double>& sums = sums_;
    for (double& s : sums)
        s = 0.0;
    for (int32_t y = (int32_t)floor(top); y < plan_.frame.height && y < bottom; ++y) {
        double weightY = fmin(bottom, y + 1.0) - fmax(top, (double)y);
        if (weightY <= 0.0)
            continue;
        // A source row that straddles two output rows is composed once and
        // kept for the second.
        const Pixel* row;
        if (y == frameRow_ - 1)
            row = band_.data() + (size_t)(y - bandFirst_) * (size_t)sourceWidth;
        else
            row = nextFrameRow();
        for (int32_t x = 0; x < sourceWidth; ++x) {
            int32_t i = columnFirst_[(size_t)x];
            Pixel p = row[x];
            double r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            double inFirst = columnInFirst_[(size_t)x] * weightY;
            sums[3 * i] += r * inFirst;
            sums[3 * i + 1] += g * inFirst;
            sums[3 * i + 2] += b * inFirst;
            double inSecond = columnSpan_[(size_t)x] * weightY - inFirst;
            if (inSecond > 0.0 && i + 1 < outWidth) {
                sums[3 * (i + 1)] += r * inSecond;
                sums[3 * (i + 1) + 1] += g * inSecond;
                sums[3 * (i + 1) + 2] += b * inSecond;
            }
        }
    }
    // Each output pixel gathered weights summing to sy (in output columns
    // times source rows), bar rounding at the last column and row.
    for (int32_t i = 0; i < outWidth; ++i) {
        Pixel p = 0;
        for (int c = 0; c < 3; ++c) {
            double mean = sums[3 * i + c] / sy;
            long v = lround(mean);
            p = (p << 8) | (Pixel)(v < 0 ? 0 : v > 255 ? 255 : v);
        }
        wide_[(size_t)i] = p;
    }
    ++outRow_;
    return wide_.data();
}

int32_t collectColors(PixelRows& rows, int32_t width, int32_t height, int32_t limit, std::vector<Pixel>* colors)
{
    std::unordered_map<Pixel, int32_t> seen;
    colors->clear();
    for (int32_t y = 0; y < height; ++y) {
        const Pixel* row = rows.next();
        Pixel last = row[0] ^ 1;
        for (int32_t x = 0; x < width; ++x) {
            Pixel p = row[x] & 0x00FFFFFFu;
            if (p == last)
                continue;
            last = p;
            if (seen.emplace(p, (int32_t)colors->size()).second) {
                colors->push_back(p);
                if ((int32_t)colors->size() > limit)
                    return (int32_t)colors->size();
            }
        }
    }
    return (int32_t)colors->size();
}
