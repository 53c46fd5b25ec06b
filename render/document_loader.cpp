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

LoadedDocument failed(const char* error)
{
    LoadedDocument result = {};
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

}  // namespace

LoadedDocument loadDocument(const char* path, EncodingChoice choice)
{
    int descriptor = open(path, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return failed(openError(errno));
    struct stat info;
    if (fstat(descriptor, &info) != 0) {
        close(descriptor);
        return failed("unreadable");
    }
    if (S_ISDIR(info.st_mode)) {
        close(descriptor);
        return failed("is a directory");
    }
    if (!S_ISREG(info.st_mode)) {
        close(descriptor);
        return failed("not a regular file");
    }
    if ((uint64_t)info.st_size > maxDocumentLength) {
        close(descriptor);
        return failed("too large: files of up to 2 GB are rendered");
    }
    uint32_t length = (uint32_t)info.st_size;
    uint8_t* buffer = (uint8_t*)allocatePages((size_t)length + documentTextPadding);
    if (!buffer) {
        close(descriptor);
        return failed("not enough memory to load it");
    }
    bool complete = readAll(descriptor, buffer + 1, length);
    close(descriptor);
    if (!complete) {
        freePages(buffer);
        return failed("unreadable: the file could not be read to its end");
    }

    return documentFromBytes(buffer, length, choice, false);
}
