// The preview handler: the COM face of the preview pane. IInitializeWithStream
// reads the file (previewReadLimit bytes at most), IPreviewHandler shows it in
// a PreviewWindow inside the host's window and takes it down on Unload,
// IObjectWithSite keeps the host's frame for the keys the pane does not use,
// IOleWindow names the host's window.
#include <new>

#include <ocidl.h>
#include <propsys.h>
#include <shobjidl.h>

#include "document/text_document.h"
#include "explorer/com_object.h"
#include "explorer/handlers.h"
#include "explorer/preview_window.h"
#include "explorer/stream_document.h"

namespace {

class PreviewHandler
    : public ComObject<IPreviewHandler, IInitializeWithStream, IObjectWithSite, IOleWindow> {
public:
    PreviewHandler() : document_(nullptr), preview_(nullptr), parent_(nullptr), rect_(), site_(nullptr) {}
    ~PreviewHandler() override
    {
        Unload();
        if (site_)
            site_->Release();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IPreviewHandler)
            *object = static_cast<IPreviewHandler*>(this);
        else if (riid == IID_IInitializeWithStream)
            *object = static_cast<IInitializeWithStream*>(this);
        else if (riid == IID_IObjectWithSite)
            *object = static_cast<IObjectWithSite*>(this);
        else if (riid == IID_IOleWindow)
            *object = static_cast<IOleWindow*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    // IInitializeWithStream
    HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, DWORD) override
    {
        if (document_ || preview_)
            return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
        return readStreamDocument(stream, previewReadLimit, &document_);
    }

    // IPreviewHandler
    HRESULT STDMETHODCALLTYPE SetWindow(HWND parent, const RECT* rect) override
    {
        if (!parent || !rect)
            return E_INVALIDARG;
        parent_ = parent;
        rect_ = *rect;
        if (preview_)
            movePreviewWindow(preview_, parent_, rect_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetRect(const RECT* rect) override
    {
        if (!rect)
            return E_INVALIDARG;
        rect_ = *rect;
        if (preview_)
            movePreviewWindow(preview_, parent_, rect_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DoPreview() override
    {
        if (preview_)
            return S_OK;
        if (!document_ || !parent_)
            return E_UNEXPECTED;
        // The window takes the document, whether it is made or not.
        preview_ = createPreviewWindow(parent_, rect_, document_);
        document_ = nullptr;
        return preview_ ? S_OK : HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_OUTOFMEMORY);
    }
    HRESULT STDMETHODCALLTYPE Unload() override
    {
        destroyPreviewWindow(preview_);
        preview_ = nullptr;
        delete document_;
        document_ = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetFocus() override
    {
        if (!preview_)
            return S_FALSE;
        ::SetFocus(previewWindowHandle(preview_));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryFocus(HWND* window) override
    {
        if (!window)
            return E_INVALIDARG;
        *window = GetFocus();
        DWORD error = GetLastError();
        return *window ? S_OK : HRESULT_FROM_WIN32(error ? error : ERROR_INVALID_WINDOW_HANDLE);
    }
    // Keys the pane does not use go to the host's frame.
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* message) override
    {
        IPreviewHandlerFrame* frame = nullptr;
        if (!site_ || FAILED(site_->QueryInterface(IID_IPreviewHandlerFrame, (void**)&frame)))
            return S_FALSE;
        HRESULT result = frame->TranslateAccelerator(message);
        frame->Release();
        return result;
    }

    // IObjectWithSite
    HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) override
    {
        if (site)
            site->AddRef();
        if (site_)
            site_->Release();
        site_ = site;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSite(REFIID riid, void** site) override
    {
        if (!site)
            return E_POINTER;
        *site = nullptr;
        return site_ ? site_->QueryInterface(riid, site) : E_FAIL;
    }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override
    {
        if (!window)
            return E_INVALIDARG;
        *window = parent_;
        return parent_ ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

private:
    TextDocument* document_;
    PreviewWindow* preview_;
    HWND parent_;
    RECT rect_;
    IUnknown* site_;
};

}  // namespace

HRESULT createPreviewHandler(REFIID riid, void** object)
{
    PreviewHandler* handler = new (std::nothrow) PreviewHandler();
    if (!handler)
        return E_OUTOFMEMORY;
    HRESULT result = handler->QueryInterface(riid, object);
    handler->Release();
    return result;
}
