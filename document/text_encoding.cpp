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

// True when all of the text is valid UTF-8 with at least one multi-byte
// sequence.
bool isMultiByteUtf8(const uint8_t* bytes, size_t length)
{
    bool multiByte = false;
    size_t at = 0;
    while (at < length) {
        while (length - at >= 16 && ((load8(bytes + at) | load8(bytes + at + 8)) & highBits) == 0)
            at += 16;
        if (at == length)
            break;
        if (bytes[at] < 0x80) {
            ++at;
            continue;
        }
        uint32_t codePoint;
        at += readSequence(bytes + at, length - at, &codePoint);
        if (codePoint == invalid)
            return false;
        multiByte = true;
    }
    return multiByte;
}

uint8_t glyphOrMark(uint32_t codePoint, uint64_t* marks)
{
    int byte = codePoint == invalid ? -1 : unicodeToCp437(codePoint);
    if (byte >= 0)
        return (uint8_t)byte;
    ++*marks;
    return '?';
}

size_t decodeUtf8(uint8_t* bytes, size_t length, uint64_t* marks)
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
        bytes[to++] = glyphOrMark(codePoint, marks);
    }
    return to;
}

template <bool bigEndian>
uint32_t unitAt(const uint8_t* bytes)
{
    return bigEndian ? (uint32_t)bytes[0] << 8 | bytes[1] : (uint32_t)bytes[1] << 8 | bytes[0];
}

template <bool bigEndian>
size_t decodeUtf16(uint8_t* bytes, size_t length, uint64_t* marks)
{
    // Four ASCII units have these bits clear: the whole high byte of each and
    // the top bit of its low byte.
    static const uint8_t nonAsciiPattern[8] = {
        bigEndian ? 0xFF : 0x80, bigEndian ? 0x80 : 0xFF, bigEndian ? 0xFF : 0x80, bigEndian ? 0x80 : 0xFF,
        bigEndian ? 0xFF : 0x80, bigEndian ? 0x80 : 0xFF, bigEndian ? 0xFF : 0x80, bigEndian ? 0x80 : 0xFF,
    };
    const uint64_t nonAscii = load8(nonAsciiPattern);
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
        uint32_t unit = unitAt<bigEndian>(bytes + from);
        from += 2;
        uint32_t codePoint = unit;
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            codePoint = invalid;
            if (unit <= 0xDBFF && length - from >= 2) {
                uint32_t next = unitAt<bigEndian>(bytes + from);
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    codePoint = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
                    from += 2;
                }
            }
        }
        bytes[to++] = glyphOrMark(codePoint, marks);
    }
    if (from < length) {
        ++*marks;
        bytes[to++] = '?';
    }
    return to;
}

}  // namespace

TextEncoding detectEncoding(const uint8_t* bytes, size_t length, EncodingChoice choice)
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
        return TextEncoding::utf8;
    if (startsWith(bytes, length, "\xFF\xFE", 2))
        return TextEncoding::utf16le;
    if (startsWith(bytes, length, "\xFE\xFF", 2))
        return TextEncoding::utf16be;
    return isMultiByteUtf8(bytes, length) ? TextEncoding::utf8 : TextEncoding::cp437;
}

size_t decodeToCp437(uint8_t* bytes, size_t length, TextEncoding encoding, uint64_t* unmapped)
{
    uint64_t marks = 0;
    size_t decoded = length;
    switch (encoding) {
    case TextEncoding::cp437:
        break;
    case TextEncoding::utf8:
        decoded = decodeUtf8(bytes, length, &marks);
        break;
    case TextEncoding::utf16le:
        decoded = decodeUtf16<false>(bytes, length, &marks);
        break;
    case TextEncoding::utf16be:
        decoded = decodeUtf16<true>(bytes, length, &marks);
        break;
    }
    if (unmapped)
        *unmapped = marks;
    return decoded;
}
