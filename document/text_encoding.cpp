// Encoding detection and in-place decoding to code page 437 (see
// text_encoding.h). Every decoded character is written at or before the
// position its encoding started at, since it takes one byte and its encoding
// at least one (UTF-8) or two (UTF-16); the writes therefore never reach bytes
// not yet read. Runs of ASCII, most of any .nfo, are checked and moved eight
// bytes at a time.
#include "document/text_encoding.h"

#include <string.h>

#include "document/cp437.h"

namespace {

const uint32_t invalid = 0xFFFFFFFF;
const uint64_t highBits = 0x8080808080808080ull;

uint64_t load8(const uint8_t* bytes)
{
    uint64_t word;
    memcpy(&word, bytes, 8);
    return word;
}

bool startsWith(const uint8_t* bytes, size_t length, const char* mark, size_t markLength)
{
    return length >= markLength && memcmp(bytes, mark, markLength) == 0;
}

bool hasUtf8Mark(const uint8_t* bytes, size_t length)
{
    return startsWith(bytes, length, "\xEF\xBB\xBF", 3);
}

// Reads the sequence that starts with the non-ASCII byte at bytes[0], with
// available bytes at hand. Returns how many bytes it takes and sets
// *codePoint, or, for an invalid sequence, returns the length of its maximal
// invalid subpart (the lead byte and the continuation bytes that still fit
// it, at least 1) and sets *codePoint to invalid.
size_t readSequence(const uint8_t* bytes, size_t available, uint32_t* codePoint)
{
    uint8_t lead = bytes[0];
    uint32_t value;
    size_t continuations;
    // The range the first continuation byte must be in; it rules out the
    // overlong forms, the surrogates and everything past U+10FFFF.
    uint8_t low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        value = lead & 0x1F;
        continuations = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        value = lead & 0x0F;
        continuations = 2;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        value = lead & 0x07;
        continuations = 3;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        *codePoint = invalid;
        return 1;
    }
    for (size_t i = 1; i <= continuations; ++i) {
        if (i >= available || bytes[i] < low || bytes[i] > high) {
            *codePoint = invalid;
            return i;
        }
        value = (value << 6) | (bytes[i] & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    *codePoint = value;
    return continuations + 1;
}

// The byte that Windows-1252 reads as codePoint at 0x80 to 0x9F (its five
// unassigned bytes are read as the C1 controls of the same number), or 0.
uint8_t windows1252Byte(uint32_t codePoint)
{
    static const uint16_t punctuation[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
    };
    for (uint8_t i = 0; i < 32; ++i)
        if (punctuation[i] == codePoint)
            return (uint8_t)(0x80 + i);
    return 0;
}

// The byte that reading as Windows-1252 or Latin-1 turned into codePoint, or
// -1. The two agree from 0xA0 up; below, Windows-1252 has its punctuation
// and Latin-1 the C1 controls, and either is taken back to its byte.
int restoredByte(uint32_t codePoint)
{
    if (codePoint <= 0xFF)
        return (int)codePoint;
    uint8_t byte = windows1252Byte(codePoint);
    return byte ? byte : -1;
}

// A C1 control that only Latin-1 gives (Windows-1252 has punctuation there).
bool isLatin1Only(uint32_t codePoint)
{
    return codePoint >= 0x80 && codePoint <= 0x9F && windows1252Byte(codePoint) != codePoint;
}

// Code page 437's shades, box lines and blocks.
bool isBoxOrBlock(int byte)
{
    return byte >= 0xB0 && byte <= 0xDF;
}

// What one pass over UTF-8 text learns.
struct Utf8Survey {
    bool valid;             // every sequence is well formed
    size_t multiByte;       // characters of two bytes or more
    // As double-encoded text: whether every character has a byte, whether
    // one is a control only Latin-1 gives, how many restored bytes lie above
    // 0x7F, how many of those are box or block bytes in runs and how many
    // touch a letter.
    bool restorable;
    bool latin1;
    size_t high;
    size_t joinedBoxes;
    size_t inWords;         // bytes above 0x7F beside an ASCII letter
};

// Box bytes in a row that make a run: words such as ÇÃO or GRÖßE hold two.
const uint32_t minBoxRun = 3;

// Restored bytes are plainly code page 437 art when they hold at least
// minUtf8Characters box, block and shade bytes in runs of minBoxRun or more
// (a row of blocks, a line of box edges, a shade gradient: what art is drawn
// with), and at most a quarter of the bytes above 0x7F touch an ASCII
// letter. In prose nearly every such byte is an accented letter inside a
// word, or a curly quote or dash beside one; in art they stand beside each
// other and beside spaces. Upper-case prose keeps its accented capitals in
// words too (ÇÃO, GRÖßE), so it is not mistaken either.
bool restoresToArt(const Utf8Survey& survey)
{
    return survey.restorable && survey.joinedBoxes >= minUtf8Characters && 4 * survey.inWords <= survey.high;
}

bool isAsciiLetter(uint8_t byte)
{
    return (uint8_t)((byte | 0x20) - 'a') < 26;
}

// What the character before was, for counting high bytes beside letters.
enum class Neighbour : uint8_t { other, letter, highAlone, highCounted };

Neighbour asciiNeighbour(uint8_t byte, Neighbour before, size_t* inWords)
{
    if (!isAsciiLetter(byte))
        return Neighbour::other;
    if (before == Neighbour::highAlone)
        ++*inWords;
    return Neighbour::letter;
}

// Surveys the text; stops early once it is not valid UTF-8. `prefix`: a
// sequence cut short by the end of the text is not held against it.
Utf8Survey surveyUtf8(const uint8_t* bytes, size_t length, bool prefix)
{
    Utf8Survey survey = { true, 0, true, false, 0, 0, 0 };
    uint32_t boxRun = 0;            // box bytes just before, in a row
    Neighbour before = Neighbour::other;
    size_t at = 0;
    while (at < length) {
        if (length - at >= 16 && ((load8(bytes + at) | load8(bytes + at + 8)) & highBits) == 0) {
            asciiNeighbour(bytes[at], before, &survey.inWords);
            do
                at += 16;
            while (length - at >= 16 && ((load8(bytes + at) | load8(bytes + at + 8)) & highBits) == 0);
            before = asciiNeighbour(bytes[at - 1], Neighbour::other, &survey.inWords);
            boxRun = 0;
            continue;
        }
        if (bytes[at] < 0x80) {
            before = asciiNeighbour(bytes[at], before, &survey.inWords);
            ++at;
            boxRun = 0;
            continue;
        }
        uint32_t codePoint;
        size_t taken = readSequence(bytes + at, length - at, &codePoint);
        if (codePoint == invalid) {
            // A sequence that is only cut short by the end of a prefix.
            if (prefix && at + taken == length && bytes[at] >= 0xC2 && bytes[at] <= 0xF4)
                break;
            survey.valid = false;
            return survey;
        }
        at += taken;
        ++survey.multiByte;
        if (!survey.restorable)
            continue;
        int byte = restoredByte(codePoint);
        if (byte < 0) {
            survey.restorable = false;
            continue;
        }
        survey.latin1 |= isLatin1Only(codePoint);
        if (byte >= 0x80) {
            ++survey.high;
            if (before == Neighbour::letter)
                ++survey.inWords;
            before = before == Neighbour::letter ? Neighbour::highCounted : Neighbour::highAlone;
        } else {
            before = Neighbour::other;
        }
        // A run of box bytes counts once it is three long.
        boxRun = isBoxOrBlock(byte) ? boxRun + 1 : 0;
        if (boxRun >= minBoxRun)
            survey.joinedBoxes += boxRun == minBoxRun ? minBoxRun : 1;
    }
    return survey;
}

// Turns decoded characters into bytes: each glyph's byte, or for
// double-encoded text (no glyphs given) the byte of its code page; '?',
// counted, where there is none.
struct ByteMapping {
    const Cp437Inverse* glyphs;
    size_t marks;

    uint8_t byteFor(uint32_t codePoint)
    {
        int byte = codePoint == invalid ? -1 : glyphs ? glyphs->byteOf(codePoint) : restoredByte(codePoint);
        if (byte >= 0)
            return (uint8_t)byte;
        ++marks;
        return '?';
    }
};

size_t decodeUtf8(uint8_t* bytes, size_t length, ByteMapping& mapping)
{
    size_t from = hasUtf8Mark(bytes, length) ? 3 : 0;
    size_t to = 0;
    while (from < length) {
        while (length - from >= 8) {
            uint64_t word = load8(bytes + from);
            if (word & highBits)
                break;
            memcpy(bytes + to, &word, 8);
            from += 8;
            to += 8;
        }
        if (from == length)
            break;
        uint8_t byte = bytes[from];
        if (byte < 0x80) {
            bytes[to++] = byte;
            ++from;
            continue;
        }
        uint32_t codePoint;
        from += readSequence(bytes + from, length - from, &codePoint);
        bytes[to++] = mapping.byteFor(codePoint);
    }
    return to;
}

uint32_t unitAt(const uint8_t* bytes, bool bigEndian)
{
    return bigEndian ? (uint32_t)bytes[0] << 8 | bytes[1] : (uint32_t)bytes[1] << 8 | bytes[0];
}

size_t decodeUtf16(uint8_t* bytes, size_t length, bool bigEndian, ByteMapping& mapping)
{
    // Four ASCII units have these bits clear: the whole high byte of each and
    // the top bit of its low byte.
    const uint64_t nonAscii = bigEndian ? 0x80FF80FF80FF80FFull : 0xFF80FF80FF80FF80ull;
    const size_t lowByte = bigEndian ? 1 : 0;

    size_t from = startsWith(bytes, length, bigEndian ? "\xFE\xFF" : "\xFF\xFE", 2) ? 2 : 0;
    size_t to = 0;
    while (length - from >= 2) {
        while (length - from >= 8 && (load8(bytes + from) & nonAscii) == 0) {
            uint8_t a = bytes[from + lowByte], b = bytes[from + 2 + lowByte];
            uint8_t c = bytes[from + 4 + lowByte], d = bytes[from + 6 + lowByte];
            bytes[to] = a;
            bytes[to + 1] = b;
            bytes[to + 2] = c;
            bytes[to + 3] = d;
            from += 8;
            to += 4;
        }
        if (length - from < 2)
            break;
        uint32_t unit = unitAt(bytes + from, bigEndian);
        from += 2;
        uint32_t codePoint = unit;
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            codePoint = invalid;
            if (unit <= 0xDBFF && length - from >= 2) {
                uint32_t next = unitAt(bytes + from, bigEndian);
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    codePoint = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
                    from += 2;
                }
            }
        }
        bytes[to++] = mapping.byteFor(codePoint);
    }
    if (from < length)
        bytes[to++] = mapping.byteFor(invalid);
    return to;
}

// UTF-8 text (after its mark): double-encoded, UTF-8 or neither.
TextEncoding utf8Reading(const uint8_t* bytes, size_t length, bool marked, bool prefix)
{
    Utf8Survey survey = surveyUtf8(bytes, length, prefix);
    if (!survey.valid)
        return marked ? TextEncoding::utf8 : TextEncoding::cp437;
    if (restoresToArt(survey))
        return survey.latin1 ? TextEncoding::utf8FromLatin1 : TextEncoding::utf8FromWindows1252;
    return marked || survey.multiByte >= minUtf8Characters ? TextEncoding::utf8 : TextEncoding::cp437;
}

}  // namespace

TextEncoding detectEncoding(const uint8_t* bytes, size_t length, EncodingChoice choice, bool prefix)
{
    switch (choice) {
    case EncodingChoice::cp437:
        return TextEncoding::cp437;
    case EncodingChoice::utf8:
        return TextEncoding::utf8;
    case EncodingChoice::utf16:
        return startsWith(bytes, length, "\xFE\xFF", 2) ? TextEncoding::utf16be : TextEncoding::utf16le;
    case EncodingChoice::automatic:
        break;
    }
    if (hasUtf8Mark(bytes, length))
        return utf8Reading(bytes + 3, length - 3, true, prefix);
    if (startsWith(bytes, length, "\xFF\xFE", 2))
        return TextEncoding::utf16le;
    if (startsWith(bytes, length, "\xFE\xFF", 2))
        return TextEncoding::utf16be;
    return utf8Reading(bytes, length, false, prefix);
}

size_t decodeToCp437(uint8_t* bytes, size_t length, TextEncoding encoding, uint64_t* unmapped)
{
    size_t decoded = length;
    ByteMapping restore = { nullptr, 0 };
    if (encoding == TextEncoding::utf8FromWindows1252 || encoding == TextEncoding::utf8FromLatin1) {
        decoded = decodeUtf8(bytes, length, restore);
    } else if (encoding != TextEncoding::cp437) {
        const Cp437Inverse glyphs;
        ByteMapping mapping = { &glyphs, 0 };
        decoded = encoding == TextEncoding::utf8 ? decodeUtf8(bytes, length, mapping)
                                                 : decodeUtf16(bytes, length, encoding == TextEncoding::utf16be, mapping);
        restore.marks = mapping.marks;
    }
    if (unmapped)
        *unmapped = restore.marks;
    return decoded;
}
