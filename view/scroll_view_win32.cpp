// The view's Win32 edge: the two pixel buffers (a top-down 32-bit DIB section
// that is presented and a committed-memory back buffer that frames are
// composed in), the one-blit presentation, the fit of the frame to the text
// and the context menu.
//
// The buffers always match: both exist, the screen image with the window's
// deviceWidth x deviceHeight pixels and the back buffer with the logical
// width x height that cover them at the window's scale, or neither exists and
// all four sizes are 0. A window of no area, or one whose buffers cannot be
// had, therefore draws nothing instead of writing through a null or short
// buffer. The scale is taken afresh from the window's DPI with every rebuild.
#include <windows.h>

#include "app/globals.h"
#include "app/window_fit.h"
#include "resources/resource.h"
#include "view/display_scale.h"
#include "view/scroll_view.h"
#include "view/view_platform.h"
#include "view/window_dpi.h"

static_assert(sizeof(DibInfo) == sizeof(BITMAPINFO), "DibInfo mirrors BITMAPINFO");

static const int32_t cellHeight = 16;

static void describeTopDownImage(DibInfo& info, int32_t width, int32_t height)
{
    __builtin_memset(&info, 0, sizeof info);
    info.biSize = sizeof(BITMAPINFOHEADER);
    info.biWidth = width;
    info.biHeight = -height;   // negative: row 0 first in memory
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
}

static void* allocatePixels(int32_t width, int32_t height)
{
    SIZE_T bytes = (SIZE_T)width * (SIZE_T)height * sizeof(Pixel);
    return VirtualAlloc(nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
}

// The window's size as the buffers will have it; 0 x 0 when it has no area.
static void measureWindow(HWND window, int32_t& width, int32_t& height)
{
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(window, &rect);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    // Guards the multiplication of the buffer size as well (4 bytes a pixel).
    if (width <= 0 || height <= 0 || (int64_t)width * height > 0x1FFFFFFF)
        width = height = 0;
}

void ScrollView::rebuildBackBuffer()
{
    int32_t newWidth, newHeight;
    measureWindow(viewWnd, newWidth, newHeight);
    releaseBackBuffer();
    scale = scaleForDpi(windowDpi(viewWnd));
    deviceWidth = newWidth;
    deviceHeight = newHeight;
    newWidth = logicalExtent(newWidth, scale);
    newHeight = logicalExtent(newHeight, scale);
    if (newWidth > 0) {
        describeTopDownImage(dibInfo, deviceWidth, deviceHeight);
        HDC windowDc = GetDC(viewWnd);
        void* bits = nullptr;
        dibSection = CreateDIBSection(windowDc, (BITMAPINFO*)&dibInfo, DIB_RGB_COLORS, &bits,
                                      nullptr, 0);
        screenBits = dibSection ? (Pixel*)bits : nullptr;
        backBuffer = (Pixel*)allocatePixels(newWidth, newHeight);
        ReleaseDC(viewWnd, windowDc);
    }
    width = newWidth;
    height = newHeight;
    if (!screenBits || !backBuffer) {
        // Half a pair is no use: give back what was had and show nothing.
        releaseBackBuffer();
        describeTopDownImage(dibInfo, 0, 0);
        width = height = deviceWidth = deviceHeight = 0;
    }
    visibleLines = height / cellHeight;
}

void ScrollView::releaseBackBuffer()
{
    if (dibSection)
        DeleteObject(dibSection);
    if (backBuffer)
        VirtualFree(backBuffer, 0, MEM_RELEASE);
    dibSection = nullptr;
    screenBits = nullptr;
    backBuffer = nullptr;
}

void ScrollView::present()
{
    if (!dibSection)
        return;
    HDC windowDc = GetDC(viewWnd);
    HDC imageDc = CreateCompatibleDC(windowDc);
    HGDIOBJ previous = SelectObject(imageDc, dibSection);
    BitBlt(windowDc, 0, 0, deviceWidth, deviceHeight, imageDc, 0, 0, SRCCOPY);
    SelectObject(imageDc, previous);
    DeleteDC(imageDc);
    ReleaseDC(viewWnd, windowDc);
}

void ScrollView::autosize()
{
    if (!document)
        return;
    WindowPlacement place = fitFrameToText(document, windowDpi(frameWnd));
    MoveWindow(frameWnd, place.x, place.y, place.width, place.height, TRUE);
}

// The pop-up is submenu 0 of the context menu resource. It is taken out of
// the loaded menu, which is destroyed at once, so that destroying the pop-up
// later gives back everything that was loaded.
HMENU__* loadViewContextMenu()
{
    HMENU loaded = LoadMenuA(appInstance, MAKEINTRESOURCEA(IDR_CONTEXTMENU));
    if (!loaded)
        return nullptr;
    HMENU popup = GetSubMenu(loaded, 0);
    if (popup)
        RemoveMenu(loaded, 0, MF_BYPOSITION);
    DestroyMenu(loaded);
    return popup;
}

void destroyViewContextMenu(HMENU__* menu)
{
    if (menu)
        DestroyMenu(menu);
}
