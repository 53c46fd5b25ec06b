// The 100 MB .nfo file that the load and memory figures use, written once and
// kept: 40 to 80 columns a line of block and box-drawing characters with
// spaces and some words between them, some lines indented with a tab, CR LF
// line ends. The numbers come from a fixed generator, so every machine (and
// the native and Windows builds alike) gets the same bytes. Beside it, the
// same lines saved as UTF-8, for the load of a converted file.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include <string>

#include "document/cp437.h"
#include "document/utf8_encoder.h"

namespace benchfile {

const long long size = 100ll << 20;

// Where the native build keeps it; the Windows build uses its temp folder.
const char hostPath[] = "/tmp/tavelin-bench-100mb.nfo";
const char hostUtf8Path[] = "/tmp/tavelin-bench-100mb-utf8.nfo";

struct Lcg {
    uint32_t state;
    uint32_t next(uint32_t bound)
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    }
};

inline std::string makeLine(Lcg& random)
{
    static const uint8_t art[] = { 0xDB, 0xDC, 0xDF, 0xDD, 0xDE, 0xB0, 0xB1, 0xB2, 0xC4, 0xCD,
                                   0xB3, 0xBA, 0xC9, 0xBB, 0xC8, 0xBC, 0xDA, 0xBF, 0xC0, 0xD9 };
    static const char* const words[] = { "release", "group", "greets", "date", "size", "crack", "notes" };
    std::string line;
    if (random.next(8) == 0)
        line += '\t';
    const size_t width = 40 + random.next(41);
    while (line.size() < width) {
        switch (random.next(4)) {
        case 0: line.append(1 + random.next(6), ' '); break;
        case 1: line += words[random.next(7)]; break;
        default:
            for (uint32_t n = 1 + random.next(8); n > 0; --n)
                line += (char)art[random.next(sizeof art)];
        }
    }
    line.resize(width);
    return line + "\r\n";
}

// A line's characters as UTF-8, the line end kept.
inline std::string toUtf8(const std::string& line)
{
    std::string out;
    for (unsigned char byte : line)
        appendUtf8(out, byte == '\r' || byte == '\n' || byte == '\t' ? byte : cp437ToUnicode(byte));
    return out;
}

// True when the file at path holds at least `size` bytes, writing it first
// (as UTF-8 when asked) when it does not.
inline bool ready(const char* path, bool utf8 = false)
{
    FILE* existing = fopen(path, "rb");
    if (existing) {
        fseek(existing, 0, SEEK_END);
        const long long have = (long long)ftell(existing);
        fclose(existing);
        if (have >= size)
            return true;
    }
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    Lcg random = { 12345 };
    long long written = 0;
    while (written < size) {
        const std::string line = utf8 ? toUtf8(makeLine(random)) : makeLine(random);
        fwrite(line.data(), 1, line.size(), file);
        written += (long long)line.size();
    }
    return fclose(file) == 0;
}

}  // namespace benchfile
