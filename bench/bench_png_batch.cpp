// The PNG writer's figures: a batch of 100 NFO files of real sizes
// (bench_nfo_batch.h) rendered as tavelin-render renders each file (load,
// plan, compose, encode, write), with the settings the writer chooses per
// picture, against the same batch written by libpng at its default
// compression (the writer before those choices); then colour pictures of the
// kind ANSI art makes, as 4-bit and 8-bit palettes and RGB, against libpng's
// default compression of the same picture as a 4-bit palette (and of the same
// format). Times are processor time (user and system) of this process, the
// median of alternating rounds; the outputs go to /dev/shm when there is one,
// so that a disk's write-back is not in the figure.
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench_nfo_batch.h"
#include "bench/bench_summary.h"
#include "document/text_document.h"
#include "render/document_loader.h"
#include "render/image_plan.h"
#include "render/render_job.h"
#include "view/vga_font.h"

namespace {

double processorSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

long long fileBytes(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (long long)st.st_size : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

const char* const compressionName[] = { "chosen", "libpng default" };

// The batch as tavelin-render draws it by default; the bytes written, or -1.
long long renderBatch(const std::string& inputs, const std::string& outputs, PngCompression compression)
{
    RenderRequest request = {};
    request.mode = RenderMode::document;
    request.scale = 1;
    request.ink = 0xFFFFFF;
    request.paper = 0x404040;
    long long bytes = 0;
    for (int i = 0; i < nfobatch::files; ++i) {
        LoadedDocument loaded = loadDocument(nfobatch::path(inputs, i).c_str(), EncodingChoice::automatic);
        if (!loaded.document)
            return -1;
        ImagePlan plan = planImage(*loaded.document, request);
        const std::string output = nfobatch::path(outputs, i) + ".png";
        std::string error;
        {
            ImageEncoding image(*loaded.document, plan);
            error = writePng(output, plan.outWidth, plan.outHeight, image.format(), image.rows(), PngTarget::replaced,
                             compression);
        }
        delete loaded.document;
        if (!error.empty())
            return -1;
        bytes += fileBytes(output);
    }
    return bytes;
}

class PictureRows : public PixelRows {
public:
    PictureRows(const std::vector<uint32_t>& pixels, int32_t width) : pixels_(pixels), width_(width), row_(0) {}
    const Pixel* next() override { return pixels_.data() + (size_t)width_ * row_++; }

private:
    const std::vector<uint32_t>& pixels_;
    int32_t width_;
    int32_t row_;
};

struct Written {
    double seconds;
    long long bytes;
};

// The picture written in a format, best processor time of five.
Written writePicture(const std::vector<uint32_t>& pixels, int32_t width, int32_t height, const PngFormat& format,
                     const std::string& output, PngCompression compression)
{
    Written written = { 1e9, -1 };
    for (int round = 0; round < 5; ++round) {
        PictureRows rows(pixels, width);
        PackedPixelRows packed(rows, width, format);
        double start = processorSeconds();
        if (!writePng(output, width, height, format, packed, PngTarget::replaced, compression).empty())
            return written;
        written.seconds = std::min(written.seconds, processorSeconds() - start);
    }
    written.bytes = fileBytes(output);
    unlink(output.c_str());
    return written;
}

void measureColourPictures(const std::string& outputs)
{
    std::vector<Pixel> vga(nfobatch::vgaColours, nfobatch::vgaColours + 16);
    PngFormat four = formatForColors(vga);
    PngFormat eight = four;
    eight.bitDepth = 8;
    PngFormat rgb;
    rgb.bitDepth = 8;
    rgb.palette = false;
    const PngFormat* formats[] = { &four, &eight, &rgb };
    const char* names[] = { "4-bit palette", "8-bit palette", "RGB" };
    // [format][compression], summed over the pictures.
    Written sums[3][2] = {};
    const int sizes[][2] = { { 80, 100 }, { 160, 100 } };
    for (const auto& size : sizes) {
        const int32_t width = size[0] * 8, height = size[1] * 16;
        const std::vector<uint32_t> pixels = nfobatch::colourPicture(vgaFont, size[0], size[1], 77u + size[0]);
        for (int f = 0; f < 3; ++f)
            for (int c = 0; c < 2; ++c) {
                Written w = writePicture(pixels, width, height, *formats[f], outputs + "/colour.png",
                                         c ? PngCompression::libpngDefault : PngCompression::chosen);
                if (w.bytes < 0) {
                    printf("png: the colour picture could not be written to %s\n", outputs.c_str());
                    return;
                }
                sums[f][c].seconds += w.seconds;
                sums[f][c].bytes += w.bytes;
            }
    }
    const double fourDefault = (double)sums[0][1].bytes;
    for (int f = 0; f < 3; ++f)
        printf("colour pictures (80 and 160 columns of the 16 VGA colours) as %s: chosen %lld bytes in %.2f ms, "
               "libpng's default %lld bytes in %.2f ms; %.2f x the bytes of the 4-bit palette at libpng's default\n",
               names[f], sums[f][0].bytes, sums[f][0].seconds * 1000, sums[f][1].bytes, sums[f][1].seconds * 1000,
               sums[f][0].bytes / fourDefault);
    summary::record("PNG of a colour picture as a 4-bit palette, bytes", sums[0][0].bytes / fourDefault,
                    "libpng's default compression of it");
    summary::record("PNG of a colour picture as a 4-bit palette, time", sums[0][0].seconds / sums[0][1].seconds,
                    "libpng's default compression of it");
    summary::record("PNG of the same picture as an 8-bit palette, bytes", sums[1][0].bytes / (double)sums[1][1].bytes,
                    "libpng's default compression of it as an 8-bit palette");
    summary::record("PNG of the same picture as RGB, bytes", sums[2][0].bytes / (double)sums[2][1].bytes,
                    "libpng's default compression of it as RGB");
    summary::record("PNG of the same picture as RGB, time", sums[2][0].seconds / sums[2][1].seconds,
                    "libpng's default compression of it as RGB");
}

// tavelin-render itself on the batch, one process: its processor time.
void runProgramOnBatch(const std::string& inputs, const std::string& outputs)
{
    const char* program = getenv("TAVELIN_RENDER");
    if (!program)
        return;
    std::vector<std::string> arguments = { program, "-q", "-d", outputs };
    for (int i = 0; i < nfobatch::files; ++i)
        arguments.push_back(nfobatch::path(inputs, i));
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        pid_t child = fork();
        if (child == 0) {
            execv(program, argv.data());
            _exit(127);
        }
        int status = 0;
        rusage usage;
        if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            printf("png batch: %s failed\n", program);
            return;
        }
        const double seconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
                               usage.ru_stime.tv_usec * 1e-6;
        best = std::min(best, seconds);
    }
    printf("tavelin-render -q -d DIR on the batch, one process: %.1f ms of processor time (best of 3)\n", best * 1000);
}

}  // namespace

void measurePngBatch()
{
    const std::string inputs = "/tmp/tavelin-bench-nfo-batch";
    struct stat shm;
    const std::string outputs = std::string(stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode) ? "/dev/shm" : "/tmp") +
                                "/tavelin-bench-png-" + std::to_string(getpid());
    mkdir(inputs.c_str(), 0777);
    mkdir(outputs.c_str(), 0777);
    if (!nfobatch::write(inputs)) {
        printf("png batch: cannot write %s\n", inputs.c_str());
        return;
    }
    std::vector<double> seconds[2];
    long long bytes[2] = { -1, -1 };
    for (int round = 0; round < 5; ++round)
        for (int c = 0; c < 2; ++c) {
            double start = processorSeconds();
            bytes[c] = renderBatch(inputs, outputs, c ? PngCompression::libpngDefault : PngCompression::chosen);
            seconds[c].push_back(processorSeconds() - start);
            if (bytes[c] < 0) {
                printf("png batch: the batch could not be rendered into %s\n", outputs.c_str());
                return;
            }
        }
    long long inputBytes = 0;
    for (int i = 0; i < nfobatch::files; ++i)
        inputBytes += fileBytes(nfobatch::path(inputs, i));
    for (int c = 0; c < 2; ++c)
        printf("batch of %d NFO files (%lld bytes), %s compression: %.1f ms (median of 5), %lld bytes of PNG\n",
               nfobatch::files, inputBytes, compressionName[c], median(seconds[c]) * 1000, bytes[c]);
    summary::record("PNG batch of 100 NFO files (60-80 columns, 50-400 lines), time",
                    median(seconds[0]) / median(seconds[1]), "the same batch at libpng's default compression");
    summary::record("PNG batch of 100 NFO files, bytes", bytes[0] / (double)bytes[1],
                    "the same batch at libpng's default compression");
    runProgramOnBatch(inputs, outputs);
    measureColourPictures(outputs);
    for (int i = 0; i < nfobatch::files; ++i)
        unlink((nfobatch::path(outputs, i) + ".png").c_str());
    rmdir(outputs.c_str());
}
