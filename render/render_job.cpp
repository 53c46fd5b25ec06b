// One file rendered to one PNG (render_job.h).
#include "render/render_job.h"

#include <new>

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "document/ansi_reader.h"
#include "document/document_storage.h"
#include "document/text_document.h"
#include "render/bit_rows.h"
#include "render/cell_colors.h"
#include "render/cell_rows.h"
#include "render/document_loader.h"
#include "render/text_output.h"

namespace {

class BitRows : public PackedRows {
public:
    BitRows(const TextDocument& document, const ImagePlan& plan)
        : rows_(document, plan.frame.width, plan.frame.height, plan.scale)
    {
    }
    const uint8_t* next() override { return rows_.next(); }

private:
    DocumentBitRows rows_;
};

// A whole document without the fade holds the background and the text
// colour only: index 0 and 1 of a one-bit palette.
bool takesFastPath(const ImagePlan& plan)
{
    return plan.wholeDocument && !plan.fade && !plan.frame.document->canvas;
}

void noteCanvas(const TextDocument* document, RenderOutcome* outcome)
{
    const AnsiCanvas* canvas = document ? document->canvas : nullptr;
    if (!canvas)
        return;
    outcome->ansi = true;
    outcome->layout.columns = canvas->getWidth();
    outcome->layout.columnsCut = canvas->columnsCut;
    outcome->layout.ice = canvas->ice;
    outcome->layout.cellWidth = canvas->cellWidth;
    outcome->canvasCut = canvas->cut;
}

// Writes text as UTF-8 to standard output; false with errno on failure.
bool writeUtf8(const uint8_t* bytes, size_t length, std::string& utf8)
{
    utf8.clear();
    appendTextAsUtf8(bytes, length, utf8);
    return fwrite(utf8.data(), 1, utf8.size(), stdout) == utf8.size();
}

// The rows of ANSI art, each as a line.
const char* writeCanvasText(const AnsiCanvas& canvas)
{
    std::string utf8;
    for (int32_t row = 0; row < canvas.getRows(); ++row) {
        const char* line = canvas.glyphRow(row);
        if (!writeUtf8((const uint8_t*)(line ? line : ""), line ? strlen(line) : 0, utf8) || fputc('\n', stdout) == EOF)
            return strerror(errno);
    }
    return nullptr;
}

}  // namespace

PngFormat composerFormat(const ImagePlan& plan)
{
    // The palette is known before the first row is written: a canvas's
    // whole picture takes its colours from the cells, anything else from a
    // pass over the composed rows.
    std::vector<Pixel> colors;
    if (colorsFromCells(plan)) {
        collectCellColors(plan, 256, &colors);
    } else {
        PlannedRows census(plan);
        collectColors(census, plan.outWidth, plan.outHeight, 256, &colors);
    }
    return formatForColors(colors);
}

ImageEncoding::ImageEncoding(const TextDocument& document, const ImagePlan& plan)
    : pixels_(nullptr), rows_(nullptr)
{
    if (takesFastPath(plan)) {
        format_.bitDepth = 1;
        format_.palette = true;
        format_.colors = { plan.frame.paper & 0x00FFFFFFu, plan.frame.ink & 0x00FFFFFFu };
        rows_ = new BitRows(document, plan);
        return;
    }
    format_ = composerFormat(plan);
    if (colorsFromCells(plan) && format_.palette) {
        rows_ = new CellIndexRows(plan, format_);
        return;
    }
    pixels_ = new PlannedRows(plan);
    rows_ = new PackedPixelRows(*pixels_, plan.outWidth, format_);
}

ImageEncoding::~ImageEncoding()
{
    delete rows_;
    delete pixels_;
}

RenderOutcome renderFile(const std::string& input, const std::string& output, const RenderRequest& request,
                         EncodingChoice encoding, const ArtChoice& art)
{
    RenderOutcome outcome = {};
    const bool thumbnail = request.mode == RenderMode::thumbnail;
    LoadedDocument loaded = thumbnail ? loadDocumentPrefix(input.c_str(), encoding, thumbnailReadLimit, art)
                                      : loadDocument(input.c_str(), encoding, art);
    outcome.reading = loaded.reading;
    noteCanvas(loaded.document, &outcome);
    if (!loaded.document) {
        outcome.error = loaded.error;
        outcome.inputFailed = true;
        return outcome;
    }
    ImagePlan plan = planImage(*loaded.document, request);
    if (plan.error) {
        outcome.error = plan.error;
        outcome.inputFailed = true;
    } else {
        // The buffers of a band of rows are had before anything is written;
        // a band of an extremely wide image may not be to be had at all.
        try {
            ImageEncoding image(*loaded.document, plan);
            outcome.width = plan.outWidth;
            outcome.height = plan.outHeight;
            outcome.format = image.format();
            // A thumbnail service reads the file it handed over through a
            // handle it keeps open: a thumbnail is written into that file.
            outcome.error = writePng(output, plan.outWidth, plan.outHeight, image.format(), image.rows(),
                                     thumbnail ? PngTarget::inPlace : PngTarget::replaced);
        } catch (const std::bad_alloc&) {
            outcome.error = "not enough memory for a row of an image this wide";
            outcome.inputFailed = true;
        }
    }
    delete loaded.document;
    return outcome;
}

RenderOutcome writeText(const std::string& input, EncodingChoice encoding, const ArtChoice& art)
{
    RenderOutcome outcome = {};
    LoadedText text = loadText(input.c_str(), encoding);
    outcome.reading = text.reading;
    if (!text.buffer) {
        outcome.error = text.error;
        outcome.inputFailed = true;
        return outcome;
    }
    const char* name = input == "-" ? nullptr : input.c_str();
    if (readsAsAnsi(text.buffer + 1, text.length, text.reading.sauce, name, art.format)) {
        TextDocument document;
        document.canvas = readAnsiArt(text.buffer + 1, text.length, ansiLayout(text.reading.sauce, art), text.buffer);
        if (!document.canvas) {
            outcome.error = "not enough memory to load it";
            outcome.inputFailed = true;
            return outcome;
        }
        noteCanvas(&document, &outcome);
        const char* error = writeCanvasText(*document.canvas);
        if (!error && fflush(stdout) != 0)
            error = strerror(errno);
        if (error)
            outcome.error = error;
        return outcome;
    }
    // In pieces of about a megabyte, each ending outside a run of carriage
    // returns, which only the byte after the run tells how to write.
    const uint8_t* bytes = text.buffer + 1;
    std::string utf8;
    for (size_t at = 0; at < text.length && outcome.error.empty();) {
        size_t end = text.length - at > (1 << 20) ? at + (1 << 20) : text.length;
        while (end < text.length && bytes[end - 1] == '\r')
            ++end;
        if (!writeUtf8(bytes + at, end - at, utf8))
            outcome.error = strerror(errno);
        at = end;
    }
    if (outcome.error.empty() && fflush(stdout) != 0)
        outcome.error = strerror(errno);
    freePages(text.buffer);
    return outcome;
}
