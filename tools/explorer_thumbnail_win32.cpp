// Writes the thumbnail that the Explorer DLL makes of a file to a BMP, through
// the DLL's own class factory and a file stream, as Explorer asks for it; for
// the README's picture and for looking at a thumbnail by hand:
//   explorer_thumbnail DLL INPUT SIZE OUTPUT.bmp
#include <windows.h>
#include <ole2.h>
#include <shlwapi.h>
#include <propsys.h>
#include <thumbcache.h>

#include <stdio.h>
#include <stdlib.h>

#include <vector>

static const CLSID thumbnailClass = {0x0e959ec8, 0x7c88, 0x4b22, {0xa8, 0x73, 0x00, 0x83, 0xbc, 0xc2, 0xa1, 0x12}};
static const IID thumbnailInterface = {0xe357fccd, 0xa995, 0x4576, {0xb0, 0x1f, 0x23, 0x46, 0x30, 0x15, 0x4e, 0x96}};

static bool writeBmp(HBITMAP bitmap, const char* path)
{
    BITMAP shape = {};
    GetObjectW(bitmap, sizeof shape, &shape);
    BITMAPINFOHEADER header = {sizeof header, shape.bmWidth, -shape.bmHeight, 1, 32, BI_RGB};
    std::vector<DWORD> pixels((size_t)shape.bmWidth * shape.bmHeight);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, shape.bmHeight, pixels.data(), (BITMAPINFO*)&header, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    BITMAPFILEHEADER file = {0x4D42};
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + (DWORD)(pixels.size() * 4);
    FILE* out = fopen(path, "wb");
    if (!out)
        return false;
    fwrite(&file, sizeof file, 1, out);
    fwrite(&header, sizeof header, 1, out);
    fwrite(pixels.data(), 4, pixels.size(), out);
    return fclose(out) == 0;
}

int main(int argc, char** argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: %s DLL INPUT SIZE OUTPUT.bmp\n", argv[0]);
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    typedef HRESULT(WINAPI * GetClassObject)(REFCLSID, REFIID, void**);
    HMODULE dll = LoadLibraryA(argv[1]);
    GetClassObject get = dll ? (GetClassObject)(void*)GetProcAddress(dll, "DllGetClassObject") : nullptr;
    IClassFactory* factory = nullptr;
    IInitializeWithStream* init = nullptr;
    IThumbnailProvider* provider = nullptr;
    IStream* stream = nullptr;
    HBITMAP bitmap = nullptr;
    WTS_ALPHATYPE alpha;
    HRESULT result = get ? get(thumbnailClass, IID_IClassFactory, (void**)&factory) : E_FAIL;
    if (SUCCEEDED(result))
        result = factory->CreateInstance(nullptr, IID_IInitializeWithStream, (void**)&init);
    if (SUCCEEDED(result))
        result = init->QueryInterface(thumbnailInterface, (void**)&provider);
    if (SUCCEEDED(result))
        result = SHCreateStreamOnFileA(argv[2], STGM_READ | STGM_SHARE_DENY_NONE, &stream);
    if (SUCCEEDED(result))
        result = init->Initialize(stream, STGM_READ);
    if (SUCCEEDED(result))
        result = provider->GetThumbnail((UINT)atoi(argv[3]), &bitmap, &alpha);
    if (FAILED(result) || !writeBmp(bitmap, argv[4])) {
        fprintf(stderr, "%s: no thumbnail of %s (0x%08lX)\n", argv[0], argv[2], (unsigned long)result);
        return 1;
    }
    return 0;
}
