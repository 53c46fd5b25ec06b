// Fuzz target: encoding detection and decoding to code page 437 on any bytes.
// Every encoding is decoded from a fresh copy of the input and must shrink or
// keep the length, count no more '?' than it wrote, and leave code page 437
// text untouched; the input taken as code page 437 art and converted to UTF-8
// and UTF-16 by a small encoder here (once with the control bytes kept, once
// with every byte as its picture) must be detected as such and decode to the
// very same bytes.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "document/cp437.h"
#include "document/text_encoding.h"

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

void appendUtf8(std::vector<uint8_t>& out, uint32_t c)
{
    if (c < 0x80) {
        out.push_back((uint8_t)c);
    } else if (c < 0x800) {
        out.push_back((uint8_t)(0xC0 | c >> 6));
        out.push_back((uint8_t)(0x80 | (c & 0x3F)));
    } else {
        out.push_back((uint8_t)(0xE0 | c >> 12));
        out.push_back((uint8_t)(0x80 | (c >> 6 & 0x3F)));
        out.push_back((uint8_t)(0x80 | (c & 0x3F)));
    }
}

// Whether text is valid UTF-8 with a multi-byte sequence, decided another
// way than the program does: read each sequence by its lead byte's length,
// then reject what is overlong, a surrogate or past U+10FFFF.
bool isMultiByteUtf8(const uint8_t* data, size_t size)
{
    bool multiByte = false;
    for (size_t i = 0; i < size;) {
        uint8_t lead = data[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t n = lead >= 0xF8 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (n == 0 || size - i < n)
            return false;
        uint32_t c = lead & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) {
            if ((data[i + k] & 0xC0) != 0x80)
                return false;
            c = c << 6 | (data[i + k] & 0x3F);
        }
        const uint32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < least[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        multiByte = true;
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
    // Text found to be UTF-8 without a byte order mark holds a multi-byte
    // sequence, which decodes to one byte.
    bool marked = size >= 3 && memcmp(data, "\xEF\xBB\xBF", 3) == 0;
    if (encoding == TextEncoding::utf8 && !marked && length == size &&
        detectEncoding(data, size, EncodingChoice::automatic) == TextEncoding::utf8)
        fail("valid UTF-8 with a multi-byte sequence did not shrink");
    return bytes;
}

void roundTrip(const uint8_t* data, size_t size, bool keepControls)
{
    std::vector<uint8_t> utf8, utf16le{0xFF, 0xFE}, utf16be{0xFE, 0xFF};
    bool multiByte = false;
    for (size_t i = 0; i < size; ++i) {
        uint32_t c = keepControls && data[i] < 0x80 ? data[i] : cp437ToUnicode(data[i]);
        multiByte |= c >= 0x80;
        appendUtf8(utf8, c);
        utf16le.push_back((uint8_t)(c & 0xFF));
        utf16le.push_back((uint8_t)(c >> 8));
        utf16be.push_back((uint8_t)(c >> 8));
        utf16be.push_back((uint8_t)(c & 0xFF));
    }
    const struct { const std::vector<uint8_t>* text; TextEncoding encoding, detected; } forms[] = {
        {&utf8, TextEncoding::utf8, multiByte ? TextEncoding::utf8 : TextEncoding::cp437},
        {&utf16le, TextEncoding::utf16le, TextEncoding::utf16le},
        {&utf16be, TextEncoding::utf16be, TextEncoding::utf16be},
    };
    for (const auto& form : forms) {
        if (detectEncoding(form.text->data(), form.text->size(), EncodingChoice::automatic) != form.detected)
            fail("converted text detected wrongly");
        uint64_t unmapped;
        std::vector<uint8_t> back = decodeCopy(form.text->data(), form.text->size(), form.encoding, &unmapped);
        if (unmapped != 0 || back.size() != size || !sameBytes(back.data(), data, size))
            fail("converted text did not decode to the original bytes");
    }
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
    if (!marked &&
        (detectEncoding(data, size, EncodingChoice::automatic) == TextEncoding::utf8) != isMultiByteUtf8(data, size))
        fail("detection disagrees with the reference UTF-8 check");
    const TextEncoding encodings[] = {TextEncoding::cp437, TextEncoding::utf8, TextEncoding::utf16le,
                                      TextEncoding::utf16be};
    for (TextEncoding encoding : encodings) {
        uint64_t unmapped;
        decodeCopy(data, size, encoding, &unmapped);
    }
    roundTrip(data, size, true);
    roundTrip(data, size, false);
    return 0;
}
