// A document from the stream that Explorer hands a handler: at most `limit`
// bytes from the stream's start, read in place by the one reading of text
// that every program shares (a longer stream gives the document of its start,
// with the SAUCE record of its end). The name the stream states, when it
// does, is the file's: a .ans stream is read as ANSI art.
#pragma once

#include <stdint.h>

#include <windows.h>
#include <ole2.h>

class TextDocument;

// Bytes of a file that a preview shows at most (a thumbnail reads
// thumbnailReadLimit, render/image_plan.h).
extern const uint32_t previewReadLimit;

// S_OK with *document (possibly without lines), or the stream's own error,
// E_OUTOFMEMORY, and no document.
HRESULT readStreamDocument(IStream* stream, uint32_t limit, TextDocument** document);
