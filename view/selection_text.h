// The text between the two ends of a selection, as the clipboard copy puts it
// on the clipboard: the selected bytes unchanged, lines joined by a single line
// feed, zero-terminated; and beside it the same text as Unicode, which is what
// programs paste today.
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

// The Unicode form of selected text (length bytes, as writeSelectionText gave
// them): each byte as the character of the glyph the view draws for it, the
// pictures of the control bytes and the house at 0x7F included, a tab staying
// a tab, lines joined by carriage return and line feed. Returns the UTF-16
// units it takes, its terminating zero included.
uint64_t unicodeTextUnits(const char* text, uint64_t length);

// Writes that form and its zero into out, which holds unicodeTextUnits units.
void writeUnicodeText(const char* text, uint64_t length, uint16_t* out);
