// A batch of NFO files of real sizes for the renderer's batch figure: 60 to 80
// columns, 50 to 400 lines, as release and art-pack NFOs are laid out: a logo
// of block and shade characters, frames of box-drawing characters around
// sections of text, lines of "label ....: value", paragraphs, blank lines.
// The numbers come from a fixed generator, so every machine writes the same
// files. Beside them, a colour picture of the same kind for the colour
// figures: cells of the 16 VGA colours with glyph-like detail.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

namespace nfobatch {

struct Lcg {
    uint32_t state;
    uint32_t next(uint32_t bound)
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    }
};

const int files = 100;

inline std::string centred(const std::string& text, size_t width)
{
    size_t pad = text.size() < width ? (width - text.size()) / 2 : 0;
    return std::string(pad, ' ') + text;
}

inline std::string words(Lcg& random, size_t length)
{
    static const char* const vocabulary[] = { "the", "release", "group", "is", "proud", "to", "present",
                                              "another", "quality", "title", "for", "your", "collection",
                                              "greets", "go", "out", "to", "all", "our", "friends", "and",
                                              "members", "install", "notes", "unpack", "burn", "play",
                                              "enjoy", "support", "the", "developers", "if", "you", "like" };
    std::string text;
    while (text.size() < length) {
        if (!text.empty())
            text += ' ';
        text += vocabulary[random.next(sizeof vocabulary / sizeof *vocabulary)];
    }
    text.resize(length);
    return text;
}

// One file's text, CR LF line ends.
inline std::string makeNfo(uint32_t seed)
{
    Lcg random = { seed * 2654435761u + 7 };
    const size_t width = 60 + random.next(21);
    const size_t lines = 50 + random.next(351);
    std::vector<std::string> out;
    // The logo: letters of full and half blocks with a shade edge.
    const size_t logoLines = 6 + random.next(10);
    const size_t letters = 4 + random.next(6);
    std::vector<uint32_t> shapes;
    for (size_t i = 0; i < letters; ++i)
        shapes.push_back(random.next(0x10000));
    const size_t indent = 2 + random.next(3);
    for (size_t y = 0; y < logoLines; ++y) {
        std::string line(indent, ' ');
        for (size_t i = 0; i < letters && line.size() + 9 < width; ++i) {
            const uint32_t shape = shapes[i] >> (y * 4 / logoLines) * 4;
            bool before = false;
            for (int x = 0; x < 6; ++x) {
                const bool on = x < 5 && ((shape >> (x % 4)) & 1);
                line += on ? (y == 0 ? '\xDC' : y + 1 == logoLines ? '\xDF' : '\xDB')
                           : before ? (char)(0xB0 + (shapes[i] + y) % 3) : ' ';
                before = on;
            }
            line += random.next(3) == 0 ? "\xDE " : "  ";
        }
        out.push_back(line);
    }
    out.push_back("");
    out.push_back(centred("\xDF\xDF\xDF  " + words(random, 20 + random.next(20)) + "  \xDF\xDF\xDF", width));
    out.push_back("");
    // Sections until the file has its lines.
    while (out.size() < lines) {
        const size_t inner = width - 4;
        const bool doubled = random.next(2) == 0;
        const char h = doubled ? '\xCD' : '\xC4', v = doubled ? '\xBA' : '\xB3';
        out.push_back(std::string("  ") + (doubled ? '\xC9' : '\xDA') + std::string(inner - 2, h) +
                      (doubled ? '\xBB' : '\xBF'));
        out.push_back(std::string("  ") + v + centred(words(random, 8 + random.next(12)), inner - 2));
        out.back().resize(width - 3, ' ');
        out.back() += v;
        out.push_back(std::string("  ") + (doubled ? '\xC8' : '\xC0') + std::string(inner - 2, h) +
                      (doubled ? '\xBC' : '\xD9'));
        out.push_back("");
        switch (random.next(3)) {
        case 0:  // label ....: value
            for (size_t n = 4 + random.next(10); n > 0; --n) {
                std::string label = words(random, 4 + random.next(8));
                out.push_back("    " + label + std::string(16 - label.size(), '.') + ": " +
                              words(random, 6 + random.next(30)));
            }
            break;
        case 1:  // a paragraph
            for (size_t n = 3 + random.next(12); n > 0; --n)
                out.push_back("  " + words(random, width - 8 - random.next(12)));
            break;
        default:  // a list with bullets
            for (size_t n = 3 + random.next(8); n > 0; --n)
                out.push_back("   \xFE " + words(random, 10 + random.next(width - 20)));
        }
        out.push_back("");
        if (random.next(3) == 0) {
            out.push_back(centred(std::string(20 + random.next(20), (char)(0xB1 + random.next(2))), width));
            out.push_back("");
        }
    }
    out.resize(lines);
    std::string text;
    for (const std::string& line : out)
        text += line + "\r\n";
    return text;
}

// The 16 VGA colours, 0x00RRGGBB.
const uint32_t vgaColours[16] = { 0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
                                  0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF };

// A colour picture as ANSI art draws it: cells of 8 x 16 pixels, each a glyph
// of the VGA font (given: 256 glyphs of 16 rows, bit 7 leftmost) in a
// foreground over a background of the 16 colours, in runs along the rows as
// art is drawn: shaded and solid blocks, half blocks, text. Pixels 0x00RRGGBB,
// row after row.
inline std::vector<uint32_t> colourPicture(const uint8_t* font, int columns, int rows, uint32_t seed)
{
    static const uint8_t glyphs[] = { 0xDB, 0xDC, 0xDF, 0xDD, 0xDE, 0xB0, 0xB1, 0xB2, 0x20, 0x20, 0xFE, 0xFA,
                                      'A', 'N', 'S', 'I', 'a', 'r', 't', '.', 0xC4, 0xCD, 0xB3, 0xBA };
    Lcg random = { seed };
    const int width = columns * 8, height = rows * 16;
    std::vector<uint32_t> pixels((size_t)width * height);
    for (int row = 0; row < rows; ++row) {
        uint8_t glyph = 0x20, fore = 7, back = 0;
        int run = 0;
        for (int column = 0; column < columns; ++column) {
            if (run-- <= 0) {
                run = (int)random.next(12);
                glyph = glyphs[random.next(sizeof glyphs)];
                fore = (uint8_t)random.next(16);
                back = random.next(3) == 0 ? (uint8_t)random.next(8) : back;
            }
            for (int y = 0; y < 16; ++y) {
                const uint8_t bits = font[glyph * 16 + y];
                uint32_t* out = &pixels[((size_t)row * 16 + y) * width + (size_t)column * 8];
                for (int x = 0; x < 8; ++x)
                    out[x] = vgaColours[(bits >> (7 - x)) & 1 ? fore : back];
            }
        }
    }
    return pixels;
}

inline std::string path(const std::string& directory, int index)
{
    return directory + "/nfo-" + std::to_string(index) + ".nfo";
}

// Writes the batch into directory; false when a file cannot be written.
inline bool write(const std::string& directory)
{
    for (int i = 0; i < files; ++i) {
        FILE* file = fopen(path(directory, i).c_str(), "wb");
        if (!file)
            return false;
        const std::string text = makeNfo((uint32_t)i);
        fwrite(text.data(), 1, text.size(), file);
        if (fclose(file) != 0)
            return false;
    }
    return true;
}

}  // namespace nfobatch
