// Fit-to-text window size: the frame is made wide enough for the widest line
// and tall enough for every line, then capped to the screen and centred.
// The arithmetic takes the system metrics as plain numbers; the overloads
// without metrics read them from the system each time (window_fit_win32.cpp).
// The text's sizes are logical pixels (view/display_scale.h): on a scaled
// screen they grow by the scale, while the frame's borders, caption and menu
// are the system's at that DPI.
#pragma once

#include <stdint.h>

class TextDocument;

struct FrameMetrics {
    int32_t frameWidth;       // SM_CXFRAME
    int32_t frameHeight;      // SM_CYFRAME
    int32_t captionHeight;    // SM_CYCAPTION
    int32_t menuHeight;       // SM_CYMENUSIZE
    int32_t maximizedWidth;   // SM_CXMAXIMIZED
    int32_t maximizedHeight;  // SM_CYMAXIMIZED
};

struct WindowSize {
    int32_t width;
    int32_t height;
};

struct WindowPlacement {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// The frame's size without a document: 400 x 400 logical pixels.
const int32_t startWidth = 400;
const int32_t startHeight = 400;

// Frame size before the screen caps for a text of lineCount lines whose widest
// line is widestLine columns of cellWidth pixels, drawn at `scale` screen
// pixels a logical pixel. Saturates instead of overflowing for huge texts.
WindowSize fitWindowSize(int32_t widestLine, int32_t lineCount, const FrameMetrics& metrics,
                         int32_t scale = 1, int32_t cellWidth = 8);
// Caps a frame size to the maximized window and centres it.
WindowPlacement placeOnScreen(int32_t width, int32_t height, const FrameMetrics& metrics);

// The metrics at the system's DPI, and at any DPI.
FrameMetrics readFrameMetrics();
FrameMetrics readFrameMetrics(int32_t dpi);
WindowSize fitWindowSize(const TextDocument* document);
WindowPlacement placeOnScreen(int32_t width, int32_t height);
// The whole rule at a DPI: the document's frame (400 x 400 logical pixels
// without one) in the metrics of that DPI, capped and centred.
WindowPlacement fitFrameToText(const TextDocument* document, int32_t dpi);
