// Loading a file for the renderer (document_loader.h).
#include "render/document_loader.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/document_storage.h"
#include "document/line_table.h"

namespace {

const char tooLarge[] = "too large: files of up to 2 GB are rendered";
const char noMemory[] = "not enough memory to load it";

const char* openError(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR: return "not found";
    case EACCES:
    case EPERM: return "unreadable: permission denied";
    case ELOOP: return "not found: too many symbolic links";
    case ENAMETOOLONG: return "not found: the name is too long";
    default: return "unreadable";
    }
}

// A file's bytes as read, at positions 1 to length of a zero-filled block.
struct FileBytes {
    uint8_t* buffer;            // null on failure; free with freePages
    uint32_t length;
    bool prefix;                // only the start of a longer file
    const char* error;
    SauceRecord sauce;          // of a prefix: the record at the file's end
};

FileBytes failed(const char* error)
{
    FileBytes result = {};
    result.error = error;
    return result;
}

// Reads length bytes from the descriptor into destination; false on a read
// error or when the file ends early.
bool readAll(int descriptor, uint8_t* destination, uint32_t length)
{
    uint32_t done = 0;
    while (done < length) {
        ssize_t got = read(descriptor, destination + done, length - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += (uint32_t)got;
    }
    return true;
}

// Standard input, which has no size to ask for: read into a block that
// doubles as it fills, up to `limit` bytes.
FileBytes readStandardInput(uint64_t limit)
{
    FileBytes result = {};
    const uint64_t most = limit < maxDocumentLength ? limit : maxDocumentLength;
    uint64_t capacity = most < (1 << 16) ? most : (1 << 16);
    uint8_t* buffer = (uint8_t*)allocatePages(capacity + textPadding);
    uint64_t length = 0;
    while (buffer) {
        if (length == capacity) {
            if (capacity == most) {
                // Full: a prefix when that was asked for, else too much.
                if (most == limit) {
                    result.prefix = true;
                    break;
                }
                freePages(buffer);
                return failed(tooLarge);
            }
            capacity = capacity * 2 < most ? capacity * 2 : most;
            uint8_t* larger = (uint8_t*)allocatePages(capacity + textPadding);
            if (larger)
                memcpy(larger, buffer, length + 1);
            freePages(buffer);
            buffer = larger;
            continue;
        }
        ssize_t got = read(STDIN_FILENO, buffer + 1 + length, capacity - length);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            freePages(buffer);
            return failed("unreadable");
        }
        if (got == 0)
            break;
        length += (uint64_t)got;
    }
    if (!buffer)
        return failed(noMemory);
    result.buffer = buffer;
    result.length = (uint32_t)length;
    return result;
}

// The whole file, or its first `limit` bytes when it is longer.
FileBytes readBytes(const char* path, uint64_t limit)
{
    if (strcmp(path, "-") == 0)
        return readStandardInput(limit);
    int descriptor = open(path, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return failed(openError(errno));
    struct stat info;
    const char* error = nullptr;
    if (fstat(descriptor, &info) != 0)
        error = "unreadable";
    else if (S_ISDIR(info.st_mode))
        error = "is a directory";
    else if (!S_ISREG(info.st_mode))
        error = "not a regular file";
    bool prefix = !error && (uint64_t)info.st_size > limit;
    if (!error && !prefix && (uint64_t)info.st_size > maxDocumentLength)
        error = tooLarge;
    if (error) {
        close(descriptor);
        return failed(error);
    }
    uint32_t length = (uint32_t)(prefix ? limit : (uint64_t)info.st_size);
    uint8_t* buffer = (uint8_t*)allocatePages((size_t)length + textPadding);
    if (!buffer) {
        close(descriptor);
        return failed(noMemory);
    }
    bool complete = readAll(descriptor, buffer + 1, length);
    uint8_t record[128];
    SauceRecord sauce = {};
    if (complete && prefix && pread(descriptor, record, sizeof record, info.st_size - (off_t)sizeof record) ==
                                  (ssize_t)sizeof record)
        sauce = readSauceRecord(record);
    close(descriptor);
    if (!complete) {
        freePages(buffer);
        return failed("unreadable: the file could not be read to its end");
    }
    FileBytes result = { buffer, length, prefix, nullptr, sauce };
    return result;
}

LoadedDocument load(const char* path, EncodingChoice choice, uint64_t limit, const ArtChoice& art)
{
    FileBytes bytes = readBytes(path, limit);
    if (!bytes.buffer) {
        LoadedDocument result = {};
        result.error = bytes.error;
        return result;
    }
    const char* name = strcmp(path, "-") == 0 ? nullptr : path;
    return documentFromBytes(bytes.buffer, bytes.length, choice, bytes.prefix, name, art, &bytes.sauce);
}

}  // namespace

LoadedDocument loadDocument(const char* path, EncodingChoice choice, const ArtChoice& art)
{
    return load(path, choice, UINT64_MAX, art);
}

LoadedDocument loadDocumentPrefix(const char* path, EncodingChoice choice, uint32_t limit, const ArtChoice& art)
{
    return load(path, choice, limit < maxDocumentLength ? limit : maxDocumentLength, art);
}

LoadedText loadText(const char* path, EncodingChoice choice)
{
    FileBytes bytes = readBytes(path, UINT64_MAX);
    LoadedText text = { bytes.buffer, bytes.length, bytes.error, {} };
    if (text.buffer)
        text.length = readDocumentText(text.buffer, text.length, choice, false, &text.reading);
    return text;
}
