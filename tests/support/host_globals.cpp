// Native stand-in for the process globals and the object heap: the portable
// code allocates its objects through allocObject as in the program.
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
