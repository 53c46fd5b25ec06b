// The thumbnail bitmap (thumbnail_bitmap.h): the plan's rows copied into a
// DIB section as they are composed and scaled, one band at a time.
#include "explorer/thumbnail_bitmap.h"

#include <new>

#include "app/settings.h"
#include "document/text_document.h"
#include "render/image_plan.h"
#include "render/pixel_rows.h"
#include "view/pixel_color.h"

namespace {

RenderRequest thumbnailRequest(uint32_t size)
{
    Settings settings = storedSettings();
    RenderRequest request = {};
    request.mode = RenderMode::thumbnail;
    request.thumbnailSize = size > 0x7FFFFFFF ? 0x7FFFFFFF : (int32_t)size;
    request.scale = 1;
    request.ink = pixelFromColor(settings.foreColor);
    request.paper = pixelFromColor(settings.backColor);
    return request;
}

HBITMAP topDownBitmap(int32_t width, int32_t height, Pixel** bits)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    *bits = (Pixel*)pixels;
    return bitmap;
}

}  // namespace

HRESULT drawThumbnail(const TextDocument& document, uint32_t size, HBITMAP* bitmap)
{
    *bitmap = nullptr;
    // A file without text gets no thumbnail: Explorer shows the type's icon.
    if (document.getLineCount() == 0)
        return HRESULT_FROM_WIN32(ERROR_EMPTY);
    ImagePlan plan = planImage(document, thumbnailRequest(size));
    if (plan.error)
        return E_FAIL;
    Pixel* bits = nullptr;
    HBITMAP made = topDownBitmap(plan.outWidth, plan.outHeight, &bits);
    if (!made || !bits)
        return E_OUTOFMEMORY;
    try {
        PlannedRows rows(plan);
        const size_t rowBytes = (size_t)plan.outWidth * sizeof(Pixel);
        for (int32_t y = 0; y < plan.outHeight; ++y)
            CopyMemory(bits + (size_t)y * plan.outWidth, rows.next(), rowBytes);
    } catch (const std::bad_alloc&) {
        DeleteObject(made);
        return E_OUTOFMEMORY;
    }
    *bitmap = made;
    return S_OK;
}
