// What one rendered image is (image_plan.h). The view is placed by the
// viewer's own scroll rule, so `--at` clamps exactly as scrolling does.
#include "render/image_plan.h"


#include "document/text_document.h"
#include "view/scroll_position.h"

namespace {

const char tooLarge[] = "too large for a PNG (a side would exceed 2147483647 pixels)";
const char noText[] = "no text to show: no thumbnail written";

FrameDescription frameOf(const TextDocument& document, const RenderRequest& request)
{
    FrameDescription frame = {};
    frame.document = &document;
    frame.ink = request.ink;
    frame.paper = request.paper;
    return frame;
}

// True when some line holds a character: a file of nothing but line ends
// has nothing to show.
bool holdsText(const TextDocument& document)
{
    if (document.canvas) {
        // ANSI art: any touched row, blank cells in colour included.
        for (int32_t row = 0; row < document.canvas->getRows(); ++row)
            if (document.canvas->rowColors(row).attributes)
                return true;
        return false;
    }
    for (int32_t i = 0; i < document.getLineCount(); ++i)
        if (document.getLine(i)[0])
            return true;
    return false;
}

// Cuts the whole text's picture to a thumbnail's page: at most
// thumbnailColumns wide (wider text runs to the right edge and is cut there,
// without the right margin), at most 1.4 times as high as wide.
void cutToPage(int64_t* width, int64_t* height, int32_t cellWidth)
{
    const int64_t fullWidth = 2 * (int64_t)frameTextLeft + (int64_t)cellWidth * thumbnailColumns;
    if (*width > fullWidth)
        *width = fullWidth - frameTextLeft;
    if (*height > *width * 14 / 10)
        *height = *width * 14 / 10;
}

}  // namespace

int64_t widestLineCells(const TextDocument& document)
{
    if (document.canvas)
        return document.canvas->getWidth();
    int64_t widest = 0;
    for (int32_t i = 0; i < document.getLineCount(); ++i) {
        const char* line = document.getLine(i);
        int64_t cells = 0;
        for (const char* p = line; *p; ++p)
            cells += *p == '\t' ? frameCellsPerTab : 1;
        if (cells > widest)
            widest = cells;
    }
    return widest;
}

ImagePlan planImage(const TextDocument& document, const RenderRequest& request)
{
    ImagePlan plan = {};
    plan.frame = frameOf(document, request);
    plan.scale = request.mode == RenderMode::thumbnail ? 1 : request.scale;
    plan.wholeDocument = request.mode == RenderMode::document;

    int64_t width;
    int64_t height;
    if (request.mode == RenderMode::view) {
        width = request.viewWidth;
        height = request.viewHeight;
        plan.fade = request.fade;
    } else if (request.mode == RenderMode::thumbnail && !holdsText(document)) {
        plan.error = noText;
        return plan;
    } else {
        // The whole text with the viewer's margins: 10 pixels left and right,
        // the empty line 0 above and one empty row below the last line. Too
        // many lines are refused before the lines are measured.
        height = (int64_t)frameCellHeight * ((int64_t)document.getLineCount() + 1);
        if (request.mode != RenderMode::thumbnail && height * plan.scale > pngMaxSide) {
            plan.error = tooLarge;
            return plan;
        }
        width = 2 * (int64_t)frameTextLeft + document.getCellWidth() * widestLineCells(document);
        // A thumbnail shows the top left of the document, a page at most.
        if (request.mode == RenderMode::thumbnail)
            cutToPage(&width, &height, document.getCellWidth());
    }
    if (width > pngMaxSide || height > pngMaxSide || width * plan.scale > pngMaxSide ||
        height * plan.scale > pngMaxSide) {
        plan.error = tooLarge;
        return plan;
    }
    plan.frame.width = (int32_t)width;
    plan.frame.height = (int32_t)height;
    plan.outWidth = (int32_t)(width * plan.scale);
    plan.outHeight = (int32_t)(height * plan.scale);

    if (request.mode == RenderMode::view && request.viewAt != 0) {
        // The view starts at the top, as the viewer opens a file, and moves
        // the way the viewer moves when scrolled that far.
        ScrollPosition position = {};
        moveScrollPosition(position, request.viewAt, document.getLineCount(), plan.frame.height,
                           plan.frame.height / frameCellHeight);
        plan.frame.topLine = position.topLine;
        plan.frame.pixelOffset = position.pixelOffset;
    }
    if (request.mode == RenderMode::thumbnail) {
        int64_t longer = width > height ? width : height;
        if (request.thumbnailSize < longer) {
            // Never enlarged; each side at least one pixel.
            int64_t w = (width * request.thumbnailSize + longer / 2) / longer;
            int64_t h = (height * request.thumbnailSize + longer / 2) / longer;
            plan.outWidth = (int32_t)(w > 0 ? w : 1);
            plan.outHeight = (int32_t)(h > 0 ? h : 1);
        }
    }
    return plan;
}
