// Fuzz target for the renderer's one-bit fast path: arbitrary document text
// at a scale from the first byte is packed straight from the font and, the
// same image, composed by the shared composer and packed to the same
// two-entry palette; any difference in any row aborts.
//
// Input: one byte for the scale (1 to 8), then the document's bytes; line
// feeds and zero bytes end lines, and an empty line 0 is put in front as a
// loaded document has it.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "render/image_plan.h"
#include "render/pixel_rows.h"
#include "render/png_writer.h"
#include "render/render_job.h"
#include "tests/support/line_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    LineDocument document(linesOfBytes(data + 1, size - 1));

    RenderRequest request = {};
    request.mode = RenderMode::document;
    request.scale = 1 + data[0] % 8;
    request.ink = 0xFFFFFF;
    request.paper = 0x404040;
    ImagePlan plan = planImage(*document.document(), request);
    if (plan.error || (int64_t)plan.outWidth * plan.outHeight > 4000000)
        return 0;
    ImageEncoding fast(*document.document(), plan);
    if (fast.format().bitDepth != 1 || fast.format().colors.size() != 2)
        abort();
    PlannedRows pixels(plan);
    PackedPixelRows composed(pixels, plan.outWidth, fast.format());
    size_t bytes = packedRowBytes(plan.outWidth, fast.format());
    for (int32_t y = 0; y < plan.outHeight; ++y)
        if (memcmp(fast.rows().next(), composed.next(), bytes) != 0)
            abort();
    return 0;
}
