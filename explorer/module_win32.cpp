// The DLL's life: the module handle and heap that the shared code allocates
// from, the class ids, and DllCanUnloadNow from the count of live objects.
#include "explorer/handlers.h"

#include "app/globals.h"

// {0E959EC8-7C88-4B22-A873-0083BCC2A112}
const CLSID thumbnailProviderId = {0x0e959ec8, 0x7c88, 0x4b22, {0xa8, 0x73, 0x00, 0x83, 0xbc, 0xc2, 0xa1, 0x12}};
// {C9417126-165F-4109-821F-BBE68F94D64B}
const CLSID previewHandlerId = {0xc9417126, 0x165f, 0x4109, {0x82, 0x1f, 0xbb, 0xe6, 0x8f, 0x94, 0xd6, 0x4b}};

static volatile LONG liveCount;

// The C++ runtime linked into the DLL keeps a block for exceptions thrown
// when memory is short, taken when the DLL is loaded and never given back by
// itself: a host that loads and unloads the DLL for every file would lose it
// each time. This gives it back.
namespace __gnu_cxx {
void __freeres() throw();
}

void moduleAddRef()
{
    InterlockedIncrement(&liveCount);
}

void moduleRelease()
{
    InterlockedDecrement(&liveCount);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        appInstance = instance;
        processHeap = GetProcessHeap();
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // Unloaded by FreeLibrary; at the end of the process nothing is given back.
        __gnu_cxx::__freeres();
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    return liveCount == 0 ? S_OK : S_FALSE;
}
