// Fuzz target: encoding detection, decoding to code page 437 and the whole
// reading of a file's text on any bytes. Every encoding is decoded from a
// fresh copy of the input and must shrink or keep the length, count no more
// '?' than it wrote, and leave code page 437 text untouched; the reading,
// done in a copy of exactly the input's size, must leave text without a mark
// and with fewer than eight multi-byte characters as it is (less a SAUCE
// record it names). The input taken as code page 437 art and converted to
// UTF-8 and UTF-16 by a small encoder here (once with the control bytes kept,
// once with every byte as its picture) must be detected as such and decode to
// the very same bytes, and so must the input read as Windows-1252 or Latin-1
// and saved as UTF-8, whenever it is taken for double-encoded art.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "document/cp437.h"
#include "document/utf8_encoder.h"
#include "document/text_encoding.h"
#include "document/text_reading.h"

namespace {

void fail(const char* what)
{
    fprintf(stderr, "fuzz_text_decoding: %s\n", what);
    abort();
}

bool sameBytes(const uint8_t* a, const uint8_t* b, size_t size)
{
    return size == 0 || memcmp(a, b, size) == 0;
}

// How many multi-byte characters text holds when it is all valid UTF-8, else
// 0, decided another way than the program does: read each sequence by its
// lead byte's length, then reject what is overlong, a surrogate or past
// U+10FFFF.
size_t multiByteUtf8(const uint8_t* data, size_t size)
{
    size_t multiByte = 0;
    for (size_t i = 0; i < size;) {
        uint8_t lead = data[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t n = lead >= 0xF8 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (n == 0 || size - i < n)
            return 0;
        uint32_t c = lead & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) {
            if ((data[i + k] & 0xC0) != 0x80)
                return 0;
            c = c << 6 | (data[i + k] & 0x3F);
        }
        const uint32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < least[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return 0;
        ++multiByte;
        i += n;
    }
    return multiByte;
}

// Decodes a heap copy of exactly size bytes (so that reads past the end are
// seen) and checks what holds for any input.
std::vector<uint8_t> decodeCopy(const uint8_t* data, size_t size, TextEncoding encoding, uint64_t* unmapped)
{
    std::vector<uint8_t> bytes(data, data + size);
    *unmapped = ~0ull;
    size_t length = decodeToCp437(bytes.data(), bytes.size(), encoding, unmapped);
    if (length > size)
        fail("decoding made the text longer");
    bytes.resize(length);
    uint64_t marks = 0;
    for (uint8_t byte : bytes)
        marks += byte == '?';
    if (*unmapped > marks)
        fail("more unmapped characters counted than '?' written");
    if (encoding == TextEncoding::cp437 && (*unmapped != 0 || !sameBytes(bytes.data(), data, size)))
        fail("code page 437 text changed");
    // Text found to be UTF-8 without a byte order mark holds multi-byte
    // sequences, which decode to one byte each.
    bool marked = size >= 3 && memcmp(data, "\xEF\xBB\xBF", 3) == 0;
    if (encoding == TextEncoding::utf8 && !marked && length == size &&
        detectEncoding(data, size, EncodingChoice::automatic) == TextEncoding::utf8)
        fail("valid UTF-8 with a multi-byte sequence did not shrink");
    return bytes;
}

bool isUtf8Reading(TextEncoding encoding)
{
    return encoding == TextEncoding::utf8 || encoding == TextEncoding::utf8FromWindows1252 ||
           encoding == TextEncoding::utf8FromLatin1;
}

// Decodes converted text and demands the original bytes back.
void expectOriginal(const std::vector<uint8_t>& text, TextEncoding encoding, const uint8_t* data, size_t size)
{
    uint64_t unmapped;
    std::vector<uint8_t> back = decodeCopy(text.data(), text.size(), encoding, &unmapped);
    if (unmapped != 0 || back.size() != size || !sameBytes(back.data(), data, size))
        fail("converted text did not decode to the original bytes");
}

void roundTrip(const uint8_t* data, size_t size, bool keepControls)
{
    std::vector<uint8_t> utf8, utf16le{0xFF, 0xFE}, utf16be{0xFE, 0xFF};
    size_t multiByte = 0;
    for (size_t i = 0; i < size; ++i) {
        uint32_t c = keepControls && data[i] < 0x80 ? data[i] : cp437ToUnicode(data[i]);
        multiByte += c >= 0x80;
        appendUtf8(utf8, c);
        utf16le.push_back((uint8_t)(c & 0xFF));
        utf16le.push_back((uint8_t)(c >> 8));
        utf16be.push_back((uint8_t)(c >> 8));
        utf16be.push_back((uint8_t)(c & 0xFF));
    }
    // Art made only of the accented capitals is also double-encoded art of
    // other bytes: either reading is right, and only UTF-8 must give these.
    TextEncoding detected = detectEncoding(utf8.data(), utf8.size(), EncodingChoice::automatic);
    if (multiByte >= minUtf8Characters ? !isUtf8Reading(detected) : detected != TextEncoding::cp437)
        fail("converted text detected wrongly");
    if (detected == TextEncoding::utf8 || multiByte < minUtf8Characters)
        expectOriginal(utf8, TextEncoding::utf8, data, size);
    if (detectEncoding(utf16le.data(), utf16le.size(), EncodingChoice::automatic) != TextEncoding::utf16le ||
        detectEncoding(utf16be.data(), utf16be.size(), EncodingChoice::automatic) != TextEncoding::utf16be)
        fail("converted text detected wrongly");
    expectOriginal(utf16le, TextEncoding::utf16le, data, size);
    expectOriginal(utf16be, TextEncoding::utf16be, data, size);
}

// The input read as Windows-1252 (its five unassigned bytes as the C1
// controls, as Windows reads them) or as Latin-1, saved as UTF-8: taken for
// double-encoded art, it must come back byte for byte.
void doubleEncodedTrip(const uint8_t* data, size_t size)
{
    static const uint16_t windows1252[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    for (bool latin1 : {false, true}) {
        std::vector<uint8_t> text;
        for (size_t i = 0; i < size; ++i)
            appendUtf8(text, !latin1 && data[i] >= 0x80 && data[i] < 0xA0 ? windows1252[data[i] - 0x80] : data[i]);
        TextEncoding detected = detectEncoding(text.data(), text.size(), EncodingChoice::automatic);
        if (detected == TextEncoding::utf8FromWindows1252 || detected == TextEncoding::utf8FromLatin1)
            expectOriginal(text, detected, data, size);
    }
}

// The whole reading in a copy of exactly the input's size: the sanitizer
// sees any write past the file's bytes.
void readWhole(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    TextReading reading;
    size_t length = readFileText(bytes.data(), bytes.size(), EncodingChoice::automatic, false, &reading);
    if (length > size || (reading.sauceLeftOut && length + 128 > size))
        fail("reading made the text longer or left out less than a SAUCE record");
    bool marked = size >= 2 && (memcmp(data, "\xFF\xFE", 2) == 0 || memcmp(data, "\xFE\xFF", 2) == 0 ||
                                (size >= 3 && memcmp(data, "\xEF\xBB\xBF", 3) == 0));
    if (!marked && !reading.sauceLeftOut && multiByteUtf8(data, size) < minUtf8Characters &&
        (reading.encoding != TextEncoding::cp437 || length != size || !sameBytes(bytes.data(), data, size)))
        fail("code page 437 text without a mark changed in reading");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const EncodingChoice choices[] = {EncodingChoice::cp437, EncodingChoice::utf8, EncodingChoice::utf16,
                                      EncodingChoice::automatic};
    for (EncodingChoice choice : choices) {
        TextEncoding encoding = detectEncoding(data, size, choice);
        if ((choice == EncodingChoice::cp437 && encoding != TextEncoding::cp437) ||
            (choice == EncodingChoice::utf8 && encoding != TextEncoding::utf8) ||
            (choice == EncodingChoice::utf16 && encoding != TextEncoding::utf16le && encoding != TextEncoding::utf16be))
            fail("a forced encoding was not kept");
    }
    bool marked = size >= 2 && (memcmp(data, "\xFF\xFE", 2) == 0 || memcmp(data, "\xFE\xFF", 2) == 0 ||
                                (size >= 3 && memcmp(data, "\xEF\xBB\xBF", 3) == 0));
    if (!marked && isUtf8Reading(detectEncoding(data, size, EncodingChoice::automatic)) !=
                       (multiByteUtf8(data, size) >= minUtf8Characters))
        fail("detection disagrees with the reference UTF-8 check");
    const TextEncoding encodings[] = {TextEncoding::cp437, TextEncoding::utf8, TextEncoding::utf16le,
                                      TextEncoding::utf16be, TextEncoding::utf8FromWindows1252};
    for (TextEncoding encoding : encodings) {
        uint64_t unmapped;
        decodeCopy(data, size, encoding, &unmapped);
    }
    roundTrip(data, size, true);
    roundTrip(data, size, false);
    doubleEncodedTrip(data, size);
    readWhole(data, size);
    return 0;
}
