// One character as UTF-8, appended to a string or a byte vector: what the
// renderer writes for --text, and how the tests, fuzz targets and benchmarks
// make UTF-8 copies of code page 437 art to read back.
#pragma once

#include <stdint.h>

template <class Bytes>
void appendUtf8(Bytes& out, uint32_t c)
{
    if (c < 0x80) {
        out.push_back((char)c);
    } else if (c < 0x800) {
        out.push_back((char)(0xC0 | c >> 6));
        out.push_back((char)(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back((char)(0xE0 | c >> 12));
        out.push_back((char)(0x80 | (c >> 6 & 0x3F)));
        out.push_back((char)(0x80 | (c & 0x3F)));
    } else {
        out.push_back((char)(0xF0 | c >> 18));
        out.push_back((char)(0x80 | (c >> 12 & 0x3F)));
        out.push_back((char)(0x80 | (c >> 6 & 0x3F)));
        out.push_back((char)(0x80 | (c & 0x3F)));
    }
}
