// The figures of tavelin-render on ANSI art, against NFO files: 100
// generated ANSI files (bench_ansi_art.h) rendered one process per file and
// in one batch, timed against the same for their .nfo twins (the same glyphs,
// picture size and line count, in two colours); and the bytes of their PNG
// files against the same pictures written by libpng as 4-bit palette images
// at its default compression (each of the program's images read back and
// written again).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <png.h>

#include <string>
#include <vector>

#include "bench/bench_ansi_art.h"
#include "bench/bench_summary.h"

namespace {

const char outputDirectory[] = "/tmp/tavelin-bench-ansi-out";
const int rounds = 3;

double secondsOf(const timeval& time)
{
    return time.tv_sec + time.tv_usec * 1e-6;
}

// Runs the command; the processor time it took (user and system), or a
// negative number when it failed. Processor time, not wall time: the
// program's own work, without the waits for a shared core or for the disk
// (each PNG file is synced before it is renamed into place).
double run(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back((char*)argument.c_str());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage;
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
}

std::string outputOf(int index, const char* extension)
{
    char name[64];
    snprintf(name, sizeof name, "/art-%03d.%s.png", index, extension);
    return outputDirectory + std::string(name);
}

// The 100 files of one kind, one process each.
double renderEach(const char* program, const char* extension)
{
    double total = 0;
    for (int index = 0; index < ansiart::fileCount; ++index) {
        const double seconds =
            run({ program, "-q", ansiart::pathOf(index, extension), "-o", outputOf(index, extension) });
        if (seconds < 0)
            return -1;
        total += seconds;
    }
    return total;
}

double renderBatch(const char* program, const char* extension)
{
    std::vector<std::string> arguments = { program, "-q", "-d", outputDirectory };
    for (int index = 0; index < ansiart::fileCount; ++index)
        arguments.push_back(ansiart::pathOf(index, extension));
    return run(arguments);
}

// ---------------------------------------------------------------------------
// The baseline PNG: the program's image read back, one palette index a
// byte, and written by libpng as a 4-bit palette image with nothing else set.

struct Picture {
    uint32_t width;
    uint32_t height;
    std::vector<png_color> palette;
    std::vector<uint8_t> indices;
};

bool readPicture(const std::string& path, Picture* picture)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_colorp colors = nullptr;
    int count = 0;
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE || !png_get_PLTE(png, info, &colors, &count) ||
        count > 16)
        png_error(png, "not a palette of 16 colours");
    picture->palette.assign(colors, colors + count);
    picture->width = png_get_image_width(png, info);
    picture->height = png_get_image_height(png, info);
    png_set_packing(png);
    png_read_update_info(png, info);
    picture->indices.resize((size_t)picture->width * picture->height);
    for (uint32_t y = 0; y < picture->height; ++y)
        png_read_row(png, picture->indices.data() + (size_t)y * picture->width, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(file);
    return true;
}

void countBytes(png_structp png, png_bytep, size_t length)
{
    *(size_t*)png_get_io_ptr(png) += length;
}

void flushNothing(png_structp)
{
}

// The bytes of the picture as libpng writes a 4-bit palette image by default.
size_t defaultPngBytes(const Picture& picture)
{
    size_t bytes = 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_set_write_fn(png, &bytes, countBytes, flushNothing);
    png_set_IHDR(png, info, picture.width, picture.height, 4, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, picture.palette.data(), (int)picture.palette.size());
    png_write_info(png, info);
    png_set_packing(png);
    for (uint32_t y = 0; y < picture.height; ++y)
        png_write_row(png, picture.indices.data() + (size_t)y * picture.width);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

long long fileBytes(const std::string& path)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return -1;
    fseek(file, 0, SEEK_END);
    const long long size = ftell(file);
    fclose(file);
    return size;
}

// The program's PNG files of the ANSI art against libpng's default; false
// when an image could not be read (or is not of 16 colours at most).
bool comparePngBytes()
{
    double ours = 0;
    double theirs = 0;
    double worst = 0;
    for (int index = 0; index < ansiart::fileCount; ++index) {
        const std::string path = outputOf(index, "ans");
        Picture picture;
        if (!readPicture(path, &picture)) {
            printf("ANSI render: %s is not a palette image of at most 16 colours\n", path.c_str());
            return false;
        }
        const double own = (double)fileBytes(path);
        const double reference = (double)defaultPngBytes(picture);
        ours += own;
        theirs += reference;
        worst = own / reference > worst ? own / reference : worst;
    }
    printf("ANSI render: PNG files %.1f KB, libpng's default 4-bit %.1f KB, the worst file %.2f x\n", ours / 1024,
           theirs / 1024, worst);
    summary::record("tavelin-render PNG bytes of 100 ANSI files", ours / theirs,
                    "libpng's default compression of the same pictures, 4-bit palette");
    return true;
}

}  // namespace

void measureAnsiRender()
{
    const char* program = getenv("TAVELIN_RENDER");
    if (!program || !ansiart::writeFiles()) {
        printf("ANSI render: no figure (TAVELIN_RENDER unset or the art files cannot be written)\n");
        return;
    }
    mkdir(outputDirectory, 0755);
    // The best of a few rounds of each, the kinds taken in turn: the ANSI
    // files, the .nfo files of the same pictures, the .nfo files of the
    // same byte sizes and line counts.
    double each[3] = { 1e9, 1e9, 1e9 };
    double batch[3] = { 1e9, 1e9, 1e9 };
    static const char* const kinds[3] = { "ans", "nfo", "bytes.nfo" };
    for (int round = 0; round < rounds; ++round)
        for (int kind = 0; kind < 3; ++kind) {
            const double one = renderEach(program, kinds[kind]);
            const double all = renderBatch(program, kinds[kind]);
            if (one < 0 || all < 0) {
                printf("ANSI render: %s failed on the .%s files of %s\n", program, kinds[kind], ansiart::directory);
                return;
            }
            each[kind] = one < each[kind] ? one : each[kind];
            batch[kind] = all < batch[kind] ? all : batch[kind];
        }
    printf("ANSI render of 100 files, processor time: one process each %.0f ms (NFO of the same pictures %.0f ms, "
           "of the same sizes %.0f ms), one batch %.0f ms (%.0f ms, %.0f ms)\n",
           each[0] * 1000, each[1] * 1000, each[2] * 1000, batch[0] * 1000, batch[1] * 1000, batch[2] * 1000);
    summary::record("tavelin-render, 100 ANSI files, one process each", each[0] / each[2],
                    "the same for NFO files of the same byte sizes and line counts");
    summary::record("tavelin-render, 100 ANSI files in one batch", batch[0] / batch[2],
                    "the same for NFO files of the same byte sizes and line counts");
    summary::record("tavelin-render, 100 ANSI files in one batch, against their pictures", batch[0] / batch[1],
                    "the same for NFO files of the same pictures (4 bits a pixel against 1)");
    comparePngBytes();
}
