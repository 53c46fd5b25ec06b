// What a TextDocument needs from the system: reading a file whole, blocks of
// zero-filled pages for its text and its line table, and a message to the user
// when a file cannot be loaded. The program gets these from
// document_storage_win32.cpp and load_failure_win32.cpp (the Explorer DLL has
// a silent reportLoadFailure of its own); native builds from a stand-in of the
// tests.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct DocumentFile;    // an open file; null stands for none

// Opens an existing file for reading, others may read it too; null when that
// fails for whatever reason.
DocumentFile* openDocumentFile(const char* fileName);

// The file's full size in bytes. Returns 0 when it cannot be had, else 1.
uint8_t getDocumentFileSize(DocumentFile* file, uint64_t* size);

// Reads up to `length` bytes from the start of the file into `destination`
// with one read; a short or failed read leaves the rest as it was.
void readDocumentFile(DocumentFile* file, uint8_t* destination, uint32_t length);

void closeDocumentFile(DocumentFile* file);

// A block of committed, zero-filled, read-write pages, or null.
void* allocatePages(size_t size);
// Gives a block from allocatePages back in full; null is ignored.
void freePages(void* block);

// Tells the user why a file was not loaded and waits until it has been read.
void reportLoadFailure(const char* message);
