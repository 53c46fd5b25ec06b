// The figures of tavelin-render on the 100 MB benchmark file, as a user runs
// it: the whole-document PNG (load, compose, encode, write) timed against
// libpng writing rows of the same image from memory with the same settings
// through the same writer, and the program's peak memory against the
// document's own size (its text and its line table). Then the thumbnail of
// the same file, as a file manager asks for it: its time and peak memory
// against the bounds a thumbnail must keep whatever the file's size.
//
// The baseline writes as many rows as the image has, cycling through the
// image's first 4096 rows held in memory: rows of the same kind, more than
// deflate's window apart, so the encoder does the same work on them.
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "bench/bench_file.h"
#include "bench/bench_summary.h"
#include "document/text_document.h"
#include "render/bit_rows.h"
#include "render/document_loader.h"
#include "render/image_plan.h"
#include "render/png_writer.h"

namespace {

double now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

class CycledRows : public PackedRows {
public:
    CycledRows(const std::vector<uint8_t>& rows, size_t rowBytes) : rows_(rows), rowBytes_(rowBytes), next_(0) {}
    const uint8_t* next() override
    {
        const uint8_t* row = rows_.data() + next_ * rowBytes_;
        next_ = (next_ + 1) % (rows_.size() / rowBytes_);
        return row;
    }

private:
    const std::vector<uint8_t>& rows_;
    size_t rowBytes_;
    size_t next_;
};

// Runs the program on the file (the thumbnail of `thumbnail` pixels when
// not null); its wall time and peak resident bytes.
bool runProgram(const char* program, const std::string& output, double* seconds, long long* peak,
                const char* thumbnail = nullptr)
{
    double start = now();
    pid_t child = fork();
    if (child == 0) {
        if (thumbnail)
            execl(program, program, "--thumbnail", thumbnail, benchfile::hostPath, output.c_str(), (char*)nullptr);
        else
            execl(program, program, "-q", benchfile::hostPath, "-o", output.c_str(), (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    rusage usage;
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    *seconds = now() - start;
    *peak = (long long)usage.ru_maxrss * 1024;
    return true;
}

// A thumbnail reads a bounded start of the file: the budgets it must keep
// on a file of any size.
const double thumbnailSecondsBudget = 0.050;
const double thumbnailBytesBudget = 16.0 * 1048576;

}  // namespace

// The thumbnail of the 100 MB file at the larger of a file manager's sizes;
// the best of five runs (the first pays for the program's own pages). Run
// while this process is small: a child's peak counts the pages it was
// forked with.
void measureThumbnail()
{
    const char* program = getenv("TAVELIN_RENDER");
    if (!program || !benchfile::ready(benchfile::hostPath)) {
        printf("thumbnail: no figure (TAVELIN_RENDER unset or the benchmark file cannot be written)\n");
        return;
    }
    const std::string output = std::string("/tmp/tavelin-bench-thumbnail-") + std::to_string(getpid()) + ".png";
    double best = 1e9;
    long long peak = 0;
    for (int run = 0; run < 5; ++run) {
        double seconds = 0;
        long long runPeak = 0;
        if (!runProgram(program, output, &seconds, &runPeak, "256")) {
            printf("thumbnail: %s failed on %s\n", program, benchfile::hostPath);
            return;
        }
        best = seconds < best ? seconds : best;
        peak = runPeak > peak ? runPeak : peak;
    }
    unlink(output.c_str());
    printf("thumbnail (256) of the 100 MB file: %.1f ms, peak memory %.1f MB\n", best * 1000, peak / 1048576.0);
    summary::record("tavelin-render --thumbnail 256 of the 100 MB file, time", best / thumbnailSecondsBudget,
                    "its 50 ms budget");
    summary::record("tavelin-render --thumbnail 256 of the 100 MB file, peak memory", peak / thumbnailBytesBudget,
                    "its 16 MB budget");
}

void measureRender()
{
    const char* program = getenv("TAVELIN_RENDER");
    if (!program || !benchfile::ready(benchfile::hostPath)) {
        printf("render: no figure (TAVELIN_RENDER unset or the benchmark file cannot be written)\n");
        return;
    }
    const std::string output = std::string("/tmp/tavelin-bench-render-") + std::to_string(getpid()) + ".png";
    double renderSeconds = 0;
    long long peak = 0;
    if (!runProgram(program, output, &renderSeconds, &peak)) {
        printf("render: %s failed on %s\n", program, benchfile::hostPath);
        return;
    }

    LoadedDocument loaded = loadDocument(benchfile::hostPath, EncodingChoice::cp437);
    if (!loaded.document)
        return;
    RenderRequest request = {};
    request.mode = RenderMode::document;
    request.scale = 1;
    ImagePlan plan = planImage(*loaded.document, request);
    PngFormat format;
    format.bitDepth = 1;
    format.palette = true;
    format.colors = { 0x404040, 0xFFFFFF };
    const size_t rowBytes = packedRowBytes(plan.outWidth, format);
    std::vector<uint8_t> rows;
    DocumentBitRows source(*loaded.document, plan.frame.width, plan.frame.height, 1);
    for (int32_t y = 0; y < 4096 && y < plan.outHeight; ++y) {
        const uint8_t* row = source.next();
        rows.insert(rows.end(), row, row + rowBytes);
    }
    const double documentBytes = (double)loaded.document->textLength + 5 +
                                 (double)loaded.document->getLineCount() * sizeof(char*);
    delete loaded.document;

    CycledRows cycled(rows, rowBytes);
    double start = now();
    std::string error = writePng(output, plan.outWidth, plan.outHeight, format, cycled);
    double baselineSeconds = now() - start;
    unlink(output.c_str());
    if (!error.empty()) {
        printf("render: the baseline could not write %s: %s\n", output.c_str(), error.c_str());
        return;
    }
    printf("render of the 100 MB file (%d x %d pixels): %.1f s; libpng writing the rows from memory: %.1f s; "
           "peak memory %.1f MB, the document %.1f MB\n",
           plan.outWidth, plan.outHeight, renderSeconds, baselineSeconds, peak / 1048576.0,
           documentBytes / 1048576.0);
    summary::record("tavelin-render, whole 100 MB file to PNG", renderSeconds / baselineSeconds,
                    "libpng writing the same rows from memory");
    summary::record("tavelin-render peak memory on the 100 MB file", peak / documentBytes,
                    "the document's own size");
}
