// IClassFactory for the two handlers and DllGetClassObject, which hands one
// out for a class id the DLL serves.
#include <new>

#include "explorer/com_object.h"
#include "explorer/handlers.h"

namespace {

typedef HRESULT (*CreateObject)(REFIID riid, void** object);

class ClassFactory : public ComObject<IClassFactory> {
public:
    explicit ClassFactory(CreateObject create) : create_(create) {}

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
