// copySelection: puts the selected text on the clipboard as CF_TEXT.
//
// The text itself comes from selection_text.cpp; this file holds only the
// clipboard calls. Every failure is silent: an empty selection or a clipboard
// that another window holds leaves the clipboard as it was, and a block that
// cannot be had leaves it emptied.
#include <windows.h>

#include "document/text_document.h"
#include "view/scroll_view.h"
#include "view/selection_text.h"

namespace {

// GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE: bytes after the text stay zero.
const UINT kClipboardBlockFlags = 0x2042;

// A block of size bytes holding the span's text, or null. Sizes beyond what
// the address space can hold count as a failed allocation.
HGLOBAL buildTextBlock(const TextDocument& document, const SelectionSpan& span)
{
    uint64_t size = selectionBlockSize(document, span);
    if (size > (uint64_t)(SIZE_T)-1)
        return nullptr;
    HGLOBAL block = GlobalAlloc(kClipboardBlockFlags, (SIZE_T)size);
    if (!block)
        return nullptr;
    char* text = (char*)GlobalLock(block);
    if (!text) {
        GlobalFree(block);
        return nullptr;
    }
    writeSelectionText(document, span, text, size);
    GlobalUnlock(block);
    return block;
}

}  // namespace

void ScrollView::copySelection()
{
    if (!document)
        return;
    SelectionSpan span;
    if (!resolveSelection(*document, anchorLine, anchorColumn, caretLine, caretColumn,
                          selReversed, &span))
        return;
    if (!OpenClipboard(viewWnd))
        return;
    EmptyClipboard();
    HGLOBAL block = buildTextBlock(*document, span);
    // Once handed over, the block belongs to the clipboard; if it is refused,
    // it is still ours to free.
    if (block && !SetClipboardData(CF_TEXT, block))
        GlobalFree(block);
    CloseClipboard();
}
