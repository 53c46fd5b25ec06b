// The process globals and the object heap of the native builds (the
// renderer, and the native tests, benchmarks and fuzzers): the portable code
// allocates its objects through allocObject as in the program, here from the
// C heap, zero-filled.
#include <stdlib.h>

#include "app/globals.h"

void* processHeap;
HINSTANCE__* appInstance;

void* allocObject(size_t size)
{
    return calloc(1, size);
}

void freeObject(void* block)
{
    free(block);
}
