// Loading a file for the renderer (document_loader.h).
#include "render/document_loader.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/document_storage.h"
#include "document/line_table.h"
#include "document/text_document.h"
#include "document/text_reading.h"

namespace {

// The text buffer's room behind the bytes, as the document wants it.
const uint32_t textPadding = 5;

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

// Standard input, which has no size to ask for: read into a block that
// doubles as it fills.
LoadedText readStandardInput()
{
    LoadedText result = {};
    uint64_t capacity = 1 << 16;
    uint8_t* buffer = (uint8_t*)allocatePages(capacity + textPadding);
    uint64_t length = 0;
    while (buffer) {
        if (length == capacity) {
            if (capacity == maxDocumentLength) {
                freePages(buffer);
                result.error = "too large: files of up to 2 GB are rendered";
                return result;
            }
            capacity = capacity * 2 < maxDocumentLength ? capacity * 2 : maxDocumentLength;
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
            result.error = "unreadable";
            return result;
        }
        if (got == 0)
            break;
        length += (uint64_t)got;
    }
    if (!buffer) {
        result.error = "not enough memory to load it";
        return result;
    }
    result.buffer = buffer;
    result.length = (uint32_t)length;
    return result;
}

LoadedText readFile(const char* path)
{
    LoadedText result = {};
    int descriptor = open(path, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        result.error = openError(errno);
        return result;
    }
    struct stat info;
    if (fstat(descriptor, &info) != 0)
        result.error = "unreadable";
    else if (S_ISDIR(info.st_mode))
        result.error = "is a directory";
    else if (!S_ISREG(info.st_mode))
        result.error = "not a regular file";
    else if ((uint64_t)info.st_size > maxDocumentLength)
        result.error = "too large: files of up to 2 GB are rendered";
    if (result.error) {
        close(descriptor);
        return result;
    }
    uint32_t length = (uint32_t)info.st_size;
    uint8_t* buffer = (uint8_t*)allocatePages((size_t)length + textPadding);
    if (!buffer) {
        close(descriptor);
        result.error = "not enough memory to load it";
        return result;
    }
    bool complete = readAll(descriptor, buffer + 1, length);
    close(descriptor);
    if (!complete) {
        freePages(buffer);
        result.error = "unreadable: the file could not be read to its end";
        return result;
    }
    result.buffer = buffer;
    result.length = length;
    return result;
}

}  // namespace

LoadedText loadText(const char* path, EncodingChoice choice)
{
    LoadedText text = strcmp(path, "-") == 0 ? readStandardInput() : readFile(path);
    if (text.buffer)
        text.length = readDocumentText(text.buffer, text.length, choice, false, &text.reading);
    return text;
}

LoadedDocument loadDocument(const char* path, EncodingChoice choice)
{
    LoadedText text = loadText(path, choice);
    if (!text.buffer)
        return failed(text.error);
    LoadedDocument result = {};
    result.reading = text.reading;
    TextDocument* document = new TextDocument();
    if (!document) {
        freePages(text.buffer);
        return failed("not enough memory to load it");
    }
    if (document->adoptText(text.buffer, text.length)) {
        delete document;
        return failed("not enough memory to load it");
    }
    result.document = document;
    return result;
}
