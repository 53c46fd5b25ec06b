// The document's file and memory services on the Win32 API: files through
// CreateFileA and one ReadFile, text and line table as committed pages from
// VirtualAlloc. The viewer's message box is in load_failure_win32.cpp.
#include "document/document_storage.h"

#include <windows.h>

DocumentFile* openDocumentFile(const char* fileName)
{
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    return file == INVALID_HANDLE_VALUE ? nullptr : (DocumentFile*)file;
}

uint8_t getDocumentFileSize(DocumentFile* file, uint64_t* size)
{
    DWORD high = 0;
    const DWORD low = GetFileSize((HANDLE)file, &high);
    // INVALID_FILE_SIZE is also the low word of some real sizes; only the
    // error code tells them apart.
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return 0;
    *size = (uint64_t)high << 32 | low;
    return 1;
}

void readDocumentFile(DocumentFile* file, uint8_t* destination, uint32_t length)
{
    DWORD bytesRead = 0;
    ReadFile((HANDLE)file, destination, length, &bytesRead, NULL);
}

void closeDocumentFile(DocumentFile* file)
{
    CloseHandle((HANDLE)file);
}

void* allocatePages(size_t size)
{
    return VirtualAlloc(NULL, size, MEM_COMMIT, PAGE_READWRITE);
}

void freePages(void* block)
{
    if (block)
        VirtualFree(block, 0, MEM_RELEASE);
}
