// The platform edge of the command-line renderer on a POSIX system: the
// document's file and page services, over the C library and mmap (the object
// heap is native_globals.cpp). The renderer reads its files itself (document_loader.cpp), for
// error messages that say why; the file services here serve TextDocument's
// own loading path.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/document_storage.h"

// A page block starts with its own size, so that it can be given back whole.
static const size_t pageHeader = 64;

void* allocatePages(size_t size)
{
    if (size > SIZE_MAX - pageHeader)
        return nullptr;
    void* block = mmap(nullptr, size + pageHeader, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return nullptr;
    *(size_t*)block = size + pageHeader;
    return (uint8_t*)block + pageHeader;
}

void freePages(void* block)
{
    if (!block)
        return;
    uint8_t* start = (uint8_t*)block - pageHeader;
    munmap(start, *(size_t*)start);
}

struct DocumentFile {
    int descriptor;
};

DocumentFile* openDocumentFile(const char* fileName)
{
    int descriptor = open(fileName, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    struct stat info;
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(descriptor);
        return nullptr;
    }
    DocumentFile* file = (DocumentFile*)malloc(sizeof(DocumentFile));
    if (!file) {
        close(descriptor);
        return nullptr;
    }
    file->descriptor = descriptor;
    return file;
}

uint8_t getDocumentFileSize(DocumentFile* file, uint64_t* size)
{
    struct stat info;
    if (fstat(file->descriptor, &info) != 0 || info.st_size < 0)
        return 0;
    *size = (uint64_t)info.st_size;
    return 1;
}

void readDocumentFile(DocumentFile* file, uint8_t* destination, uint32_t length)
{
    uint32_t done = 0;
    while (done < length) {
        ssize_t got = read(file->descriptor, destination + done, length - done);
        if (got <= 0)
            break;
        done += (uint32_t)got;
    }
}

void closeDocumentFile(DocumentFile* file)
{
    close(file->descriptor);
    free(file);
}

void reportLoadFailure(const char* message)
{
    fprintf(stderr, "tavelin-render: %s\n", message);
}
