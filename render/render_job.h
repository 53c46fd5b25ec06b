// One file rendered to one PNG: loaded, planned, composed and written.
#pragma once

#include <stdint.h>

#include <string>

#include "render/image_plan.h"
#include "render/png_writer.h"
#include "document/art_format.h"
#include "document/text_reading.h"

struct RenderOutcome {
    std::string error;          // empty on success
    bool inputFailed;           // the error is the input's (else the output's)
    int32_t width;
    int32_t height;
    PngFormat format;
    TextReading reading;
    // ANSI art: how its canvas was laid out, and whether the canvas's
    // bounds cut off some of what it drew.
    bool ansi;
    AnsiLayout layout;
    bool canvasCut;
};

RenderOutcome renderFile(const std::string& input, const std::string& output, const RenderRequest& request,
                         EncodingChoice encoding, const ArtChoice& art = ArtChoice());

// One file's text written to standard output as UTF-8 (text_output.h).
// ANSI art as its canvas's rows, one line each, trailing blanks left out.
RenderOutcome writeText(const std::string& input, EncodingChoice encoding, const ArtChoice& art = ArtChoice());

// The rows of an image as the PNG will hold them, and the format: the fast
// path's for a whole document without the fade, the composer's packed rows
// for everything else. Exposed for the tests, which hold the two paths
// against each other.
class ImageEncoding {
public:
    ImageEncoding(const TextDocument& document, const ImagePlan& plan);
    ~ImageEncoding();
    ImageEncoding(const ImageEncoding&) = delete;
    ImageEncoding& operator=(const ImageEncoding&) = delete;

    const PngFormat& format() const { return format_; }
    PackedRows& rows() { return *rows_; }

private:
    PngFormat format_;
    PixelRows* pixels_;
    PackedRows* rows_;
};

// The format of the shared composer's picture of a plan: a pass over its
// rows counts the colours.
PngFormat composerFormat(const ImagePlan& plan);
