// What every COM object of the DLL shares: a reference count that frees the
// object with the last Release, and a place in the module's count of live
// objects (DllCanUnloadNow). ComObject<I...> implements AddRef and Release
// for all the interfaces it derives from; each class answers QueryInterface
// itself.
#pragma once

#include <windows.h>

#include "explorer/handlers.h"

template <typename... Interfaces>
class ComObject : public Interfaces... {
public:
    ComObject() : refs_(1) { moduleAddRef(); }
    virtual ~ComObject() { moduleRelease(); }

    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return left;
    }

private:
    volatile LONG refs_;
};
