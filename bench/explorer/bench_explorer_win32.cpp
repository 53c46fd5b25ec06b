// What a thumbnail costs Explorer: the 64-bit DLL loaded as Explorer loads it,
// run under Wine by `make bench`.
//   - the thumbnail of the 100 MB benchmark file through a file stream: the
//     time of one (and of the first, in a fresh process) and the peak working
//     set it adds, against the budget of 100 ms and 16 MB;
//   - the thumbnail of a typical 10 KB NFO from a memory stream, against the
//     renderer's own work for the same picture in this process: the bytes
//     read into a document, the plan, the pass that counts the PNG's colours
//     and the pass of rows that it compresses (tavelin-render --thumbnail
//     without its file and its deflate).
#include <windows.h>
#include <ole2.h>
#include <psapi.h>
#include <shlwapi.h>
#include <propsys.h>
#include <thumbcache.h>

#include <stdio.h>

#include <string>

#include "app/globals.h"
#include "bench/bench_file.h"
#include "bench/win32/bench_timing.h"
#include "document/document_storage.h"
#include "document/text_document.h"
#include "render/document_loader.h"
#include "render/image_plan.h"
#include "render/pixel_rows.h"

namespace {

const CLSID thumbnailClass = {0x0e959ec8, 0x7c88, 0x4b22, {0xa8, 0x73, 0x00, 0x83, 0xbc, 0xc2, 0xa1, 0x12}};
const IID thumbnailInterface = {0xe357fccd, 0xa995, 0x4576, {0xb0, 0x1f, 0x23, 0x46, 0x30, 0x15, 0x4e, 0x96}};
const UINT size = 256;

IClassFactory* factory;

// One thumbnail as Explorer asks for it, the stream's reference taken.
bool thumbnail(IStream* stream)
{
    IInitializeWithStream* init = nullptr;
    IThumbnailProvider* provider = nullptr;
    HBITMAP bitmap = nullptr;
    WTS_ALPHATYPE alpha;
    bool drawn = SUCCEEDED(factory->CreateInstance(nullptr, IID_IInitializeWithStream, (void**)&init)) &&
                 SUCCEEDED(init->QueryInterface(thumbnailInterface, (void**)&provider)) &&
                 SUCCEEDED(init->Initialize(stream, STGM_READ)) &&
                 SUCCEEDED(provider->GetThumbnail(size, &bitmap, &alpha));
    if (bitmap)
        DeleteObject(bitmap);
    if (provider)
        provider->Release();
    if (init)
        init->Release();
    stream->Release();
    return drawn;
}

IStream* fileStream(const std::string& path)
{
    IStream* stream = nullptr;
    SHCreateStreamOnFileEx(std::wstring(path.begin(), path.end()).c_str(), STGM_READ | STGM_SHARE_DENY_NONE, 0,
                           FALSE, nullptr, &stream);
    return stream;
}

// The renderer's work for the same thumbnail (see the top of the file).
void rendererThumbnail(const std::string& bytes)
{
    uint8_t* buffer = (uint8_t*)allocatePages(bytes.size() + textPadding);
    CopyMemory(buffer + 1, bytes.data(), bytes.size());
    LoadedDocument loaded = documentFromBytes(buffer, (uint32_t)bytes.size(), EncodingChoice::automatic, false);
    RenderRequest request = {};
    request.mode = RenderMode::thumbnail;
    request.thumbnailSize = size;
    request.scale = 1;
    request.ink = 0xFFFFFF;
    request.paper = 0x404040;
    ImagePlan plan = planImage(*loaded.document, request);
    PlannedRows census(plan);
    std::vector<Pixel> colors;
    collectColors(census, plan.outWidth, plan.outHeight, 256, &colors);
    PlannedRows rows(plan);
    for (int32_t y = 0; y < plan.outHeight; ++y)
        rows.next();
    delete loaded.document;
}

double threadSeconds()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return (double)(k.QuadPart + u.QuadPart) / 1e7;
}

// The processor time of one run, over `runs` runs: on a busy machine the
// wall-clock time also counts the other programs' turns.
template <typename Operation>
double cpuSecondsPerRun(Operation operation, int runs)
{
    double start = threadSeconds();
    for (int i = 0; i < runs; ++i)
        operation();
    return (threadSeconds() - start) / runs;
}

double megabytes(SIZE_T bytes)
{
    return (double)bytes / 1048576.0;
}

void benchLargeFile()
{
    const std::string path = wbench::tempPath("tavelin-bench-100mb.nfo");
    if (!benchfile::ready(path.c_str())) {
        printf("cannot write %s\n", path.c_str());
        return;
    }
    PROCESS_MEMORY_COUNTERS before = {sizeof before}, after = {sizeof after};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    double start = wbench::secondsNow();
    bool drawn = thumbnail(fileStream(path));
    double first = wbench::secondsNow() - start;
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    double each = wbench::secondsPerRun([&] { thumbnail(fileStream(path)); }, 3, 1.5, 5);
    double cpu = cpuSecondsPerRun([&] { thumbnail(fileStream(path)); }, 40);
    double added = megabytes(after.PeakWorkingSetSize - before.WorkingSetSize);
    printf("thumbnail of the 100 MB file (%s): %.2f ms each (%.2f ms of processor time), %.2f ms the first; "
           "peak working set +%.1f MB\n",
           drawn ? "drawn" : "FAILED", each * 1000, cpu * 1000, first * 1000, added);
    summary::record("Explorer thumbnail of the 100 MB file, wall clock", each / 0.1, "the budget of 100 ms");
    summary::record("Explorer thumbnail of the 100 MB file, processor time", cpu / 0.1, "the budget of 100 ms");
    summary::record("peak memory that thumbnail adds", added / 16, "the budget of 16 MB");
}

void benchTypicalFile()
{
    benchfile::Lcg random = {7};
    std::string bytes;
    while (bytes.size() < 10000)
        bytes += benchfile::makeLine(random);
    double dll = wbench::secondsPerRun(
        [&] { thumbnail(SHCreateMemStream((const BYTE*)bytes.data(), (UINT)bytes.size())); });
    double renderer = wbench::secondsPerRun([&] { rendererThumbnail(bytes); });
    double dllCpu = cpuSecondsPerRun(
        [&] { thumbnail(SHCreateMemStream((const BYTE*)bytes.data(), (UINT)bytes.size())); }, 40);
    double rendererCpu = cpuSecondsPerRun([&] { rendererThumbnail(bytes); }, 40);
    printf("thumbnail of a 10 KB NFO: %.3f ms through the DLL, %.3f ms of the renderer's own work "
           "(processor time %.3f and %.3f ms)\n",
           dll * 1000, renderer * 1000, dllCpu * 1000, rendererCpu * 1000);
    summary::record("Explorer thumbnail of a 10 KB NFO, processor time", dllCpu / rendererCpu,
                    "the renderer's work for it in-process (document, plan, colour count, rows)");
}

}  // namespace

int main(int argc, char** argv)
{
    processHeap = GetProcessHeap();
    appInstance = GetModuleHandleA(nullptr);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    typedef HRESULT(WINAPI * GetClassObject)(REFCLSID, REFIID, void**);
    HMODULE dll = argc > 1 ? LoadLibraryA(argv[1]) : nullptr;
    GetClassObject get = dll ? (GetClassObject)(void*)GetProcAddress(dll, "DllGetClassObject") : nullptr;
    if (!get || FAILED(get(thumbnailClass, IID_IClassFactory, (void**)&factory))) {
        printf("usage: %s DLL (a thumbnail provider DLL that loads)\n", argv[0]);
        return 1;
    }
    benchLargeFile();
    benchTypicalFile();
    summary::print("Figures of the Explorer DLL:");
    factory->Release();
    return 0;
}
