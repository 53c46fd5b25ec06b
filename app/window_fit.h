// Fit-to-text window size: the frame is made wide enough for the widest line
// and tall enough for every line, then capped to the screen and centred.
// The arithmetic takes the system metrics as plain numbers; the overloads
// without metrics read them from the system each time (window_fit_win32.cpp).
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

// Frame size before the screen caps for a text of lineCount lines whose widest
// line is widestLine columns. Saturates instead of overflowing for huge texts.
WindowSize fitWindowSize(int32_t widestLine, int32_t lineCount, const FrameMetrics& metrics);
// Caps a frame size to the maximized window and centres it.
WindowPlacement placeOnScreen(int32_t width, int32_t height, const FrameMetrics& metrics);

FrameMetrics readFrameMetrics();
WindowSize fitWindowSize(const TextDocument* document);
WindowPlacement placeOnScreen(int32_t width, int32_t height);
