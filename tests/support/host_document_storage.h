// Native stand-in for the document's file, memory and message services, with
// the hooks the tests use: the messages the user would have seen, the page
// blocks still held and their bytes, and a page allocation made to fail on
// purpose.
#pragma once

#include <stddef.h>

struct HostDocumentStorage {
    int failureCount;           // messages reported since the last reset
    const char* lastFailure;    // the latest of them, or null
    int blocksInUse;            // page blocks obtained and not yet given back
    int failAllocation;         // n > 0: the n-th allocation from now yields null
    size_t bytesInUse;          // bytes of the page blocks held
    size_t peakBytes;           // the most held at once since the last reset
};

extern HostDocumentStorage hostDocumentStorage;

// Forgets the messages and any pending allocation failure.
void resetHostDocumentStorage();
