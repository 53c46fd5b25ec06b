// The thumbnail of a document as a bitmap for Explorer: the picture that
// `tavelin-render --thumbnail SIZE` writes, planned and drawn by the same
// code (planImage, PlannedRows), in the colours the viewer has stored.
#pragma once

#include <stdint.h>

#include <windows.h>

class TextDocument;

// S_OK with a top-down 32-bit DIB section whose longer side is at most size;
// an error and no bitmap for a document without text or when memory is short.
HRESULT drawThumbnail(const TextDocument& document, uint32_t size, HBITMAP* bitmap);
