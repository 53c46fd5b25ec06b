// Process-wide globals and the object heap.
//
// The program has no C runtime: the entry point fetches the process heap and
// the module handle itself and stores them here before anything else runs.
// Every object of the program (TextDocument, ScrollView, FrameWindow) comes
// from allocObject, zero-filled, and goes back through freeObject; the classes
// route their operator new/delete here so that `new` of a class yields null,
// without running the constructor, when the heap is exhausted.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <new>

struct HINSTANCE__;

extern void* processHeap;           // the process heap, from GetProcessHeap
extern HINSTANCE__* appInstance;    // the program's module, for classes and resources

void* allocObject(size_t size);     // zero-filled block from processHeap, or null
void freeObject(void* block);       // null is ignored

// Class-level allocation for the program's objects: zero-filled, null on
// failure (noexcept makes the new-expression skip the constructor then).
#define TAVELIN_HEAP_OBJECT                                                   \
    static void* operator new(size_t size) noexcept { return allocObject(size); } \
    static void operator delete(void* block) noexcept { freeObject(block); }
