// The process globals and the object heap on top of the Win32 process heap.
#include "app/globals.h"

#include <windows.h>

void* processHeap;
HINSTANCE__* appInstance;

void* allocObject(size_t size)
{
    return HeapAlloc(processHeap, HEAP_ZERO_MEMORY, size);
}

void freeObject(void* block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}
