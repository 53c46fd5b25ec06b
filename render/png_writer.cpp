// Writing a rendered image as a PNG (png_writer.h), through libpng.
//
// libpng reports errors by longjmp; everything that must be undone after one
// (the temporary file, the FILE) is held outside the jump's reach, and the
// writes that fail are told apart by errno: a full disk, a file size limit.
//
// libpng writes the chunks (signature, header, palette, the image data's
// chunks, end) and their checksums; the image data is deflated here, with
// settings chosen for the picture (chooseDeflate), which libpng's own row
// writer cannot be given.
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
#include <zlib.h>

#include <new>

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
    const char* why;    // or what else failed
    jmp_buf failure;
};

// The deflate stream and its buffers, made once and reset for each picture:
// a batch of files does not allocate them (and fault their pages in) anew
// for each. A picture that fails leaves the stream to the next one's reset.
struct Deflater {
    z_stream stream;
    bool made;
    int level;                      // the level it was made for
    std::vector<uint8_t> lines;     // filtered rows, each after its filter byte
    std::vector<uint8_t> above;     // the row before, unfiltered
    std::vector<uint8_t> out;       // compressed, an IDAT chunk's worth
};

Deflater& deflater()
{
    static Deflater shared = {};
    return shared;
}

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

const png_byte idat[5] = "IDAT";
const size_t deflateChunk = 1 << 17;    // bytes of filtered rows per deflate call, and of an IDAT chunk
const uint64_t smallPicture = 64 * 1024;    // bytes of filtered rows

void fail(png_structp png, Sink& sink, const char* why)
{
    sink.why = why;
    png_error(png, why);
}

// Deflates the bytes (and with Z_FINISH what the stream still holds), each
// full output buffer written as an IDAT chunk.
void deflateInto(png_structp png, Sink& sink, Deflater& d, const uint8_t* bytes, size_t length, int flush)
{
    z_stream& z = d.stream;
    for (;;) {
        if (z.avail_in == 0 && length) {
            z.next_in = (Bytef*)bytes;
            z.avail_in = length < (1u << 30) ? (uInt)length : 1u << 30;
            bytes += z.avail_in;
            length -= z.avail_in;
        }
        z.next_out = d.out.data();
        z.avail_out = (uInt)d.out.size();
        int result = deflate(&z, length ? Z_NO_FLUSH : flush);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
            fail(png, sink, "the image data could not be compressed");
        size_t produced = d.out.size() - z.avail_out;
        if (produced)
            png_write_chunk(png, idat, d.out.data(), produced);
        if (flush == Z_FINISH ? result == Z_STREAM_END : z.avail_in == 0 && z.avail_out != 0 && !length)
            return;
    }
}

// RGB: of None, Sub (the pixel to the left) and Up (the row above), the filter
// whose bytes, as signed numbers, add up to the least: libpng's heuristic
// without Average and Paeth, which cost more than they save on flat colours.
void filterRow(const uint8_t* row, const uint8_t* above, size_t bytes, uint8_t* out)
{
    uint64_t none = 0, sub = 0, up = 0;
    for (size_t i = 0; i < bytes; ++i) {
        none += (uint64_t)abs((int8_t)row[i]);
        sub += (uint64_t)abs((int8_t)(row[i] - (i >= 3 ? row[i - 3] : 0)));
        up += (uint64_t)abs((int8_t)(row[i] - above[i]));
    }
    if (none <= sub && none <= up) {
        out[0] = PNG_FILTER_VALUE_NONE;
        memcpy(out + 1, row, bytes);
    } else if (sub <= up) {
        out[0] = PNG_FILTER_VALUE_SUB;
        for (size_t i = 0; i < bytes; ++i)
            out[1 + i] = (uint8_t)(row[i] - (i >= 3 ? row[i - 3] : 0));
    } else {
        out[0] = PNG_FILTER_VALUE_UP;
        for (size_t i = 0; i < bytes; ++i)
            out[1 + i] = (uint8_t)(row[i] - above[i]);
    }
}

// How the image data is deflated, chosen per picture. zlib's levels 1 to 3
// take a match as soon as it is found, 4 to 9 look one byte further before
// taking it; deflateTune's four numbers then set how hard a match is looked
// for: the match long enough to look less (good), the longest match whose
// every position is remembered for later matches (lazy, at levels 1 to 3),
// the match long enough to stop at (nice), and how many earlier places with
// the same three bytes are tried (chain).
struct DeflateSettings {
    int level;
    int good, lazy, nice, chain;
};

// The settings for a picture, from its format, its size and its first rows
// (`count` filtered lines of `lineBytes`). Measured on rendered NFO files,
// their views, thumbnails and scaled pictures, and on colour pictures of the
// kind ANSI art makes: docs/performance.md.
DeflateSettings chooseDeflate(const PngFormat& format, uint64_t imageBytes, const uint8_t* lines, size_t count,
                              size_t lineBytes)
{
    // Under a millisecond at zlib's default level (6): the smallest file.
    if (imageBytes <= smallPicture)
        return { 6, 8, 16, 128, 128 };
    // A quick matcher, looking further the more of the picture a byte holds.
    const bool rgb = !format.palette;
    DeflateSettings settings = { 3, 4, 16, 258, 16 };
    if (rgb || format.bitDepth == 8)
        settings.lazy = settings.chain = 32;
    else if (format.bitDepth == 1)
        settings.chain = 8;
    // Runs of one byte (a view's empty sides) and rows repeated (a picture
    // scaled up) fill the chains with the run's own places; the matches that
    // count lie inside earlier long matches, which must be remembered whole.
    // A sample of the first lines tells: eight runs of 16 lines, spread out.
    // Scaled up, every line is the one before or the one after it; a text
    // line's rows differ one after another.
    uint64_t sampled = 0, runs = 0, repeated = 0, changedTwice = 0;
    for (size_t block = 0; block < 8; ++block) {
        bool changed = false;
        for (size_t i = block * count / 8 + 1, end = i + 16; i < end && i < count; ++i) {
            const uint8_t* line = lines + i * lineBytes;
            for (size_t x = 2; x < lineBytes; ++x)
                runs += line[x] == line[x - 1];
            const bool same = memcmp(line + 1, line + 1 - lineBytes, lineBytes - 1) == 0;
            repeated += same;
            changedTwice += changed && !same;
            changed = !same;
            ++sampled;
        }
    }
    const bool flat = sampled > 0 && runs * 10 >= sampled * (lineBytes - 1) * 9;
    const bool scaled = repeated > 0 && changedTwice == 0;
    if (rgb || flat || scaled)
        settings.lazy = 258;
    if (flat)
        settings.chain = 64;
    else if (scaled && settings.chain < 16)
        settings.chain = 16;
    return settings;
}

// The image data: the rows filtered and deflated as chosen for the picture.
void writeImageData(png_structp png, Sink& sink, const PngFormat& format, size_t rowBytes, int32_t height,
                    PackedRows& rows)
{
    Deflater& d = deflater();
    const size_t lineBytes = rowBytes + 1;
    const size_t linesPerCall = deflateChunk / lineBytes ? deflateChunk / lineBytes : 1;
    const bool filterRows = !format.palette;
    // The buffers of an extremely wide picture are not kept for the next.
    if (d.lines.capacity() > 2 * linesPerCall * lineBytes) {
        std::vector<uint8_t>().swap(d.lines);
        std::vector<uint8_t>().swap(d.above);
    }
    bool buffers = true;
    try {
        d.lines.resize(linesPerCall * lineBytes);
        d.out.resize(deflateChunk);
        if (filterRows)
            d.above.assign(rowBytes, 0);
    } catch (const std::bad_alloc&) {
        buffers = false;
    }
    if (!buffers)
        fail(png, sink, "not enough memory for a row of an image this wide");
    size_t lines = 0;
    bool started = false;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = rows.next();
        uint8_t* line = d.lines.data() + lines * lineBytes;
        if (filterRows) {
            filterRow(row, d.above.data(), rowBytes, line);
            memcpy(d.above.data(), row, rowBytes);
        } else {
            line[0] = PNG_FILTER_VALUE_NONE;
            memcpy(line + 1, row, rowBytes);
        }
        if (++lines < linesPerCall && y + 1 < height)
            continue;
        if (!started) {
            // The look is at the first rows as they will be deflated.
            const DeflateSettings settings =
                chooseDeflate(format, (uint64_t)lineBytes * (uint64_t)height, d.lines.data(), lines, lineBytes);
            // The stream is made again only for another level (deflateParams
            // may have to flush, which older zlibs do even on a reset stream).
            int result = Z_OK;
            if (d.made && d.level != settings.level) {
                deflateEnd(&d.stream);
                d.made = false;
            }
            if (!d.made) {
                d.stream = z_stream();
                result = deflateInit2(&d.stream, settings.level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
                d.made = result == Z_OK;
                d.level = settings.level;
            } else {
                result = deflateReset(&d.stream);
            }
            if (result == Z_OK)
                result = deflateTune(&d.stream, settings.good, settings.lazy, settings.nice, settings.chain);
            if (result != Z_OK)
                fail(png, sink, result == Z_MEM_ERROR ? "not enough memory" : "the image data could not be compressed");
            started = true;
        }
        deflateInto(png, sink, d, d.lines.data(), lines * lineBytes, y + 1 < height ? Z_NO_FLUSH : Z_FINISH);
        lines = 0;
    }
}

// Encodes the image into sink's file. Returns the empty string or the error.
std::string encode(Sink& sink, int32_t width, int32_t height, const PngFormat& format, PackedRows& rows,
                   PngCompression compression)
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
        return sink.error ? writeError(sink.error) : sink.why ? sink.why : "the PNG could not be encoded";
    }
    png_set_write_fn(png, &sink, writeBytes, flushBytes);
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_compression_buffer_size(png, deflateChunk);
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
    if (compression == PngCompression::libpngDefault) {
        for (int32_t y = 0; y < height; ++y)
            png_write_row(png, (png_const_bytep)rows.next());
        png_write_end(png, info);
    } else {
        writeImageData(png, sink, format, packedRowBytes(width, format), height, rows);
        png_write_chunk(png, (png_const_bytep) "IEND", nullptr, 0);
    }
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

std::string writeToStandardOutput(int32_t width, int32_t height, const PngFormat& format, PackedRows& rows,
                                  PngCompression compression)
{
    Sink sink = {};
    sink.file = stdout;
    std::string error = encode(sink, width, height, format, rows, compression);
    if (error.empty() && fflush(stdout) != 0)
        error = writeError(errno);
    return error;
}

// Writes into the file at path itself: opened, truncated, written.
std::string writeInPlace(const std::string& path, int32_t width, int32_t height, const PngFormat& format,
                         PackedRows& rows, PngCompression compression)
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
    std::string error = encode(sink, width, height, format, rows, compression);
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
                     PackedRows& rows, PngTarget target, PngCompression compression)
{
    if (path == "-")
        return writeToStandardOutput(width, height, format, rows, compression);
    if (target == PngTarget::inPlace)
        return writeInPlace(path, width, height, format, rows, compression);

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
        error = encode(sink, width, height, format, rows, compression);
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
