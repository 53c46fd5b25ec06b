// Tests of the code page 437 table in both directions, of encoding detection
// and of decoding UTF-8 and UTF-16 text to code page 437 bytes in place.
#include <stdint.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "document/cp437.h"
#include "document/utf8_encoder.h"
#include "document/text_encoding.h"

namespace {

// Both work on a heap copy of exactly the text's size: the sanitizer sees
// reads past its end.
std::string decoded(const std::string& text, TextEncoding encoding, uint64_t* unmapped)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    size_t length = decodeToCp437(bytes.data(), bytes.size(), encoding, unmapped);
    return std::string(bytes.begin(), bytes.begin() + (ptrdiff_t)std::min(length, bytes.size()));
}

TextEncoding detected(const std::string& text, EncodingChoice choice = EncodingChoice::automatic)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    return detectEncoding(bytes.data(), bytes.size(), choice);
}

std::string repeat(const std::string& text, int times)
{
    std::string out;
    while (times-- > 0)
        out += text;
    return out;
}

void appendUtf16(std::string& out, uint32_t c, bool bigEndian)
{
    out += bigEndian ? std::string{(char)(c >> 8), (char)c} : std::string{(char)c, (char)(c >> 8)};
}

// Would catch: a typo or a shifted row in the table. Code points from the
// published code page, written here by hand, spread over all of its rows.
TEST(Cp437Table, HoldsThePublishedCodePoints)
{
    const struct { uint8_t byte; uint32_t codePoint; } glyphs[] = {
        {0x01, 0x263A}, {0x02, 0x263B}, {0x03, 0x2665}, {0x07, 0x2022}, {0x0A, 0x25D9}, {0x0D, 0x266A},
        {0x0F, 0x263C}, {0x10, 0x25BA}, {0x13, 0x203C}, {0x14, 0x00B6}, {0x15, 0x00A7}, {0x17, 0x21A8},
        {0x1B, 0x2190}, {0x1C, 0x221F}, {0x1F, 0x25BC}, {0x7F, 0x2302}, {0x80, 0x00C7}, {0x8F, 0x00C5},
        {0x98, 0x00FF}, {0x9E, 0x20A7}, {0x9F, 0x0192}, {0xA9, 0x2310}, {0xAF, 0x00BB}, {0xB0, 0x2591},
        {0xB1, 0x2592}, {0xB2, 0x2593}, {0xB3, 0x2502}, {0xBA, 0x2551}, {0xBF, 0x2510}, {0xC4, 0x2500},
        {0xC9, 0x2554}, {0xCD, 0x2550}, {0xCE, 0x256C}, {0xD8, 0x256A}, {0xDB, 0x2588}, {0xDC, 0x2584},
        {0xDF, 0x2580}, {0xE0, 0x03B1}, {0xE1, 0x00DF}, {0xE6, 0x00B5}, {0xED, 0x03C6}, {0xEF, 0x2229},
        {0xF0, 0x2261}, {0xF9, 0x2219}, {0xFA, 0x00B7}, {0xFC, 0x207F}, {0xFE, 0x25A0}, {0xFF, 0x00A0},
    };
    for (const auto& glyph : glyphs) {
        EXPECT_EQ(cp437ToUnicode(glyph.byte), glyph.codePoint) << "byte " << (int)glyph.byte;
        EXPECT_EQ(unicodeToCp437(glyph.codePoint), glyph.byte) << "code point " << glyph.codePoint;
    }
}

// Would catch: a wrong slot or page in the inverse, a repeated code point, or
// decoded line ends and tabs no longer being the control bytes.
TEST(Cp437Table, EveryByteComesBackAndAsciiStaysItself)
{
    for (int byte = 0; byte < 256; ++byte)
        EXPECT_EQ(unicodeToCp437(cp437ToUnicode((uint8_t)byte)), byte) << "byte " << byte;
    for (uint32_t c = 0; c < 0x80; ++c)
        EXPECT_EQ(unicodeToCp437(c), (int)c);
    for (uint32_t c = 0x20; c < 0x7F; ++c)
        EXPECT_EQ(cp437ToUnicode((uint8_t)c), c);
    EXPECT_EQ(cp437ToUnicode(0), 0u);
}

// Would catch: a lookup that answers for neighbours of glyphs, empty slots
// read as byte 0, or an index past the table for large code points.
TEST(Cp437Table, CodePointsWithoutGlyphGiveMinusOne)
{
    for (uint32_t c : {0x80u, 0x9Fu, 0xA4u, 0xA6u, 0x100u, 0x3B2u, 0x2301u, 0x2581u, 0x20ACu, 0x266Cu, 0x2700u,
                       0xFEFFu, 0xFFFDu, 0x1F600u, 0x10FFFFu, 0x110000u, 0xFFFFFFFFu})
        EXPECT_EQ(unicodeToCp437(c), -1) << "code point " << c;
}

// Would catch: a missed or misread byte order mark, a stray byte hidden by
// the eight- or sixteen-byte ASCII skip, lax validation (overlongs,
// surrogates, past U+10FFFF, cut sequences) taking art for UTF-8, plain ASCII
// or a few art bytes that happen to form UTF-8 (C4 B3, seven blocks) taken
// for UTF-8, a window of converted art blind to a character the block before
// it cut, and the check after a window starting inside a character.
TEST(TextEncoding, DetectsTheEncoding)
{
    const std::string ascii37(37, 'a');
    const struct { std::string text; EncodingChoice choice; TextEncoding expected; } cases[] = {
        {"\xEF\xBB\xBF" "abc", EncodingChoice::automatic, TextEncoding::utf8},
        {"\xEF\xBB\xBF\xB0\xB1", EncodingChoice::automatic, TextEncoding::utf8},
        {"\xFF\xFE" "a", EncodingChoice::automatic, TextEncoding::utf16le},
        {"\xFE\xFF", EncodingChoice::automatic, TextEncoding::utf16be},
        {"", EncodingChoice::automatic, TextEncoding::cp437},
        {"plain ascii\r\n\tonly", EncodingChoice::automatic, TextEncoding::cp437},
        {ascii37 + repeat("\xE2\x96\x88", 8) + ascii37, EncodingChoice::automatic, TextEncoding::utf8},
        {ascii37 + repeat("\xE2\x96\x88", 7) + ascii37, EncodingChoice::automatic, TextEncoding::cp437},
        {"\xC4\xB3", EncodingChoice::automatic, TextEncoding::cp437},
        {ascii37 + repeat("\xF0\x9F\x98\x80", 8), EncodingChoice::automatic, TextEncoding::utf8},
        {repeat("\xC3\xA9\xF4\x8F\xBF\xBF", 4), EncodingChoice::automatic, TextEncoding::utf8},
        {"\xB0\xB1\xB2\xDB\xC9\xCD\xCD\xBB", EncodingChoice::automatic, TextEncoding::cp437},
        {ascii37 + repeat("\xE2\x96\x88", 8) + ascii37 + "\xDB", EncodingChoice::automatic, TextEncoding::cp437},
        {"\xC0\xAF", EncodingChoice::automatic, TextEncoding::cp437},
        {"\xE0\x80\xAF", EncodingChoice::automatic, TextEncoding::cp437},
        {"\xED\xA0\x80", EncodingChoice::automatic, TextEncoding::cp437},
        {"\xF4\x90\x80\x80", EncodingChoice::automatic, TextEncoding::cp437},
        {"ok \xE2\x96", EncodingChoice::automatic, TextEncoding::cp437},
        {"a\0b", EncodingChoice::utf16, TextEncoding::utf16le},
        {"\xFE\xFF\0a", EncodingChoice::utf16, TextEncoding::utf16be},
        {"\xB0\xB1", EncodingChoice::utf8, TextEncoding::utf8},
        {"\xEF\xBB\xBF\xE2\x96\x88", EncodingChoice::cp437, TextEncoding::cp437},
    };
    for (const auto& c : cases)
        EXPECT_EQ(detected(c.text, c.choice), c.expected) << "case " << (&c - cases);
    // A stray art byte anywhere in an ASCII run, even where the skip jumps.
    for (size_t at = 0; at < 48; ++at) {
        std::string text = std::string(48, 'a') + repeat("\xC3\xA9", 8);
        text[at] = '\xDB';
        EXPECT_EQ(detected(text), TextEncoding::cp437) << "stray byte at " << at;
    }
    // Wherever the blocks and windows of the check fall: a character cut
    // where letters give way to converted art, and an emoji after it.
    for (size_t pad = 0; pad < 64; ++pad) {
        const std::string start = "\xE2\x96\x88" + std::string(pad, 'a');
        EXPECT_EQ(detected(start + repeat("\xC3\xA9", 40) + "\xC3" + repeat(" \xE2\x96\x88", 40)), TextEncoding::cp437)
            << "cut after " << pad;
        EXPECT_EQ(detected(start + repeat("\xE2\x96\x88", 30) + "\xF0\x9F\x98\x80" + ascii37 + ascii37),
                  TextEncoding::utf8) << "emoji after " << pad;
    }
}

// Would catch: a dropped or kept byte order mark, wrong maximal-subpart
// splitting (too many or too few '?'), a miscount, a literal '?' counted, and
// an ASCII block moved to the wrong place once the output lags the input.
TEST(TextEncoding, DecodesUtf8)
{
    const std::string tail = " and a tail longer than sixteen bytes";
    const struct { std::string text, expected; uint64_t unmapped; } cases[] = {
        {"\xEF\xBB\xBF" "A\xE2\x96\x88" "B\r\n", "A\xDB" "B\r\n", 0},
        {"\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97" + tail, "\xC9\xCD\xBB" + tail, 0},
        {"\xE2\x98\xBA\xE2\x8C\x82\x7F\xC2\xA0\x01", "\x01\x7F\x7F\xFF\x01", 0},
        {"is ? \xE2\x82\xAC\xF0\x9F\x98\x80", "is ? ??", 2},
        {"a\xF1\x80\x80\xE1\x80\xC2" "b\x80" "c\x80\xBF" "d", "a???b?c??d", 6},
        {"\xC0\xAF\xE0\x80\xAF\xED\xA0\x80", "????????", 8},
        {"\xF4\x90\x80\x80\xF8\x88\x80\x80\x80", "?????????", 9},
        {"\xF0\x9F\x98", "?", 1},
        {"\xEF\xBB\xBF", "", 0},
        {"x\xEF\xBB\xBF", "x?", 1},
    };
    for (const auto& c : cases) {
        uint64_t unmapped = 99;
        EXPECT_EQ(decoded(c.text, TextEncoding::utf8, &unmapped), c.expected) << "case " << (&c - cases);
        EXPECT_EQ(unmapped, c.unmapped) << "case " << (&c - cases);
    }
    uint64_t unmapped = 99;
    EXPECT_EQ(decoded("\xE2\x96\x88\xB0", TextEncoding::cp437, &unmapped), "\xE2\x96\x88\xB0");
    EXPECT_EQ(unmapped, 0u);
}

// Would catch: decoding in windows losing, doubling or misplacing a box
// character whose bytes straddle a window's edge, taking a cut sequence or a
// stray byte inside a window for a character, copying only part of a run of
// ASCII, or miscounting the box characters the font lacks (U+25A1) with a
// plain '?' or without those of a window: at every alignment, after runs of
// ASCII too.
TEST(TextEncoding, DecodesBoxRunsAtEveryAlignment)
{
    const std::string run = "a run of ASCII, longer than a block";
    const std::string boxes = "\xE2\x94\x8C\xE2\x94\x80?\xE2\x96\xA1\xE2\x94\x90" + run;  // U+250C U+2500 ? U+25A1 U+2510
    const std::string broken = "\xE2\x94 \xE2\x95\x91\x91";  // a cut sequence, U+2551, a stray byte
    const std::string tail(20, '-');
    for (size_t pad = 0; pad < 64; ++pad) {
        // Windows start once the text has shrunk by 16 bytes.
        const std::string lead = "\xE2\x94\x8C" + std::string(pad, '.'), leadOut = "\xDA" + lead.substr(3);
        uint64_t unmapped = 99;
        EXPECT_EQ(decoded(lead + repeat(boxes, 6) + tail, TextEncoding::utf8, &unmapped),
                  leadOut + repeat("\xDA\xC4?" "?\xBF" + run, 6) + tail) << pad;
        EXPECT_EQ(unmapped, 6u) << pad;
        EXPECT_EQ(decoded(lead + repeat(broken, 3) + tail, TextEncoding::utf8, &unmapped),
                  leadOut + repeat("? \xBA?", 3) + tail) << pad;
        EXPECT_EQ(unmapped, 6u) << pad;
    }
}

// Would catch: swapped byte order, a missed surrogate pair, an unpaired
// surrogate eating the next unit, a dropped trailing odd byte, a miscount.
TEST(TextEncoding, DecodesUtf16)
{
    const struct { std::string text; TextEncoding encoding; std::string expected; uint64_t unmapped; } cases[] = {
        {std::string("\xFF\xFE" "A\0\x88\x25\xAC\x20\r\0\n\0", 12), TextEncoding::utf16le, "A\xDB?\r\n", 1},
        {std::string("\xFE\xFF\0A\x25\x88\x20\xAC", 8), TextEncoding::utf16be, "A\xDB?", 1},
        {std::string("\x25\x88\0a\0b\0c\0d\0e\0f\0g\0h\x25\x50", 20), TextEncoding::utf16be,
         "\xDB" "abcdefgh\xCD", 0},
        {std::string("\x3D\xD8\x00\xDE" "a\0", 6), TextEncoding::utf16le, "?a", 1},
        {std::string("\x3D\xD8" "a\0\x00\xDE\x3D\xD8", 8), TextEncoding::utf16le, "?a??", 3},
        {std::string("\0\0a\0b", 5), TextEncoding::utf16le, std::string("\0a?", 3), 1},
        {std::string("\xFF\xFE", 2), TextEncoding::utf16le, "", 0},
    };
    for (const auto& c : cases) {
        uint64_t unmapped = 99;
        EXPECT_EQ(decoded(c.text, c.encoding, &unmapped), c.expected) << "case " << (&c - cases);
        EXPECT_EQ(unmapped, c.unmapped) << "case " << (&c - cases);
    }
}

// Would catch: any byte of real art not surviving a trip through UTF-8 or
// UTF-16 and back, whether converted with the control bytes kept (line ends,
// tabs) or with every byte as its picture, and detection not recognising it.
TEST(TextEncoding, ConvertedArtDecodesToTheOriginalBytes)
{
    std::string art =
        "\r\n\t\xDA\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xBF\r\n"
        "  \xB3 \xDB\xDB\xDF\xDF\xDB\xDB \xB0\xB1\xB2\xDB\xB2\xB1\xB0 \xB3 \x01\x02\x03\x7F\r\n"
        "  \xC3\xCD\xCD\xCD\xCE\xCD\xCD\xCD\xB4   release notes follow, twenty-odd plain bytes\r\n"
        "  \xC8\xCD\xBC \xAE\xAF \xE0\xE1\xE2\xE3 \xF8\xFD\xFE\xFF \x9B\x9C\x9D \x80\x81\x82\r\n";
    std::string everyByte;
    for (int b = 1; b < 256; ++b)
        everyByte += (char)b;
    for (const std::string* original : {&art, &everyByte}) {
        bool keepControls = original == &art;
        std::string utf8, utf16le = "\xFF\xFE", utf16be = "\xFE\xFF";
        for (unsigned char b : *original) {
            uint32_t c = keepControls && b < 0x80 ? b : cp437ToUnicode(b);
            appendUtf8(utf8, c);
            appendUtf16(utf16le, c, false);
            appendUtf16(utf16be, c, true);
        }
        const struct { std::string text; TextEncoding encoding; } forms[] = {
            {utf8, TextEncoding::utf8}, {"\xEF\xBB\xBF" + utf8, TextEncoding::utf8},
            {utf16le, TextEncoding::utf16le}, {utf16be, TextEncoding::utf16be},
        };
        for (const auto& form : forms) {
            EXPECT_EQ(detected(form.text), form.encoding);
            uint64_t unmapped = 99;
            EXPECT_EQ(decoded(form.text, form.encoding, &unmapped), *original);
            EXPECT_EQ(unmapped, 0u);
        }
        EXPECT_EQ(detected(*original), TextEncoding::cp437);
    }
}

}  // namespace
