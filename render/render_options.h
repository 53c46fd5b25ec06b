// The renderer's command line: GNU-style options, the files to render and
// where each image goes.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "render/image_plan.h"
#include "document/art_format.h"
#include "document/text_encoding.h"

struct RenderTask {
    std::string input;      // "-" is standard input
    std::string output;     // "-" is standard output
};

struct RenderOptions {
    RenderRequest request;
    EncodingChoice encoding;
    ArtChoice art;          // ANSI art or not, and its layout
    bool text;              // write each file's text as UTF-8 to standard output
    bool quiet;
    bool verbose;
    bool showHelp;
    bool showVersion;
    std::vector<RenderTask> tasks;
    std::string usageError;     // empty when the command line is sound
};

RenderOptions parseRenderOptions(int argc, char** argv);

// A colour as RRGGBB or #RRGGBB, to the pixel 0x00RRGGBB; false when malformed.
bool parseColor(const char* text, Pixel* pixel);

extern const char renderUsage[];
