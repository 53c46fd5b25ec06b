// copySelection: puts the selected text on the clipboard as CF_TEXT, the
// document's bytes, and as CF_UNICODETEXT, the characters the view draws.
// Windows would derive the Unicode form from CF_TEXT through the system's
// code page, not code page 437, and paste box art as accented letters.
//
// The text itself comes from selection_text.cpp; this file holds only the
// clipboard calls. Every failure is silent: an empty selection or a clipboard
// that another window holds leaves the clipboard as it was, and a block that
// cannot be had or handed over leaves it emptied, never holding one form
// without the other.
#include <windows.h>

#include "document/text_document.h"
#include "view/scroll_view.h"
#include "view/selection_text.h"

namespace {

// GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE: bytes after the text stay zero.
const UINT kClipboardBlockFlags = 0x2042;

// A locked, zero-filled block of size bytes, or null. Sizes beyond what the
// address space can hold count as a failed allocation.
void* lockedBlock(uint64_t size, HGLOBAL* block)
{
    *block = size > (uint64_t)(SIZE_T)-1 ? nullptr : GlobalAlloc(kClipboardBlockFlags, (SIZE_T)size);
    if (!*block)
        return nullptr;
    void* memory = GlobalLock(*block);
    if (!memory)
        GlobalFree(*block);
    return memory;
}

// The span's text as a CF_TEXT block and a CF_UNICODETEXT block. Returns
// false, with neither block kept, when either cannot be had.
bool buildTextBlocks(const TextDocument& document, const SelectionSpan& span, HGLOBAL* text, HGLOBAL* unicode)
{
    uint64_t size = selectionBlockSize(document, span);
    char* bytes = (char*)lockedBlock(size, text);
    if (!bytes)
        return false;
    uint64_t length = writeSelectionText(document, span, bytes, size);
    uint64_t units = unicodeTextUnits(bytes, length);
    uint16_t* characters = units > (uint64_t)(SIZE_T)-1 / 2 ? nullptr : (uint16_t*)lockedBlock(units * 2, unicode);
    if (characters) {
        writeUnicodeText(bytes, length, characters);
        GlobalUnlock(*unicode);
    }
    GlobalUnlock(*text);
    if (!characters)
        GlobalFree(*text);
    return characters != nullptr;
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
    HGLOBAL text, unicode;
    if (buildTextBlocks(*document, span, &text, &unicode)) {
        // Once handed over, a block belongs to the clipboard; one that is
        // refused is still ours to free, and then neither form stays.
        if (!SetClipboardData(CF_TEXT, text)) {
            GlobalFree(text);
            GlobalFree(unicode);
        } else if (!SetClipboardData(CF_UNICODETEXT, unicode)) {
            GlobalFree(unicode);
            EmptyClipboard();
        }
    }
    CloseClipboard();
}
