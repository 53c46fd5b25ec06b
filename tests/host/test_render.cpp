// Tests of the renderer's pictures: the images equal the viewer's own frames
// (whole documents, views at a position with the fade, scaled), the one-bit
// fast path and ANSI art packed from its cells equal the shared composer,
// bands compose as one frame, thumbnails are area means of the top page, and
// PNGs read back as written.
#include <gtest/gtest.h>

#include <png.h>
#include <stdio.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "render/bit_rows.h"
#include "render/document_loader.h"
#include "render/image_plan.h"
#include "render/pixel_rows.h"
#include "render/png_writer.h"
#include "render/render_job.h"
#include "tests/support/line_document.h"
#include "view/frame_composer.h"
#include "view/scroll_view.h"

namespace {

std::vector<std::string> randomLines(std::mt19937& random, int maxLines, int maxLength)
{
    std::vector<std::string> lines{ "" };
    int count = (int)(random() % (maxLines + 1));
    for (int i = 0; i < count; ++i) {
        std::string line;
        int length = (int)(random() % (maxLength + 1));
        for (int k = 0; k < length; ++k) {
            switch (random() % 6) {
            case 0: line += '\t'; break;
            case 1: line += ' '; break;
            default: line += (char)(1 + random() % 255); break;
            }
        }
        lines.push_back(line);
    }
    return lines;
}

RenderRequest requestFor(RenderMode mode, Pixel ink, Pixel paper)
{
    RenderRequest request = {};
    request.mode = mode;
    request.scale = 1;
    request.fade = 1;
    request.ink = ink;
    request.paper = paper;
    return request;
}

// The viewer's own picture of a document in a view of the given size after
// scrolling `at` pixels from the start: the screen image, faded or not.
std::vector<Pixel> viewerFrame(TextDocument* document, int32_t width, int32_t height, int32_t at, bool fade,
                               ColorRef fore, ColorRef back, Pixel* ink, Pixel* paper)
{
    ScrollView* view = new ScrollView(fore, back, fade ? 1 : 0, 1, document);
    view->width = width;
    view->height = height;
    view->rebuildBackBuffer();
    view->composeFrame();
    if (at)
        view->scrollByPixels(at);
    std::vector<Pixel> pixels(view->screenBits, view->screenBits + (size_t)width * height);
    for (Pixel& p : pixels)
        p &= 0x00FFFFFFu;
    *ink = view->inkPixel;
    *paper = view->paperPixel;
    view->document = nullptr;
    view->releaseBackBuffer();
    delete view;
    return pixels;
}

std::vector<Pixel> renderedPixels(const ImagePlan& plan)
{
    PlannedRows rows(plan);
    std::vector<Pixel> pixels;
    for (int32_t y = 0; y < plan.outHeight; ++y) {
        const Pixel* row = rows.next();
        for (int32_t x = 0; x < plan.outWidth; ++x)
            pixels.push_back(row[x] & 0x00FFFFFFu);
    }
    return pixels;
}

}  // namespace

// Whole documents and views equal what the viewer shows, at any position,
// with the fade, in views too low for both fade bands and tall enough to be
// composed in several bands, and every pixel as a block when scaled.
TEST(RenderImages, EqualTheViewersFrames)
{
    std::mt19937 random(7);
    const ColorRef fore = 0x0040E0FF, back = 0x00202020;
    for (int round = 0; round < 40; ++round) {
        LineDocument lines(randomLines(random, 90, 50));
        TextDocument* document = lines.document();
        Pixel ink, paper;

        // The whole text, as in a view exactly its size at the start.
        RenderRequest request = requestFor(RenderMode::document, 0, 0);
        viewerFrame(document, 1, 1, 0, false, fore, back, &request.ink, &request.paper);
        ImagePlan whole = planImage(*document, request);
        ASSERT_EQ(whole.error, nullptr);
        std::vector<Pixel> expected =
            viewerFrame(document, whole.outWidth, whole.outHeight, 0, false, fore, back, &ink, &paper);
        ASSERT_EQ(renderedPixels(whole), expected) << "whole document, round " << round;

        // A view at some position, faded: some low, some taller than a band.
        const int32_t heights[] = { 1, 17, 45, 59, 61, 200, 1500 };
        int32_t width = 1 + (int32_t)(random() % 300);
        int32_t height = heights[round % 7];
        int32_t at = (int32_t)(random() % 2000);
        RenderRequest view = requestFor(RenderMode::view, request.ink, request.paper);
        view.viewWidth = width;
        view.viewHeight = height;
        view.viewAt = at;
        ImagePlan plan = planImage(*document, view);
        expected = viewerFrame(document, width, height, at, true, fore, back, &ink, &paper);
        ASSERT_EQ(renderedPixels(plan), expected) << width << "x" << height << " at " << at;

        // Scaled: each pixel an N x N block.
        view.scale = 2 + round % 3;
        ImagePlan scaled = planImage(*document, view);
        std::vector<Pixel> blocks = renderedPixels(scaled);
        ASSERT_EQ(scaled.outWidth, width * view.scale);
        for (int32_t y = 0; y < scaled.outHeight; ++y)
            for (int32_t x = 0; x < scaled.outWidth; ++x)
                ASSERT_EQ(blocks[(size_t)y * scaled.outWidth + x],
                          expected[(size_t)(y / view.scale) * width + x / view.scale]);
    }
}

// Composing a frame band by band, in bands of any size, gives the frame
// composed at once.
TEST(RenderImages, BandsComposeAsOneFrame)
{
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        LineDocument lines(randomLines(random, 30, 30));
        FrameDescription frame = {};
        frame.document = lines.document();
        frame.width = 1 + (int32_t)(random() % 200);
        frame.height = 1 + (int32_t)(random() % 400);
        frame.topLine = (int32_t)(random() % 5);
        frame.pixelOffset = -(int32_t)(random() % 17);
        frame.ink = 0xFFFFFF;
        frame.paper = 0x102030;
        std::vector<Pixel> whole((size_t)frame.width * frame.height);
        composeFrameRows(frame, whole.data(), 0, frame.height);
        fadeFrameRows(frame, whole.data(), 0, frame.height);
        std::vector<Pixel> banded;
        for (int32_t first = 0; first < frame.height;) {
            int32_t rows = 1 + (int32_t)(random() % 40);
            std::vector<Pixel> band((size_t)frame.width * rows, 0x5A5A5A5A);
            composeFrameRows(frame, band.data(), first, rows);
            fadeFrameRows(frame, band.data(), first, rows);
            int32_t used = std::min(rows, frame.height - first);
            banded.insert(banded.end(), band.begin(), band.begin() + (size_t)frame.width * used);
            first += rows;
        }
        ASSERT_EQ(banded, whole) << frame.width << "x" << frame.height;
    }
}

// The one-bit rows packed from the font equal the composer's rows packed to
// the same two-entry palette, at every scale.
TEST(RenderImages, FastRowsEqualTheComposersRows)
{
    std::mt19937 random(3);
    for (int round = 0; round < 40; ++round) {
        LineDocument lines(randomLines(random, 25, 60));
        RenderRequest request = requestFor(RenderMode::document, 0xFFFFFF, 0x404040);
        request.scale = 1 + round % 8;
        ImagePlan plan = planImage(*lines.document(), request);
        ImageEncoding fast(*lines.document(), plan);
        ASSERT_EQ(fast.format().bitDepth, 1);
        PlannedRows pixels(plan);
        PackedPixelRows composed(pixels, plan.outWidth, fast.format());
        size_t bytes = packedRowBytes(plan.outWidth, fast.format());
        for (int32_t y = 0; y < plan.outHeight; ++y) {
            const uint8_t* a = fast.rows().next();
            const uint8_t* b = composed.next();
            ASSERT_EQ(std::vector<uint8_t>(a, a + bytes), std::vector<uint8_t>(b, b + bytes))
                << "row " << y << ", scale " << request.scale;
        }
    }
}

// A thumbnail is the top page (at most 1.4 times as high as wide), its longer
// side the size asked for and never enlarged, each pixel the mean of the
// source area it covers.
TEST(RenderImages, ThumbnailsAreAreaMeansOfTheTopPage)
{
    std::vector<std::string> text{ "" };
    for (int i = 0; i < 300; ++i)
        text.push_back(std::string(20 + i % 37, (char)(0xB0 + i % 4)) + " line " + std::to_string(i));
    LineDocument lines(text);
    RenderRequest request = requestFor(RenderMode::thumbnail, 0xFFFFFF, 0x000000);
    request.thumbnailSize = 100000;
    ImagePlan page = planImage(*lines.document(), request);
    EXPECT_EQ(page.outWidth, page.frame.width) << "never enlarged";
    EXPECT_EQ(page.outHeight, page.frame.width * 14 / 10);

    request.thumbnailSize = 97;
    ImagePlan plan = planImage(*lines.document(), request);
    ASSERT_EQ(std::max(plan.outWidth, plan.outHeight), 97);
    std::vector<Pixel> thumbnail = renderedPixels(plan);

    // The same means, straight from the definition.
    ImagePlan source = page;
    std::vector<Pixel> full = renderedPixels(source);
    double sx = (double)source.frame.width / plan.outWidth, sy = (double)source.frame.height / plan.outHeight;
    for (int32_t j = 0; j < plan.outHeight; ++j) {
        for (int32_t i = 0; i < plan.outWidth; ++i) {
            double sum[3] = { 0, 0, 0 }, area = 0;
            for (int32_t y = (int32_t)(j * sy); y < source.frame.height && y < (j + 1) * sy; ++y) {
                double wy = std::min((j + 1) * sy, y + 1.0) - std::max(j * sy, (double)y);
                for (int32_t x = (int32_t)(i * sx); x < source.frame.width && x < (i + 1) * sx; ++x) {
                    double w = wy * (std::min((i + 1) * sx, x + 1.0) - std::max(i * sx, (double)x));
                    Pixel p = full[(size_t)y * source.frame.width + x];
                    sum[0] += w * (p >> 16 & 0xFF);
                    sum[1] += w * (p >> 8 & 0xFF);
                    sum[2] += w * (p & 0xFF);
                    area += w;
                }
            }
            Pixel got = thumbnail[(size_t)j * plan.outWidth + i];
            for (int c = 0; c < 3; ++c) {
                int channel = (int)(got >> (16 - 8 * c) & 0xFF);
                ASSERT_NEAR(channel, sum[c] / area, 0.51) << "pixel " << i << "," << j;
            }
        }
    }
}

// A wide text's thumbnail is its top-left page, 80 columns cut at the right
// edge: two 16,000-column lines make a strip that can be seen, not a sliver,
// and nothing right of the page changes a pixel.
TEST(RenderImages, AThumbnailOfWideTextIsItsEightyColumnPage)
{
    std::mt19937 random(18);
    std::vector<std::string> wide{ "" }, cut{ "" };
    for (int i = 0; i < 2; ++i) {
        std::string line;
        for (int k = 0; k < 16000; ++k)
            line += (char)(0xB0 + random() % 48);
        wide.push_back(line);
        cut.push_back(line.substr(0, 81));
    }
    LineDocument wideLines(wide), cutLines(cut);
    RenderRequest request = requestFor(RenderMode::thumbnail, 0xFFFFFF, 0x000000);
    request.thumbnailSize = 128;
    ImagePlan plan = planImage(*wideLines.document(), request);
    EXPECT_EQ(plan.frame.width, frameTextLeft + 80 * frameCellWidth);
    EXPECT_EQ(plan.outWidth, 128);
    EXPECT_GE(plan.outHeight, 8);
    EXPECT_EQ(renderedPixels(plan), renderedPixels(planImage(*cutLines.document(), request)));
}

namespace {

// Rows of n colours in stripes, for the palette formats.
class StripeRows : public PixelRows {
public:
    StripeRows(int32_t width, int32_t colors) : row_((size_t)width)
    {
        for (int32_t x = 0; x < width; ++x)
            row_[(size_t)x] = (Pixel)((x % colors) * 0x010305u + 0x203040u) & 0x00FFFFFFu;
    }
    const Pixel* next() override { return row_.data(); }

private:
    std::vector<Pixel> row_;
};

struct ReadBack {
    uint32_t width = 0, height = 0;
    int bitDepth = 0, colorType = 0, paletteSize = 0;
    std::vector<Pixel> pixels;  // expanded to 0x00RRGGBB
};

ReadBack readPng(const std::string& path)
{
    ReadBack result;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return result;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        fclose(file);
        return ReadBack();
    }
    png_init_io(png, file);
    png_read_info(png, info);
    result.width = png_get_image_width(png, info);
    result.height = png_get_image_height(png, info);
    result.bitDepth = png_get_bit_depth(png, info);
    result.colorType = png_get_color_type(png, info);
    png_colorp palette = nullptr;
    png_get_PLTE(png, info, &palette, &result.paletteSize);
    png_set_expand(png);    // palette and low depths to 8-bit RGB
    png_read_update_info(png, info);
    std::vector<uint8_t> row(png_get_rowbytes(png, info));
    for (uint32_t y = 0; y < result.height; ++y) {
        png_read_row(png, row.data(), nullptr);
        for (uint32_t x = 0; x < result.width; ++x)
            result.pixels.push_back((Pixel)row[3 * x] << 16 | (Pixel)row[3 * x + 1] << 8 | row[3 * x + 2]);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(file);
    return result;
}

std::string temporaryPath(const char* name)
{
    return std::string(::testing::TempDir()) + "tavelin-render-" + std::to_string(getpid()) + "-" + name;
}

}  // namespace

// Each number of colours gets the narrowest format, and the file reads back
// with the same size, depth, palette and pixels.
TEST(RenderPng, FilesReadBackInTheNarrowestFormat)
{
    struct Case {
        int32_t colors;
        int bitDepth;
        bool palette;
    };
    const Case cases[] = { { 1, 1, true }, { 2, 1, true }, { 3, 2, true }, { 4, 2, true }, { 5, 4, true },
                           { 16, 4, true }, { 17, 8, true }, { 256, 8, true }, { 257, 8, false } };
    const std::string path = temporaryPath("stripes.png");
    for (const Case& c : cases) {
        const int32_t width = 301, height = 3;
        StripeRows census(width, c.colors);
        std::vector<Pixel> colors;
        collectColors(census, width, 1, 256, &colors);
        PngFormat format = formatForColors(colors);
        EXPECT_EQ(format.bitDepth, c.bitDepth) << c.colors << " colours";
        EXPECT_EQ(format.palette, c.palette) << c.colors << " colours";
        StripeRows rows(width, c.colors);
        PackedPixelRows packed(rows, width, format);
        ASSERT_EQ(writePng(path, width, height, format, packed), "");
        ReadBack back = readPng(path);
        EXPECT_EQ(back.width, (uint32_t)width);
        EXPECT_EQ(back.height, (uint32_t)height);
        EXPECT_EQ(back.bitDepth, c.bitDepth);
        EXPECT_EQ(back.colorType, c.palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB);
        if (c.palette)
            EXPECT_EQ(back.paletteSize, c.colors);
        StripeRows expected(width, c.colors);
        const Pixel* row = expected.next();
        ASSERT_EQ(back.pixels.size(), (size_t)width * height);
        for (int32_t i = 0; i < width * height; ++i)
            ASSERT_EQ(back.pixels[(size_t)i], row[i % width]) << c.colors << " colours, pixel " << i;
    }
    unlink(path.c_str());
}

// Pictures past the small size and past one deflate call, in every format,
// some flat, some scaled up (rows repeated), written one after another
// through the writer's one reused stream, read back with their pixels.
TEST(RenderPng, LargePicturesReadBackWithTheSettingsChosenForThem)
{
    struct Case {
        int32_t colors, width, height, repeat, sparse;
    };
    const Case cases[] = { { 2, 1100, 1200, 1, 1 }, { 16, 1000, 700, 3, 1 }, { 2, 200, 30, 1, 1 },
                           { 200, 1920, 500, 1, 9 }, { 4000, 700, 300, 2, 1 }, { 4000, 900, 400, 1, 5 } };
    const std::string path = temporaryPath("large.png");
    for (const Case& c : cases) {
        auto pixel = [&](int32_t x, int32_t y) {
            uint32_t h = (uint32_t)(x / 5) * 2654435761u ^ (uint32_t)(y / c.repeat) * 40503u;
            h ^= h >> 13;
            return h % c.sparse ? (Pixel)0x404040 : (Pixel)((h % c.colors) * 0x010407u & 0xFFFFFFu);
        };
        std::vector<Pixel> image((size_t)c.width * c.height), colors;
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x)
                image[(size_t)y * c.width + x] = pixel(x, y);
        struct ImageRows : PixelRows {
            const Pixel* at;
            int32_t width;
            const Pixel* next() override { return (at += width) - width; }
        } census, rows;
        census.at = rows.at = image.data();
        census.width = rows.width = c.width;
        collectColors(census, c.width, c.height, 256, &colors);
        PngFormat format = formatForColors(colors);
        PackedPixelRows packed(rows, c.width, format);
        ASSERT_EQ(writePng(path, c.width, c.height, format, packed), "");
        ReadBack back = readPng(path);
        EXPECT_EQ(back.bitDepth, format.palette ? format.bitDepth : 8) << c.colors << " colours";
        ASSERT_TRUE(back.pixels == image) << c.colors << " colours, " << c.width << " x " << c.height;
    }
    unlink(path.c_str());
}

// A whole document is written one bit a pixel with the background and the
// text colour as its palette, and its pixels are the composer's.
TEST(RenderPng, WholeDocumentsAreOneBitImagesOfTheComposersPicture)
{
    const std::string input = temporaryPath("art.nfo");
    const std::string output = input + ".png";
    FILE* file = fopen(input.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fputs("\xC9\xCD\xCD\xBB\r\n\xBA\tab\xB1\xB2\xDB\xBA\r\n\xC8\xCD\xCD\xBC\r\n", file);
    fclose(file);
    RenderRequest request = requestFor(RenderMode::document, 0x00FF80, 0x101010);
    request.scale = 3;
    RenderOutcome outcome = renderFile(input, output, request, EncodingChoice::automatic);
    ASSERT_EQ(outcome.error, "");
    ReadBack back = readPng(output);
    EXPECT_EQ(back.bitDepth, 1);
    EXPECT_EQ(back.paletteSize, 2);
    std::vector<std::string> text{ "", "\xC9\xCD\xCD\xBB", "\xBA\tab\xB1\xB2\xDB\xBA", "\xC8\xCD\xCD\xBC" };
    LineDocument lines(text);
    ImagePlan plan = planImage(*lines.document(), request);
    EXPECT_EQ(back.width, (uint32_t)(20 + 8 * 15) * 3);   // the tab draws eight cells
    EXPECT_EQ(back.height, 16u * 5 * 3);
    EXPECT_EQ(back.pixels, renderedPixels(plan));
    unlink(input.c_str());
    unlink(output.c_str());
}

// An image taller or wider than a PNG may be is refused before anything is
// composed, rather than wrapping around to a wrong size.
TEST(RenderImages, ImagesBeyondThePngLimitAreRefused)
{
    LineDocument lines({ "", "a" });
    RenderRequest request = requestFor(RenderMode::view, 0xFFFFFF, 0x404040);
    request.viewWidth = 640;
    request.viewHeight = 0x10000000;
    request.scale = 8;
    EXPECT_NE(planImage(*lines.document(), request).error, nullptr);
    request.viewHeight = 0x0FFFFFFF;
    EXPECT_EQ(planImage(*lines.document(), request).error, nullptr);

    // 134,217,728 lines: 16 rows each passes the limit; the lines are never read.
    request.mode = RenderMode::document;
    request.scale = 1;
    lines.document()->lineCount = 0x08000000;
    EXPECT_NE(planImage(*lines.document(), request).error, nullptr);
    lines.document()->lineCount = 2;
}

// A file longer than the bound is read only up to it, and read as text as a
// whole file is: its 17-byte lines do not divide the bound, so the read
// cuts a character, which is no evidence against UTF-8.
TEST(RenderLoad, AThumbnailReadsOnlyTheStartOfALongFileAsText)
{
    const std::string path = temporaryPath("long.nfo");
    std::string text;
    while (text.size() < 3 * (size_t)thumbnailReadLimit)
        text += "\xE2\x96\x88\xE2\x96\x91 box art!\r\n";
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
    LoadedDocument loaded = loadDocumentPrefix(path.c_str(), EncodingChoice::automatic, thumbnailReadLimit);
    unlink(path.c_str());
    ASSERT_NE(loaded.document, nullptr) << loaded.error;
    EXPECT_EQ(loaded.reading.encoding, TextEncoding::utf8);
    EXPECT_LE(loaded.document->textLength, thumbnailReadLimit);
    EXPECT_STREQ(loaded.document->getLine(1), "\xDB\xB0 box art!");
    delete loaded.document;
}

// An ANSI file's whole picture packed from its cells: the palette (in order)
// and rows of the composer's pixels; 8- and 9-pixel cells, unwritten cells
// and rows, 2-, 4- and 8-bit palettes, scales 1 to 3.
TEST(RenderImages, AnsiCellRowsEqualTheComposersRows)
{
    std::mt19937 random(11);
    const std::string path = temporaryPath("cells.ans");
    const char glyphs[] = { '\xC4', '\xC5', '\xDB', '\xDF', '\xB1', 'A', ' ', '\0', '\x07' };
    for (int round = 0; round < 24; ++round) {
        std::string art;
        const unsigned colors = round % 3 == 0 ? 2 : round % 3 == 1 ? 8 : 40;
        for (int cell = 0; cell < 400; ++cell) {
            if (random() % 3 == 0)
                art += "\x1b[38;5;" + std::to_string(random() % colors) + ";48;5;" + std::to_string(random() % colors) + "m";
            art += random() % 30 == 0 ? std::string("\r\n\n\x1b[3C") : std::string(1, glyphs[random() % sizeof glyphs]);
        }
        FILE* file = fopen(path.c_str(), "wb");
        ASSERT_TRUE(file && fwrite(art.data(), 1, art.size(), file) == art.size() && fclose(file) == 0);
        const ArtChoice choice = { ArtFormat(), 20 + round, 0, (uint8_t)(round % 2 ? 9 : 8) };
        LoadedDocument loaded = loadDocument(path.c_str(), EncodingChoice::cp437, choice);
        ASSERT_TRUE(loaded.document && loaded.document->canvas);
        RenderRequest request = requestFor(RenderMode::document, 0xFFFFFF, 0);
        request.scale = 1 + round / 3 % 3;
        ImagePlan plan = planImage(*loaded.document, request);
        ImageEncoding cells(*loaded.document, plan);
        PlannedRows census(plan), pixels(plan);
        std::vector<Pixel> found;
        collectColors(census, plan.outWidth, plan.outHeight, 256, &found);
        ASSERT_EQ(cells.format().colors, formatForColors(found).colors) << "round " << round;
        PackedPixelRows composed(pixels, plan.outWidth, cells.format());
        const size_t bytes = packedRowBytes(plan.outWidth, cells.format());
        for (int32_t y = 0; y < plan.outHeight; ++y) {
            const uint8_t* a = cells.rows().next();
            const uint8_t* b = composed.next();
            ASSERT_EQ(std::vector<uint8_t>(a, a + bytes), std::vector<uint8_t>(b, b + bytes)) << "round " << round << ", row " << y;
        }
        delete loaded.document;
    }
    unlink(path.c_str());
}
