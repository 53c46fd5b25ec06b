// Code page 437 both ways (see cp437.h). The forward table is written out;
// the inverse is derived from it, so the two directions cannot disagree, and
// the compiler checks that no two bytes share a code point.
#include "document/cp437.h"

namespace {

// 0x00 to 0x1F as the font draws them.
constexpr uint16_t lowGlyphs[32] = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,  // 00-07
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,  // 08-0F
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,  // 10-17
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,  // 18-1F
};

const uint16_t house = 0x2302;  // 0x7F

// 0x80 to 0xFF: accented letters, currency, box drawing, blocks, Greek and
// mathematics.
constexpr uint16_t highGlyphs[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80-87
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88-8F
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90-97
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,  // 98-9F
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0-A7
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8-AF
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0-B7
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8-BF
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0-C7
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8-CF
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0-D7
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8-DF
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0-E7
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // E8-EF
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0-F7
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // F8-FF
};

constexpr uint32_t glyphOf(unsigned byte)
{
    return byte < 0x20 ? lowGlyphs[byte] : byte < 0x7F ? byte : byte == 0x7F ? house : highGlyphs[byte - 0x80];
}

constexpr unsigned countPages()
{
    bool used[cp437PageLimit] = {};
    unsigned pages = 0;
    for (unsigned byte = 0; byte < 256; ++byte) {
        uint32_t codePoint = glyphOf(byte);
        if (codePoint >= 0x80 && !used[codePoint >> 8]) {
            used[codePoint >> 8] = true;
            ++pages;
        }
    }
    return pages;
}

static_assert(countPages() == cp437Pages, "code page 437 glyphs lie on another number of pages");

// No two bytes share a code point outside ASCII, and none maps into ASCII
// other than the bytes that are ASCII themselves.
constexpr bool glyphsAreDistinct()
{
    for (unsigned a = 0; a < 256; ++a) {
        if (glyphOf(a) >= cp437PageLimit << 8 || ((a < 0x20 || a >= 0x7F) && a != 0 && glyphOf(a) < 0x80))
            return false;
        for (unsigned b = a + 1; b < 256; ++b)
            if (glyphOf(a) == glyphOf(b))
                return false;
    }
    return true;
}
static_assert(glyphsAreDistinct(), "code page 437 table has a repeated or misplaced code point");

}  // namespace

uint32_t cp437ToUnicode(uint8_t byte)
{
    return glyphOf(byte);
}

int unicodeToCp437(uint32_t codePoint)
{
    if (codePoint < 0x80)
        return (int)codePoint;
    for (unsigned byte = 1; byte < 256; ++byte)
        if (glyphOf(byte) == codePoint)
            return (int)byte;
    return -1;
}

Cp437Inverse::Cp437Inverse() : slot(), bytes()
{
    uint8_t slots = 0;
    for (unsigned byte = 0; byte < 256; ++byte) {
        uint32_t codePoint = glyphOf(byte);
        if (codePoint < 0x80)
            continue;
        if (!slot[codePoint >> 8])
            slot[codePoint >> 8] = ++slots;
        bytes[slot[codePoint >> 8]][codePoint & 0xFF] = (uint8_t)byte;
    }
}
