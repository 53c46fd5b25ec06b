// The text between the two ends of a selection, as the clipboard copy puts it
// on the clipboard: the selected bytes unchanged, lines joined by a single line
// feed, zero-terminated.
//
// Kept apart from the clipboard calls so the rules (ordering of the ends,
// column clamping, line 0 acting as the start of line 1, the size of the
// clipboard block) can be checked without a window.
#pragma once

#include <stddef.h>
#include <stdint.h>

class TextDocument;

// The two ends after ordering, clamping and skipping line 0; start never lies
// after end.
struct SelectionSpan {
    int32_t startLine;
    int32_t startColumn;
    int32_t endLine;
    int32_t endColumn;
};

// Orders the ends (caret first when reversed is set), clamps each column to
// its line's length and moves an end on line 0 to line 1. Returns false when
// the selection is empty; span is filled in either case.
bool resolveSelection(const TextDocument& document, int32_t anchorLine, int32_t anchorColumn,
                      int32_t caretLine, int32_t caretColumn, uint8_t reversed,
                      SelectionSpan* span);

// Bytes of the clipboard block for a resolved span: the text and its zero byte
// on one line; on several lines the start line's rest plus every later line
// up to the end line counted whole, each with one byte for its line feed.
uint64_t selectionBlockSize(const TextDocument& document, const SelectionSpan& span);

// Writes the selected text and its zero byte into buffer, never more than
// capacity bytes, and returns the length of the text without the zero byte.
// A buffer of selectionBlockSize bytes always holds it whole.
uint64_t writeSelectionText(const TextDocument& document, const SelectionSpan& span,
                            char* buffer, uint64_t capacity);
