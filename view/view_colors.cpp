// The view's colours: the text and background colours as the user picked them
// (COLORREF, 0x00BBGGRR) and the four pixels the renderer draws with.
//
// The selection is drawn black on white over a dark background and white on
// black over a light one, whatever the text colour is.
#include "view/pixel_color.h"
#include "view/scroll_view.h"

// Sum of the red, green and blue bytes: 0 to 765.
static uint32_t brightness(ColorRef color)
{
    return (color & 0xFFu) + ((color >> 8) & 0xFFu) + ((color >> 16) & 0xFFu);
}

static const Pixel blackPixel = 0x00000000u;
static const Pixel whitePixel = 0xFFFFFFFFu;   // all four bytes set
static const uint32_t lightBackgroundAbove = 384;

void ScrollView::applyColors(ColorRef foreColor, ColorRef backColor)
{
    this->foreColor = foreColor;
    this->backColor = backColor;
    inkPixel = pixelFromColor(foreColor);
    paperPixel = pixelFromColor(backColor);
    bool lightBackground = brightness(backColor) > lightBackgroundAbove;
    selInkPixel = lightBackground ? whitePixel : blackPixel;
    selPaperPixel = lightBackground ? blackPixel : whitePixel;
}

void ScrollView::setColors(ColorRef foreColor, ColorRef backColor)
{
    if (foreColor == this->foreColor && backColor == this->backColor)
        return;
    applyColors(foreColor, backColor);
    composeFrame();
}
