// The thumbnail provider: IInitializeWithStream reads the start of the file
// (thumbnailReadLimit bytes at most), IThumbnailProvider draws it
// (thumbnail_bitmap_win32.cpp).
#include <new>

#include <thumbcache.h>
#include <propsys.h>

#include "document/text_document.h"
#include "explorer/com_object.h"
#include "explorer/handlers.h"
#include "explorer/stream_document.h"
#include "explorer/thumbnail_bitmap.h"
#include "render/image_plan.h"

namespace {

// Not in every SDK's import library.
const IID thumbnailProviderInterface = {0xe357fccd, 0xa995, 0x4576, {0xb0, 0x1f, 0x23, 0x46, 0x30, 0x15, 0x4e, 0x96}};

class ThumbnailProvider : public ComObject<IInitializeWithStream, IThumbnailProvider> {
public:
    ThumbnailProvider() : initialized_(false), document_(nullptr) {}
    ~ThumbnailProvider() override { delete document_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IInitializeWithStream)
            *object = static_cast<IInitializeWithStream*>(this);
        else if (riid == thumbnailProviderInterface)
            *object = static_cast<IThumbnailProvider*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, DWORD) override
    {
        if (initialized_)
            return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
        HRESULT result = readStreamDocument(stream, thumbnailReadLimit, &document_);
        initialized_ = SUCCEEDED(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE GetThumbnail(UINT size, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) override
    {
        if (!bitmap)
            return E_POINTER;
        *bitmap = nullptr;
        if (alpha)
            *alpha = WTSAT_RGB;
        if (!document_)
            return E_UNEXPECTED;
        return drawThumbnail(*document_, size, bitmap);
    }

private:
    bool initialized_;
    TextDocument* document_;
};

}  // namespace

HRESULT createThumbnailProvider(REFIID riid, void** object)
{
    ThumbnailProvider* provider = new (std::nothrow) ThumbnailProvider();
    if (!provider)
        return E_OUTOFMEMORY;
    HRESULT result = provider->QueryInterface(riid, object);
    provider->Release();
    return result;
}
