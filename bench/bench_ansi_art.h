// Generated ANSI art for the speed figures of ANSI files, written the way
// art editors write it: ESC[..m before most cells (bold for the bright
// foregrounds, a reset when it goes off), ESC[nC over runs of blank cells,
// no line end after a full row (the cursor wraps there), CR LF after the
// others, ESC[0m, 0x1A and a SAUCE record that gives the width. Beside each
// file, an .nfo file of the same glyphs: the same picture size and line
// count, drawn in two colours. The numbers come from a fixed generator, so
// every machine gets the same bytes.
#pragma once

#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "bench/bench_file.h"

namespace ansiart {

const int fileCount = 100;
const char directory[] = "/tmp/tavelin-bench-ansi";
// The large file of the reading figures: 80 columns of the same art.
const char largePath[] = "/tmp/tavelin-bench-100mb.ans";
const long long largeSize = 100ll << 20;

struct Cell {
    uint8_t glyph;
    uint8_t fore;       // VGA colour 0-15
    uint8_t back;       // VGA colour 0-7
};

inline bool blank(const Cell& cell)
{
    return cell.glyph == ' ' && cell.back == 0;
}

// Colour ramps of logos and shading, dark to bright, and the backgrounds
// that go with them.
const uint8_t ramps[5][4] = { { 1, 9, 11, 15 }, { 4, 12, 14, 15 }, { 2, 10, 14, 15 }, { 5, 13, 15, 7 },
                              { 8, 7, 15, 15 } };
const uint8_t rampBacks[5] = { 1, 4, 2, 5, 0 };

// One row of art: runs of shaded blocks in a ramp's colours, words, blanks.
inline void makeRow(benchfile::Lcg& random, Cell* row, int32_t width, int hue)
{
    static const uint8_t shades[] = { 0xB0, 0xB1, 0xB2, 0xDB, 0xDB, 0xDC, 0xDF, 0xDD, 0xDE, 0xFE, 0xF9 };
    static const char* const words[] = { "release", "group", "greets", "date", "size", "crew", "notes" };
    for (int32_t x = 0; x < width; ++x)
        row[x] = { ' ', 7, 0 };
    if (random.next(30) == 0)
        return;
    const int32_t end = random.next(4) == 0 ? width / 2 + (int32_t)random.next((uint32_t)width / 2) : width;
    int32_t x = (int32_t)random.next(4);
    while (x < end) {
        const uint32_t kind = random.next(6);
        if (kind == 0) {
            x += 1 + (int32_t)random.next(10);
        } else if (kind == 1) {
            const char* word = words[random.next(7)];
            const uint8_t fore = (uint8_t)(random.next(2) ? 15 : 7);
            for (; *word && x < end; ++word, ++x)
                row[x] = { (uint8_t)*word, fore, 0 };
            ++x;
        } else {
            const uint8_t back = random.next(3) ? rampBacks[hue] : 0;
            int32_t level = (int32_t)random.next(4);
            for (uint32_t n = 2 + random.next(15); n > 0 && x < end; --n, ++x) {
                level += (int32_t)random.next(3) - 1;
                level = level < 0 ? 0 : level > 3 ? 3 : level;
                row[x] = { shades[random.next(sizeof shades)], ramps[hue][level], back };
            }
        }
    }
}

// The attributes an editor has set so far.
struct Pen {
    uint8_t fore;
    uint8_t back;
};

// ANSI colour number of a VGA colour (the same swap both ways).
const uint8_t ansiOfVga[8] = { 0, 4, 2, 6, 1, 5, 3, 7 };

inline void appendNumber(std::string& out, int value)
{
    char digits[12];
    snprintf(digits, sizeof digits, "%d", value);
    out += digits;
}

inline void appendColors(std::string& out, Pen& pen, const Cell& cell)
{
    if (pen.fore == cell.fore && pen.back == cell.back)
        return;
    std::string codes;
    auto add = [&codes](int value) {
        if (!codes.empty())
            codes += ';';
        appendNumber(codes, value);
    };
    if (pen.fore >= 8 && cell.fore < 8) {
        add(0);
        pen = { 7, 0 };
    }
    if (cell.fore >= 8 && pen.fore < 8)
        add(1);
    if ((pen.fore & 7) != (cell.fore & 7))
        add(30 + ansiOfVga[cell.fore & 7]);
    if (pen.back != cell.back)
        add(40 + ansiOfVga[cell.back]);
    out += "\x1b[";
    out += codes;
    out += 'm';
    pen = { cell.fore, cell.back };
}

// A row as an editor writes it.
inline void appendRow(std::string& out, Pen& pen, const Cell* row, int32_t width)
{
    int32_t last = width - 1;
    while (last >= 0 && blank(row[last]))
        --last;
    for (int32_t x = 0; x <= last;) {
        if (blank(row[x])) {
            int32_t run = 1;
            while (blank(row[x + run]))
                ++run;
            if (run == 1 && pen.back == 0) {
                out += ' ';
            } else {
                out += "\x1b[";
                appendNumber(out, run);
                out += 'C';
            }
            x += run;
            continue;
        }
        appendColors(out, pen, row[x]);
        out += (char)row[x].glyph;
        ++x;
    }
    if (last < width - 1)
        out += "\r\n";
}

// A row's glyphs as a line of an .nfo file, trailing blanks left out, at
// least `least` columns long.
inline void appendLine(std::string& out, const Cell* row, int32_t width, int32_t least)
{
    int32_t end = width;
    while (end > least && row[end - 1].glyph == ' ')
        --end;
    for (int32_t x = 0; x < end; ++x)
        out += (char)row[x].glyph;
    out += "\r\n";
}

inline void putLittleEndian(std::string& record, size_t at, uint32_t value, int bytes)
{
    for (int k = 0; k < bytes; ++k)
        record[at + (size_t)k] = (char)(value >> (8 * k));
}

// 0x1A and a SAUCE record of ANSi character data `width` columns wide.
inline std::string sauceRecord(int32_t width, int32_t rows, uint32_t fileSize)
{
    std::string record(128, ' ');
    memcpy(&record[0], "SAUCE00", 7);
    memcpy(&record[7], "generated art", 13);
    memcpy(&record[82], "20261209", 8);
    putLittleEndian(record, 90, fileSize, 4);
    record[94] = 1;
    record[95] = 1;
    putLittleEndian(record, 96, (uint32_t)width, 2);
    putLittleEndian(record, 98, rows > 0xFFFF ? 0 : (uint32_t)rows, 2);
    putLittleEndian(record, 100, 0, 4);
    record[104] = 0;
    record[105] = 0;
    std::string font(22, '\0');
    memcpy(&font[0], "IBM VGA", 7);
    record.replace(106, 22, font);
    return "\x1a" + record;
}

inline bool writeFile(const std::string& path, const std::string& bytes)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}

inline std::string pathOf(int index, const char* extension)
{
    char name[64];
    snprintf(name, sizeof name, "/art-%03d.%s", index, extension);
    return directory + std::string(name);
}

// An .nfo file of `size` bytes in `lines` lines, its glyphs those of `art`
// over and over: the twin of an ANSI file of that size and line count.
inline std::string sameBytes(const std::string& art, size_t size, int32_t lines)
{
    std::string glyphs;
    for (char c : art)
        if (c != '\r' && c != '\n')
            glyphs += c;
    const size_t perLine = size / (size_t)lines > 2 ? size / (size_t)lines - 2 : 1;
    std::string out;
    for (int32_t y = 0; y < lines; ++y) {
        for (size_t x = 0; x < perLine; ++x)
            out += glyphs[(y * perLine + x) % glyphs.size()];
        out += "\r\n";
    }
    return out;
}

// Writes the 100 pairs: art-NNN.ans and art-NNN.nfo, and art-NNN.bytes.nfo,
// an .nfo file of the ANSI file's size and line count. One in five is 160
// columns wide, the others 80; 24 to 400 rows.
inline bool writeFiles()
{
    mkdir(directory, 0755);
    for (int index = 0; index < fileCount; ++index) {
        benchfile::Lcg random = { 1000u + (uint32_t)index };
        const int32_t width = index % 5 == 4 ? 160 : 80;
        const int32_t rows = 24 + (int32_t)random.next(377);
        std::vector<Cell> row((size_t)width + 1);
        std::string ansi = "\x1b[0m";
        std::string nfo;
        Pen pen = { 7, 0 };
        int hue = 0;
        for (int32_t y = 0; y < rows; ++y) {
            if (random.next(8) == 0)
                hue = (int)random.next(5);
            makeRow(random, row.data(), width, hue);
            // The last row is never blank, so both files end on the same row.
            if (y == rows - 1)
                row[0] = { 0xDB, 9, 0 };
            row[(size_t)width] = { 'x', 0, 0 };    // ends a blank run
            appendRow(ansi, pen, row.data(), width);
            appendLine(nfo, row.data(), width, y == 0 ? width : 0);
        }
        ansi += "\x1b[0m";
        const uint32_t size = (uint32_t)ansi.size();
        ansi += sauceRecord(width, rows, size);
        if (!writeFile(pathOf(index, "ans"), ansi) || !writeFile(pathOf(index, "nfo"), nfo) ||
            !writeFile(pathOf(index, "bytes.nfo"), sameBytes(nfo, ansi.size(), rows)))
            return false;
    }
    return true;
}

// True when the large file holds at least largeSize bytes, writing it
// first when it does not.
inline bool largeReady()
{
    struct stat status;
    if (stat(largePath, &status) == 0 && status.st_size >= largeSize)
        return true;
    FILE* file = fopen(largePath, "wb");
    if (!file)
        return false;
    benchfile::Lcg random = { 4242 };
    const int32_t width = 80;
    std::vector<Cell> row((size_t)width + 1);
    std::string chunk = "\x1b[0m";
    Pen pen = { 7, 0 };
    long long written = 0;
    int32_t rows = 0;
    int hue = 0;
    while (written + (long long)chunk.size() < largeSize) {
        if (random.next(8) == 0)
            hue = (int)random.next(5);
        makeRow(random, row.data(), width, hue);
        row[(size_t)width] = { 'x', 0, 0 };
        appendRow(chunk, pen, row.data(), width);
        ++rows;
        if (chunk.size() >= (1 << 20)) {
            fwrite(chunk.data(), 1, chunk.size(), file);
            written += (long long)chunk.size();
            chunk.clear();
        }
    }
    chunk += "\x1b[0m";
    written += (long long)chunk.size();
    chunk += sauceRecord(width, rows, (uint32_t)written);
    fwrite(chunk.data(), 1, chunk.size(), file);
    return fclose(file) == 0;
}

}  // namespace ansiart
