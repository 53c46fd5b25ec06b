// Writing a rendered image as a PNG (png_writer.h), through libpng.
//
// libpng reports errors by longjmp; everything that must be undone after one
// (the temporary file, the FILE) is held outside the jump's reach, and the
// writes that fail are told apart by errno: a full disk, a file size limit.
#include "render/png_writer.h"

#include <errno.h>
#include <fcntl.h>
#include <png.h>
#include <setjmp.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// ---------------------------------------------------------------------------
// The temporary file, removed by a signal that ends the program mid-write.

char pendingTemporary[4096];

void removePendingAndDie(int signal)
{
    if (pendingTemporary[0])
        unlink(pendingTemporary);
    ::signal(signal, SIG_DFL);
    raise(signal);
}

void watchTemporary(const std::string& path)
{
    static bool installed = false;
    if (!installed) {
        signal(SIGINT, removePendingAndDie);
        signal(SIGTERM, removePendingAndDie);
        signal(SIGHUP, removePendingAndDie);
        // Past a file size limit, write fails with EFBIG instead of the
        // program being killed.
        signal(SIGXFSZ, SIG_IGN);
        installed = true;
    }
    snprintf(pendingTemporary, sizeof pendingTemporary, "%s", path.c_str());
}

void forgetTemporary()
{
    pendingTemporary[0] = 0;
}

std::string writeError(int error)
{
    switch (error) {
    case ENOSPC: return "disk full";
    case EDQUOT: return "disk quota exceeded";
    case EFBIG: return "file too large for the file system or the file size limit";
    case EROFS: return "read-only file system";
    case EACCES:
    case EPERM: return "permission denied";
    case ENOENT: return "directory not found";
    case ENOTDIR: return "not a directory";
    default: return strerror(error);
    }
}

// ---------------------------------------------------------------------------
// libpng's side.

struct Sink {
    FILE* file;
    int error;          // errno of the first failed write
    jmp_buf failure;
};

void writeBytes(png_structp png, png_bytep data, size_t length)
{
    Sink* sink = (Sink*)png_get_io_ptr(png);
    if (fwrite(data, 1, length, sink->file) != length) {
        sink->error = errno ? errno : EIO;
        png_error(png, "write failed");
    }
}

void flushBytes(png_structp png)
{
    Sink* sink = (Sink*)png_get_io_ptr(png);
    if (fflush(sink->file) != 0) {
        sink->error = errno ? errno : EIO;
        png_error(png, "write failed");
    }
}

void onPngError(png_structp png, png_const_charp)
{
    Sink* sink = (Sink*)png_get_error_ptr(png);
    longjmp(sink->failure, 1);
}

void onPngWarning(png_structp, png_const_charp)
{
}

// Encodes the image into sink's file. Returns the empty string or the error.
std::string encode(Sink& sink, int32_t width, int32_t height, const PngFormat& format, PackedRows& rows)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, onPngError, onPngWarning);
    if (!png)
        return "not enough memory";
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return "not enough memory";
    }
    // Nothing that must survive the jump is changed after setjmp.
    if (setjmp(sink.failure)) {
        png_destroy_write_struct(&png, &info);
        return sink.error ? writeError(sink.error) : "the PNG could not be encoded";
    }
    png_set_write_fn(png, &sink, writeBytes, flushBytes);
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_compression_buffer_size(png, 1 << 17);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, format.bitDepth,
                 format.palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (format.palette) {
        png_color palette[256];
        for (size_t i = 0; i < format.colors.size(); ++i) {
            palette[i].red = (png_byte)(format.colors[i] >> 16);
            palette[i].green = (png_byte)(format.colors[i] >> 8);
            palette[i].blue = (png_byte)format.colors[i];
        }
        png_set_PLTE(png, info, palette, (int)format.colors.size());
        // Rows of a few colours compress best as they are.
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    }
    png_write_info(png, info);
    for (int32_t y = 0; y < height; ++y)
        png_write_row(png, (png_const_bytep)rows.next());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::string();
}

std::string directoryOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string writeToStandardOutput(int32_t width, int32_t height, const PngFormat& format, PackedRows& rows)
{
    Sink sink = {};
    sink.file = stdout;
    std::string error = encode(sink, width, height, format, rows);
    if (error.empty() && fflush(stdout) != 0)
        error = writeError(errno);
    return error;
}

// Writes into the file at path itself: opened, truncated, written.
std::string writeInPlace(const std::string& path, int32_t width, int32_t height, const PngFormat& format,
                         PackedRows& rows)
{
    // Past a file size limit, write fails with EFBIG instead of the program
    // being killed.
    signal(SIGXFSZ, SIG_IGN);
    int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return writeError(errno);
    Sink sink = {};
    sink.file = fdopen(descriptor, "wb");
    if (!sink.file) {
        std::string error = writeError(errno);
        close(descriptor);
        return error;
    }
    setvbuf(sink.file, nullptr, _IOFBF, 1 << 17);
    std::string error = encode(sink, width, height, format, rows);
    if (error.empty() && fflush(sink.file) != 0)
        error = writeError(errno);
    if (fclose(sink.file) != 0 && error.empty())
        error = writeError(errno);
    // No half image: what was written is taken back.
    if (!error.empty() && truncate(path.c_str(), 0) != 0)
        error += "; the partial image is left in place";
    return error;
}

}  // namespace

PngFormat formatForColors(const std::vector<Pixel>& colors)
{
    PngFormat format;
    format.colors = colors;
    format.palette = colors.size() <= 256;
    size_t n = colors.size();
    format.bitDepth = n <= 2 ? 1 : n <= 4 ? 2 : n <= 16 ? 4 : 8;
    if (!format.palette)
        format.colors.clear();
    if (format.palette && format.colors.empty())
        format.colors.push_back(0);
    return format;
}

size_t packedRowBytes(int32_t width, const PngFormat& format)
{
    int bits = format.palette ? format.bitDepth : 24;
    return ((size_t)width * (size_t)bits + 7) / 8;
}

PackedPixelRows::PackedPixelRows(PixelRows& rows, int32_t width, const PngFormat& format)
    : rows_(rows), width_(width), format_(format)
{
    packed_.resize(packedRowBytes(width, format) + 1);
    if (format.palette) {
        // A table of 1024 slots for at most 256 colours: short probes.
        keys_.assign(1024, 0);
        indices_.assign(1024, 0);
        used_.assign(1024, 0);
        std::vector<uint8_t>& used = used_;
        for (size_t i = 0; i < format.colors.size(); ++i) {
            Pixel c = format.colors[i] & 0x00FFFFFFu;
            size_t slot = (c * 2654435761u) >> 22;
            while (used[slot] && keys_[slot] != c)
                slot = (slot + 1) & 1023;
            if (!used[slot]) {
                used[slot] = 1;
                keys_[slot] = c;
                indices_[slot] = (uint8_t)i;
            }
        }
    }
}

const uint8_t* PackedPixelRows::next()
{
    const Pixel* row = rows_.next();
    uint8_t* out = packed_.data();
    if (!format_.palette) {
        for (int32_t x = 0; x < width_; ++x) {
            *out++ = (uint8_t)(row[x] >> 16);
            *out++ = (uint8_t)(row[x] >> 8);
            *out++ = (uint8_t)row[x];
        }
        return packed_.data();
    }
    memset(out, 0, packed_.size());
    const int depth = format_.bitDepth;
    const int perByte = 8 / depth;
    Pixel last = ~0u;
    uint8_t lastIndex = 0;
    for (int32_t x = 0; x < width_; ++x) {
        Pixel c = row[x] & 0x00FFFFFFu;
        if (c != last) {
            size_t slot = (c * 2654435761u) >> 22;
            while (used_[slot] && keys_[slot] != c)
                slot = (slot + 1) & 1023;
            last = c;
            // A colour outside the palette cannot come from the rows the
            // palette was taken from; it would take the first entry.
            lastIndex = used_[slot] ? indices_[slot] : 0;
        }
        int shift = 8 - depth * (x % perByte + 1);
        out[x / perByte] |= (uint8_t)(lastIndex << shift);
    }
    return packed_.data();
}

std::string writePng(const std::string& path, int32_t width, int32_t height, const PngFormat& format,
                     PackedRows& rows, PngTarget target)
{
    if (path == "-")
        return writeToStandardOutput(width, height, format, rows);
    if (target == PngTarget::inPlace)
        return writeInPlace(path, width, height, format, rows);

    // A hidden name beside the output, kept within the longest file name.
    std::string temporary = directoryOf(path) + "/." + nameOf(path).substr(0, 200) + ".XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back(0);
    int descriptor = mkstemp(name.data());
    if (descriptor < 0)
        return writeError(errno);
    temporary = name.data();
    watchTemporary(temporary);
    // As a new file would be made: what the umask allows of read and write.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);

    Sink sink = {};
    sink.file = fdopen(descriptor, "wb");
    std::string error;
    if (!sink.file) {
        error = writeError(errno);
        close(descriptor);
    } else {
        setvbuf(sink.file, nullptr, _IOFBF, 1 << 17);
        error = encode(sink, width, height, format, rows);
        if (error.empty() && fflush(sink.file) != 0)
            error = writeError(errno);
        if (error.empty() && fsync(fileno(sink.file)) != 0 && errno != EINVAL)
            error = writeError(errno);
        if (fclose(sink.file) != 0 && error.empty())
            error = writeError(errno);
    }
    if (error.empty() && rename(temporary.c_str(), path.c_str()) != 0)
        error = writeError(errno);
    if (!error.empty())
        unlink(temporary.c_str());
    forgetTemporary();
    return error;
}
