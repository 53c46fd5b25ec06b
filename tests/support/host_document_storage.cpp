// Native stand-in for the document's file, memory and message services: POSIX
// files, calloc'ed blocks (so the sanitizers see every byte of them) and a
// record of the failure messages instead of a message box.
#include "tests/support/host_document_storage.h"

#include <fcntl.h>
#include <malloc.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/document_storage.h"

HostDocumentStorage hostDocumentStorage;

struct DocumentFile {
    int descriptor;
};

void resetHostDocumentStorage()
{
    hostDocumentStorage.failureCount = 0;
    hostDocumentStorage.lastFailure = nullptr;
    hostDocumentStorage.failAllocation = 0;
    hostDocumentStorage.peakBytes = hostDocumentStorage.bytesInUse;
}

DocumentFile* openDocumentFile(const char* fileName)
{
    const int descriptor = open(fileName, O_RDONLY);
    if (descriptor < 0)
        return nullptr;
    // Only regular files open on Windows without special flags.
    struct stat status;
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(descriptor);
        return nullptr;
    }
    DocumentFile* file = (DocumentFile*)malloc(sizeof(DocumentFile));
    file->descriptor = descriptor;
    return file;
}

uint8_t getDocumentFileSize(DocumentFile* file, uint64_t* size)
{
    struct stat status;
    if (fstat(file->descriptor, &status) != 0)
        return 0;
    *size = (uint64_t)status.st_size;
    return 1;
}

void readDocumentFile(DocumentFile* file, uint8_t* destination, uint32_t length)
{
    // read() may stop short of a large request; keep going as one read would.
    while (length > 0) {
        const ssize_t got = read(file->descriptor, destination, length);
        if (got <= 0)
            return;
        destination += got;
        length -= (uint32_t)got;
    }
}

void closeDocumentFile(DocumentFile* file)
{
    close(file->descriptor);
    free(file);
}

void* allocatePages(size_t size)
{
    if (hostDocumentStorage.failAllocation > 0 && --hostDocumentStorage.failAllocation == 0)
        return nullptr;
    void* block = calloc(1, size);
    if (!block)
        return nullptr;
    ++hostDocumentStorage.blocksInUse;
    hostDocumentStorage.bytesInUse += malloc_usable_size(block);
    if (hostDocumentStorage.bytesInUse > hostDocumentStorage.peakBytes)
        hostDocumentStorage.peakBytes = hostDocumentStorage.bytesInUse;
    return block;
}

void freePages(void* block)
{
    if (!block)
        return;
    --hostDocumentStorage.blocksInUse;
    hostDocumentStorage.bytesInUse -= malloc_usable_size(block);
    free(block);
}

void reportLoadFailure(const char* message)
{
    ++hostDocumentStorage.failureCount;
    hostDocumentStorage.lastFailure = message;
}
