// ScrollView: the object behind the child window that shows a document.
//
// It owns the document, the two colours with the pixels derived from them, a
// 32-bit screen image (a DIB section) with an off-screen back buffer, the
// scroll position, the input modes and the two ends of the selection.
//
// Sizes, positions and steps are logical pixels (display_scale.h): width and
// height, the back buffer and everything composed in it are logical; the
// screen image is deviceWidth x deviceHeight screen pixels, each logical pixel
// a scale x scale block of it. At 96 DPI the scale is 1 and the two sizes are
// the same.
// The operations are spread over the view's files by concern:
//   view_colors.cpp         applyColors, setColors
//   view_frame.cpp          composeFrame, drawLine, drawGlyph, applyFade, copyToScreen,
//                           through the composer that the renderer shares (frame_composer.h)
//   scroll_model.cpp        scrollByPixels, lineAtY, columnAtX
//   scroll_view.cpp         construction, destruction, openDocument
//   scroll_view_win32.cpp   buffers, present, autosize (the Win32 edge)
//   clipboard_copy_win32.cpp copySelection
//   view_window_win32.cpp   the window class, its procedure and the ScrollTicker
// Everything but the _win32 files is plain C++ that also builds natively.
#pragma once

#include <stdint.h>

#include "app/globals.h"
#include "view/frame_composer.h"

class TextDocument;
struct HWND__;
struct HBITMAP__;
struct HMENU__;

typedef uint32_t ColorRef;   // 0x00BBGGRR, as the colour dialog and the registry hold it

// BITMAPINFO: the 40-byte header and one colour entry, laid out as Win32 has it.
struct DibInfo {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
    uint32_t colors[1];
};

// A boolean flag that the window thread writes and a ScrollTicker thread reads.
typedef volatile uint8_t SharedFlag;

class ScrollView {
public:
    TAVELIN_HEAP_OBJECT

    ScrollView(ColorRef foreColor, ColorRef backColor, uint8_t fadeEnabled,
               uint8_t copyOnSelect, TextDocument* document);
    virtual ~ScrollView();

    // Colours (view_colors.cpp).
    void applyColors(ColorRef foreColor, ColorRef backColor);
    void setColors(ColorRef foreColor, ColorRef backColor);

    // Document and frame (scroll_view.cpp, scroll_view_win32.cpp).
    void openDocument(const char* path);
    void autosize();

    // Buffers and presentation (scroll_view_win32.cpp).
    void rebuildBackBuffer();
    void releaseBackBuffer();
    void copyToScreen();
    void present();

    // Rendering (frame_composer.cpp).
    void composeFrame();
    void drawLine(int32_t row, int32_t lineIndex);
    void drawGlyph(uint8_t code, int32_t x, int32_t y, bool selected);
    void applyFade();

    // Scrolling and hit testing (scroll_model.cpp).
    void scrollByPixels(int32_t delta);
    int32_t lineAtY(int32_t y) const;
    int32_t columnAtX(int32_t x, int32_t line) const;

    // Clipboard (clipboard_copy_win32.cpp).
    void copySelection();

    // Automatic scrolling (view_window_win32.cpp).
    void startScrollTicker(int32_t step);

    uint32_t tickerThreadId;
    int32_t width;
    int32_t height;
    HBITMAP__* dibSection;
    DibInfo dibInfo;
    HWND__* frameWnd;
    Pixel* screenBits;
    Pixel* backBuffer;
    Pixel inkPixel;
    Pixel paperPixel;
    Pixel selInkPixel;
    Pixel selPaperPixel;
    TextDocument* document;
    int32_t topLine;
    int32_t visibleLines;
    int32_t pixelOffset;
    uint8_t atBottom;
    uint8_t atTop;
    SharedFlag autoScrolling;
    int32_t scrollStep;
    void* tickerThread;
    SharedFlag leftDragging;
    uint8_t middleScrolling;
    int32_t lastMouseX;
    int32_t lastMouseY;
    uint8_t edgeScrollDown;
    uint8_t hasSelection;
    uint8_t selecting;
    uint8_t selReversed;
    int32_t anchorLine;
    int32_t anchorColumn;
    int32_t caretLine;
    int32_t caretColumn;
    HMENU__* contextMenu;
    uint8_t fadeEnabled;
    uint8_t copyOnSelect;
    ColorRef foreColor;
    ColorRef backColor;
    HWND__* viewWnd;
    int32_t scale;          // screen pixels a logical pixel takes each way; 0 counts as 1
    int32_t deviceWidth;    // the screen image's size in screen pixels
    int32_t deviceHeight;

    // Keeps the object's memory alive for ScrollTickers that outlive the
    // window: the number of tickers still running (and of openDocument calls
    // waiting for a message box), less one once the window has been
    // destroyed. Whoever takes it below zero frees the block
    // (view_window_win32.cpp).
    volatile long tickerHolds;
};
