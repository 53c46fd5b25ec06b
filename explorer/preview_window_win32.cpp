// The preview pane's window (preview_window.h). Every frame is composed by the
// viewer's composer at the window's logical size (its pixels divided by the
// DPI scale), faded as the viewer fades it, and stretched by the whole-number
// scale onto the window. Scrolling moves a ScrollPosition by the viewer's rule.
#include "explorer/preview_window.h"

#include "app/globals.h"
#include "app/settings.h"
#include "document/text_document.h"
#include "view/display_scale.h"
#include "view/window_dpi.h"
#include "view/frame_composer.h"
#include "view/scroll_position.h"
#include "view/pixel_color.h"
#include "view/wheel_notches.h"

struct PreviewWindow {
    HWND window;
    TextDocument* document;
    ScrollPosition position;
    int32_t scale;
    int32_t width;          // logical pixels
    int32_t height;
    Pixel ink;
    Pixel paper;
    uint8_t fade;
    Pixel* pixels;          // width x height, top row first
    uint8_t dragging;
    int32_t dragY;          // window pixels of the last drag point
    WheelRemainder wheel;
};

namespace {

const wchar_t className[] = L"TavelinPreview";
const int32_t lineStep = frameCellHeight;
// Windows of the class alive; the class goes with the last, so that the DLL
// can be unloaded without leaving a class behind that points into it.
volatile LONG windowCount;

PreviewWindow* previewOf(HWND window)
{
    return (PreviewWindow*)GetWindowLongPtrW(window, GWLP_USERDATA);
}

FrameDescription frameOf(const PreviewWindow& preview)
{
    FrameDescription frame = {};
    frame.document = preview.document;
    frame.width = preview.width;
    frame.height = preview.height;
    frame.topLine = preview.position.topLine;
    frame.pixelOffset = preview.position.pixelOffset;
    frame.ink = preview.ink;
    frame.paper = preview.paper;
    return frame;
}

void present(PreviewWindow& preview, HDC dc)
{
    if (!preview.pixels)
        return;
    FrameDescription frame = frameOf(preview);
    composeFrameRows(frame, preview.pixels, 0, preview.height);
    if (preview.fade)
        fadeFrameRows(frame, preview.pixels, 0, preview.height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = preview.width;
    info.bmiHeader.biHeight = -preview.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    StretchDIBits(dc, 0, 0, preview.width * preview.scale, preview.height * preview.scale, 0, 0, preview.width,
                  preview.height, preview.pixels, &info, DIB_RGB_COLORS, SRCCOPY);
}

void redraw(PreviewWindow& preview)
{
    HDC dc = GetDC(preview.window);
    if (dc) {
        present(preview, dc);
        ReleaseDC(preview.window, dc);
    }
}

void releasePixels(PreviewWindow& preview)
{
    if (preview.pixels)
        VirtualFree(preview.pixels, 0, MEM_RELEASE);
    preview.pixels = nullptr;
    preview.width = preview.height = 0;
}

// The frame's logical size covers the window, its last row and column cut
// when the window's size is not a multiple of the scale.
void fitToWindow(PreviewWindow& preview)
{
    releasePixels(preview);
    preview.scale = scaleForDpi(windowDpi(preview.window));
    RECT client = {};
    GetClientRect(preview.window, &client);
    int32_t width = (client.right + preview.scale - 1) / preview.scale;
    int32_t height = (client.bottom + preview.scale - 1) / preview.scale;
    if (width <= 0 || height <= 0 || (int64_t)width * height > 0x1FFFFFFF)
        return;
    preview.pixels = (Pixel*)VirtualAlloc(nullptr, (SIZE_T)width * height * sizeof(Pixel), MEM_COMMIT,
                                          PAGE_READWRITE);
    if (!preview.pixels)
        return;
    preview.width = width;
    preview.height = height;
}

void scrollBy(PreviewWindow& preview, int32_t delta)
{
    if (moveScrollPosition(preview.position, delta, preview.document->getLineCount(), preview.height,
                           preview.height / frameCellHeight))
        redraw(preview);
}

bool onKey(PreviewWindow& preview, WPARAM key, LPARAM flags)
{
    int32_t repeat = LOWORD(flags);
    int32_t page = lineStep * (preview.height / frameCellHeight) - lineStep;
    switch (key) {
    case VK_UP: scrollBy(preview, -lineStep * repeat); return true;
    case VK_DOWN: scrollBy(preview, lineStep * repeat); return true;
    case VK_PRIOR: scrollBy(preview, -page); return true;
    case VK_NEXT: scrollBy(preview, page); return true;
    default: return false;
    }
}

// The wheel as in the viewer: its deltas add up, and each whole notch is a
// line, from the same code (view/wheel_notches.h).
void onWheel(PreviewWindow& preview, WPARAM wParam)
{
    WheelKeys keys = addWheelDelta(preview.wheel, (short)HIWORD(wParam));
    onKey(preview, keys.key, keys.repeats);
}

void onDrag(PreviewWindow& preview, LPARAM lParam)
{
    int32_t y = (int16_t)HIWORD(lParam);
    int32_t moved = (preview.dragY - y) / preview.scale;
    if (moved == 0)
        return;
    preview.dragY -= moved * preview.scale;
    scrollBy(preview, moved);
}

LRESULT CALLBACK previewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        PreviewWindow* preview = (PreviewWindow*)((CREATESTRUCTW*)lParam)->lpCreateParams;
        preview->window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, (LONG_PTR)preview);
    }
    PreviewWindow* preview = previewOf(window);
    if (!preview)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_SIZE:
    case WM_DPICHANGED_AFTERPARENT:
        fitToWindow(*preview);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        present(*preview, dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        if (onKey(*preview, wParam, lParam))
            return 0;
        break;
    case WM_MOUSEWHEEL:
        onWheel(*preview, wParam);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(window);
        SetCapture(window);
        preview->dragging = 1;
        preview->dragY = (int16_t)HIWORD(lParam);
        return 0;
    case WM_MOUSEMOVE:
        if (preview->dragging && (wParam & MK_LBUTTON))
            onDrag(*preview, lParam);
        return 0;
    case WM_LBUTTONUP:
        ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        preview->dragging = 0;
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        preview->window = nullptr;
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool holdClass()
{
    if (InterlockedIncrement(&windowCount) > 1)
        return true;
    WNDCLASSW windowClass = {};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = previewProc;
    windowClass.hInstance = appInstance;
    windowClass.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
    windowClass.lpszClassName = className;
    if (RegisterClassW(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
        return true;
    InterlockedDecrement(&windowCount);
    return false;
}

void releaseClass()
{
    if (InterlockedDecrement(&windowCount) == 0)
        UnregisterClassW(className, appInstance);
}

// The window is made under the per-monitor (version 2) DPI awareness where
// Windows has it (10 1703 and later; looked up by name), not under whatever
// the preview host's thread was set to, so that its scale follows the pane's
// monitor and WM_DPICHANGED_AFTERPARENT reaches it; the thread's own comes
// back afterwards.
HWND createPaneWindow(HWND parent, const RECT& rect, PreviewWindow* preview)
{
    typedef DPI_AWARENESS_CONTEXT(WINAPI * SetContext)(DPI_AWARENESS_CONTEXT);
    SetContext setContext =
        (SetContext)(void*)GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext");
    DPI_AWARENESS_CONTEXT before = setContext ? setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) : nullptr;
    HWND window = CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, appInstance,
                                  preview);
    if (before)
        setContext(before);
    return window;
}

}  // namespace

PreviewWindow* createPreviewWindow(HWND parent, const RECT& rect, TextDocument* document)
{
    PreviewWindow* preview = (PreviewWindow*)allocObject(sizeof(PreviewWindow));
    if (!preview || !holdClass()) {
        freeObject(preview);
        delete document;
        return nullptr;
    }
    Settings settings = storedSettings();
    preview->document = document;
    preview->ink = pixelFromColor(settings.foreColor);
    preview->paper = pixelFromColor(settings.backColor);
    preview->fade = settings.fadeEnabled != 0;
    preview->scale = 1;
    createPaneWindow(parent, rect, preview);
    if (!preview->window) {
        destroyPreviewWindow(preview);
        return nullptr;
    }
    return preview;
}

void movePreviewWindow(PreviewWindow* preview, HWND parent, const RECT& rect)
{
    if (GetParent(preview->window) != parent)
        SetParent(preview->window, parent);
    MoveWindow(preview->window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

HWND previewWindowHandle(const PreviewWindow* preview)
{
    return preview->window;
}

void destroyPreviewWindow(PreviewWindow* preview)
{
    if (!preview)
        return;
    if (preview->window)
        DestroyWindow(preview->window);
    releasePixels(*preview);
    delete preview->document;
    freeObject(preview);
    releaseClass();
}
