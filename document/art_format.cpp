// Which files are ANSI art and how their canvas is laid out (art_format.h).
#include "document/art_format.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "document/ansi_canvas.h"

namespace {

const uint8_t escape = 0x1B;
const uint8_t characterData = 1;
const uint8_t lastCharacterType = 2;    // ASCII, ANSi, ANSiMation
const int32_t defaultColumns = 80;
const uint8_t iceFlag = 0x01;
const uint8_t nineDotSpacing = 2;       // letter-spacing bits 1-2: 10 binary

bool characterRecord(const SauceRecord& sauce)
{
    return sauce.present && sauce.dataType == characterData && sauce.fileType <= lastCharacterType;
}

// A name ending in ".ans", any case ('A' | 0x20 is 'a', and no other byte
// becomes 'a', 'n' or 's' so).
bool namedAns(const char* name)
{
    if (!name)
        return false;
    size_t length = 0;
    while (name[length])
        ++length;
    return length >= 4 && name[length - 4] == '.' && (name[length - 3] | 0x20) == 'a' &&
           (name[length - 2] | 0x20) == 'n' && (name[length - 1] | 0x20) == 's';
}

// The length of a complete colour sequence at text[at] (ESC [ parameters m),
// or 0.
size_t colorSequenceAt(const uint8_t* text, size_t length, size_t at)
{
    size_t i = at + 1;
    if (i >= length || text[i] != '[')
        return 0;
    ++i;
    if (i < length && (text[i] == '?' || text[i] == '='))
        ++i;
    while (i < length && ((text[i] >= '0' && text[i] <= '9') || text[i] == ';'))
        ++i;
    return i < length && text[i] == 'm' ? i + 1 - at : 0;
}

// The first escape byte at or after `from`, or length. Text without escapes
// (every .nfo) is passed over 16 bytes at a time.
size_t nextEscape(const uint8_t* text, size_t length, size_t from)
{
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8((char)escape);
    for (; from + 16 <= length; from += 16) {
        const int hits = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128((const __m128i*)(text + from)), wanted));
        if (hits)
            return from + (size_t)__builtin_ctz((unsigned)hits);
    }
#endif
    while (from < length && text[from] != escape)
        ++from;
    return from;
}

bool holdsColorSequences(const uint8_t* text, size_t length)
{
    int found = 0;
    for (size_t i = nextEscape(text, length, 0); i < length; i = nextEscape(text, length, i + 1)) {
        const size_t sequence = colorSequenceAt(text, length, i);
        if (sequence && ++found == 2)
            return true;
        if (sequence)
            i += sequence - 1;
    }
    return false;
}

}  // namespace

bool readsAsAnsi(const uint8_t* text, size_t length, const SauceRecord& sauce, const char* name,
                 ArtFormat format)
{
    if (format != ArtFormat::automatic)
        return format == ArtFormat::ansi;
    if (characterRecord(sauce) && (sauce.fileType == 1 || sauce.fileType == 2))
        return true;
    return namedAns(name) || holdsColorSequences(text, length);
}

AnsiLayout ansiLayout(const SauceRecord& sauce, const ArtChoice& choice)
{
    AnsiLayout layout = {};
    const bool character = characterRecord(sauce);
    const uint8_t flags = character ? sauce.flags : 0;
    int32_t columns = choice.columns > 0 ? choice.columns : character ? sauce.tInfo1 : 0;
    if (!columns)
        columns = defaultColumns;
    layout.columnsCut = columns > ansiMaxColumns;
    layout.columns = layout.columnsCut ? ansiMaxColumns : columns;
    layout.ice = choice.ice ? choice.ice > 0 : flags & iceFlag;
    layout.cellWidth = choice.cellWidth ? choice.cellWidth : ((flags >> 1) & 3) == nineDotSpacing ? 9 : 8;
    return layout;
}
