// The few C library functions the compiler may call on its own: block fills
// and copies, and the length of a string (it recognises a scan for the zero
// byte as one). The program links no C runtime, so they live here, written with
// the string instructions so that the compiler cannot turn them back into
// calls to themselves (this file is also built with -fno-builtin).
#include <stddef.h>

extern "C" {

void* memset(void* destination, int value, size_t count)
{
    void* d = destination;
    __asm__ volatile("rep stosb" : "+D"(d), "+c"(count) : "a"(value) : "memory");
    return destination;
}

void* memcpy(void* destination, const void* source, size_t count)
{
    void* d = destination;
    __asm__ volatile("rep movsb" : "+D"(d), "+S"(source), "+c"(count) : : "memory");
    return destination;
}

void* memmove(void* destination, const void* source, size_t count)
{
    unsigned char* d = (unsigned char*)destination;
    const unsigned char* s = (const unsigned char*)source;
    if (d <= s || d >= s + count)
        return memcpy(destination, source, count);
    // Overlapping with the destination above the source: copy backwards.
    d += count - 1;
    s += count - 1;
    __asm__ volatile("std\n\trep movsb\n\tcld" : "+D"(d), "+S"(s), "+c"(count) : : "memory");
    return destination;
}

size_t strlen(const char* text)
{
    const char* end = text;
    size_t count = ~(size_t)0;
    __asm__ volatile("repne scasb" : "+D"(end), "+c"(count) : "a"(0) : "memory");
    return ~count - 1;
}

int memcmp(const void* a, const void* b, size_t count)
{
    const unsigned char* x = (const unsigned char*)a;
    const unsigned char* y = (const unsigned char*)b;
    for (size_t i = 0; i < count; ++i) {
        if (x[i] != y[i])
            return x[i] < y[i] ? -1 : 1;
    }
    return 0;
}

}  // extern "C"
