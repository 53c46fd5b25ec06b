// The native bench binary's entry point: first the thumbnail of the 100 MB
// file and the memory that loading it takes, while the process is still
// fresh, then the registered benchmarks, then one summary line per figure.
//
// Memory: the peak resident set (VmHWM of /proc/self/status) after loading the
// file as a TextDocument, less the resident set just before, as a multiple of
// the file's size. The file's pages in the system's cache are not the
// process's and do not count; the document's text block and line table do.
// The same for a 100 MB ANSI art file, against the file's size plus eight
// bytes a cell of its canvas, with the peak set back first (clear_refs).
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include "bench/bench_ansi_art.h"
#include "bench/bench_file.h"
#include "bench/bench_summary.h"
#include "document/ansi_canvas.h"
#include "document/text_document.h"

namespace {

// A "Name:   1234 kB" field of /proc/self/status in bytes, or -1.
long long statusBytes(const char* name)
{
    FILE* status = fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long long kilobytes = -1;
    const size_t nameLength = strlen(name);
    while (fgets(line, sizeof line, status))
        if (strncmp(line, name, nameLength) == 0 && line[nameLength] == ':') {
            sscanf(line + nameLength + 1, "%lld", &kilobytes);
            break;
        }
    fclose(status);
    return kilobytes < 0 ? -1 : kilobytes * 1024;
}

long long maxResidentBytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return (long long)usage.ru_maxrss * 1024;
}

void measureLoadMemory()
{
    if (!benchfile::ready(benchfile::hostPath)) {
        printf("memory: cannot write %s\n", benchfile::hostPath);
        return;
    }
    const long long residentBefore = statusBytes("VmRSS");
    const long long peakBefore = statusBytes("VmHWM");
    const long long maxRssBefore = maxResidentBytes();
    TextDocument* document = new TextDocument(benchfile::hostPath);
    const int32_t lines = document->getLineCount();
    const long long peakAfter = statusBytes("VmHWM");
    const long long maxRssAfter = maxResidentBytes();
    delete document;
    if (residentBefore < 0 || peakAfter < 0 || lines == 0) {
        printf("memory: no figure (/proc/self/status unreadable or the file did not load)\n");
        return;
    }
    const double fileBytes = (double)benchfile::size;
    printf("memory of a 100 MB load (%d lines): resident %.1f MB before (peak %.1f MB), "
           "peak %.1f MB after; ru_maxrss %.1f -> %.1f MB\n",
           (int)lines, residentBefore / 1048576.0, peakBefore / 1048576.0, peakAfter / 1048576.0,
           maxRssBefore / 1048576.0, maxRssAfter / 1048576.0);
    summary::record("peak memory growth loading a 100 MB file", (peakAfter - residentBefore) / fileBytes,
                    "the file's size");
}

// The peak resident set of this process set back to the resident set now.
bool resetPeak()
{
    FILE* refs = fopen("/proc/self/clear_refs", "w");
    if (!refs)
        return false;
    const bool written = fputs("5", refs) >= 0;
    return fclose(refs) == 0 && written;
}

void measureAnsiLoadMemory()
{
    if (!ansiart::largeReady()) {
        printf("ANSI memory: cannot write %s\n", ansiart::largePath);
        return;
    }
    const long long residentBefore = statusBytes("VmRSS");
    if (!resetPeak()) {
        printf("ANSI memory: no figure (the peak cannot be set back)\n");
        return;
    }
    TextDocument* document = new TextDocument(ansiart::largePath);
    const long long peakAfter = statusBytes("VmHWM");
    const AnsiCanvas* canvas = document->canvas;
    const double cells = canvas ? (double)canvas->getWidth() * canvas->getRows() : 0;
    delete document;
    if (residentBefore < 0 || peakAfter < 0 || !canvas) {
        printf("ANSI memory: no figure (/proc/self/status unreadable or the file not read as ANSI art)\n");
        return;
    }
    const double fileBytes = (double)ansiart::largeSize;
    printf("memory of a 100 MB ANSI load (%.0f cells): peak growth %.1f MB; the file %.1f MB, 8 bytes a cell %.1f MB\n",
           cells, (peakAfter - residentBefore) / 1048576.0, fileBytes / 1048576.0, cells * 8 / 1048576.0);
    summary::record("peak memory growth loading a 100 MB ANSI file", (peakAfter - residentBefore) / (fileBytes + 8 * cells),
                    "the file's size plus 8 bytes a cell");
}

}  // namespace

// The renderer's figures (bench_render.cpp, bench_png_batch.cpp, bench_ansi_render.cpp).
void measureThumbnail();
void measureRender();
void measurePngBatch();
void measureAnsiRender();

int main(int argc, char** argv)
{
    measureThumbnail();
    measureLoadMemory();
    measurePngBatch();
    measureAnsiLoadMemory();
    measureRender();
    measureAnsiRender();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    summary::print("Native figures (host stand-ins for files, memory and the screen):");
    return 0;
}
