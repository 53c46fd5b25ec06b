// The view's drawing operations: each describes the view's current state to
// the shared composer (frame_composer.h) and draws with it into the view's
// buffers. composeFrame composes the back buffer, copies it to the screen
// image, fades the copy's edges and presents it. On a scaled screen the fade
// is done in the back buffer's logical rows, as the renderer does it, and the
// faded picture is then drawn in blocks onto the screen image.
#include "view/display_scale.h"
#include "view/frame_composer.h"
#include "view/scroll_view.h"

static FrameDescription describeFrame(const ScrollView& view)
{
    FrameDescription frame;
    frame.document = view.document;
    frame.width = view.width;
    frame.height = view.height;
    frame.topLine = view.topLine;
    frame.pixelOffset = view.pixelOffset;
    frame.ink = view.inkPixel;
    frame.paper = view.paperPixel;
    frame.selInk = view.selInkPixel;
    frame.selPaper = view.selPaperPixel;
    bool reversed = view.selReversed != 0;
    frame.selection.active = view.hasSelection != 0;
    frame.selection.startLine = reversed ? view.caretLine : view.anchorLine;
    frame.selection.startColumn = reversed ? view.caretColumn : view.anchorColumn;
    frame.selection.endLine = reversed ? view.anchorLine : view.caretLine;
    frame.selection.endColumn = reversed ? view.anchorColumn : view.caretColumn;
    return frame;
}

static bool hasBuffers(const ScrollView& view)
{
    return view.backBuffer && view.screenBits && view.width > 0 && view.height > 0;
}

void ScrollView::composeFrame()
{
    if (backBuffer && width > 0 && height > 0) {
        composeFrameRows(describeFrame(*this), backBuffer, 0, height);
        if (scale > 1) {
            if (document && fadeEnabled)
                applyFade();
            copyToScreen();
        } else {
            copyToScreen();
            if (document && fadeEnabled)
                applyFade();
        }
    }
    present();
}

void ScrollView::drawLine(int32_t row, int32_t lineIndex)
{
    composeFrameLine(describeFrame(*this), backBuffer, row, lineIndex);
}

void ScrollView::drawGlyph(uint8_t code, int32_t x, int32_t y, bool selected)
{
    composeFrameGlyph(describeFrame(*this), backBuffer, code, x, y, selected);
}

void ScrollView::applyFade()
{
    // Scaled, the logical picture is faded before it becomes blocks.
    fadeFrameRows(describeFrame(*this), scale > 1 ? backBuffer : screenBits, 0, height);
}

void ScrollView::copyToScreen()
{
    if (!hasBuffers(*this))
        return;
    if (scale > 1) {
        scalePictureUp(backBuffer, width, scale, screenBits, deviceWidth, deviceHeight);
        return;
    }
    __builtin_memcpy(screenBits, backBuffer, (size_t)width * (size_t)height * sizeof(Pixel));
}
