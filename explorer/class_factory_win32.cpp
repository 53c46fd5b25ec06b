// IClassFactory for the two handlers and DllGetClassObject, which hands one
// out for a class id the DLL serves.
#include <new>

#include "explorer/handlers.h"

namespace {

typedef HRESULT (*CreateObject)(REFIID riid, void** object);

class ClassFactory : public IClassFactory {
public:
    explicit ClassFactory(CreateObject create) : refs_(1), create_(create) { moduleAddRef(); }
    virtual ~ClassFactory() { moduleRelease(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return create_(riid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            moduleAddRef();
        else
            moduleRelease();
        return S_OK;
    }

private:
    volatile LONG refs_;
    CreateObject create_;
};

}  // namespace

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CreateObject create = nullptr;
    if (clsid == thumbnailProviderId)
        create = createThumbnailProvider;
    else if (clsid == previewHandlerId)
        create = createPreviewHandler;
    else
        return CLASS_E_CLASSNOTAVAILABLE;
    ClassFactory* factory = new (std::nothrow) ClassFactory(create);
    if (!factory)
        return E_OUTOFMEMORY;
    HRESULT result = factory->QueryInterface(riid, object);
    factory->Release();
    return result;
}
