// Encoding detection and in-place decoding to code page 437 (see
// text_encoding.h). Every decoded character is written at or before the
// position its encoding started at, since it takes one byte and its encoding
// at least one (UTF-8) or two (UTF-16); the writes therefore never reach bytes
// not yet read. Runs of ASCII, most of any .nfo, are checked and moved eight
// bytes at a time; where SSE2 is at hand, UTF-8 that is no longer
// double-encoded art is validated sixteen bytes at a time, and text of ASCII
// and box drawing, converted art, is checked a window of 32 or 64 bytes at a
// time and decoded in runs between its box characters.
#include "document/text_encoding.h"

#include <string.h>

#include "document/cp437.h"

// Blocks of 16 bytes wherever SSE2 is at hand, the 32-bit program included.
#if defined(__SSE2__)
#define UTF8_BLOCKS 1
#include <emmintrin.h>
#endif

namespace {

const uint32_t invalid = 0xFFFFFFFF;
const uint64_t highBits = 0x8080808080808080ull;

uint64_t load8(const uint8_t* bytes)
{
    uint64_t word;
    memcpy(&word, bytes, 8);
    return word;
}

// How many bytes of a little-endian word come before its first byte with
// the top bit set (high: the word's top bits, not 0). Two 32-bit halves, so
// that 32-bit builds need no helper from the compiler's library.
size_t bytesBefore(uint64_t high)
{
    const uint32_t low = (uint32_t)high;
    return low ? (size_t)__builtin_ctz(low) >> 3 : 4 + ((size_t)__builtin_ctz((uint32_t)(high >> 32)) >> 3);
}

#if defined(UTF8_BLOCKS)
// Whether the 16 bytes at `bytes` are valid UTF-8 given the two bytes before
// them (valid text up to a character's start, or its first bytes): ASCII, and
// two- and three-byte sequences with the common leads C2-DF, E1-EC and EE-EF,
// each continuation byte where, and only where, a lead asks for one. A
// sequence may run past the block; the next block checks its end. False for
// anything else (a stray or cut byte, the leads E0, ED and F0 on, whose
// ranges need a closer look), left to the byte-wise check. *leads gets a bit
// for each lead.
inline __attribute__((always_inline)) bool commonBlock(const uint8_t* bytes, uint32_t* leads)
{
    // In signed order after flipping the top bit: ASCII below 0, continuation
    // bytes 0 to 63, two-byte leads 64 to 95, three-byte 96 to 111, the rest above.
    const __m128i top = _mm_set1_epi8((char)0x80);
    const __m128i v = _mm_loadu_si128((const __m128i*)bytes);
    const __m128i x = _mm_xor_si128(v, top);
    const __m128i before1 = _mm_xor_si128(_mm_loadu_si128((const __m128i*)(bytes - 1)), top);
    const __m128i before2 = _mm_xor_si128(_mm_loadu_si128((const __m128i*)(bytes - 2)), top);
    const __m128i lead2 = _mm_cmpgt_epi8(x, _mm_set1_epi8(63));
    const __m128i continuation = _mm_andnot_si128(lead2, _mm_cmpgt_epi8(x, _mm_set1_epi8(-1)));
    const __m128i wanted = _mm_or_si128(_mm_cmpgt_epi8(before1, _mm_set1_epi8(63)), _mm_cmpgt_epi8(before2, _mm_set1_epi8(95)));
    const __m128i uncommon = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8((char)0xC0)), _mm_cmpeq_epi8(v, _mm_set1_epi8((char)0xC1))),
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8((char)0xE0)), _mm_cmpeq_epi8(v, _mm_set1_epi8((char)0xED))),
                     _mm_cmpgt_epi8(x, _mm_set1_epi8(111))));
    *leads = (uint32_t)_mm_movemask_epi8(lead2);
    return _mm_movemask_epi8(_mm_or_si128(uncommon, _mm_xor_si128(wanted, continuation))) == 0;
}

// The three-byte sequences of U+2500 to U+25FF: box drawing, blocks, shades
// and the geometric shapes, most of the characters of converted art.
const uint8_t boxLead = 0xE2;
const uint32_t boxPage = 0x25;

// A bit for each byte of a window of text: 64 bytes where the registers hold
// that many bits, 32 elsewhere. A window is as wide as its mask, so that the
// bits shifted past its end drop out.
#if defined(__x86_64__)
typedef uint64_t WindowMask;
inline size_t lowestBit(uint64_t mask) { return (unsigned)__builtin_ctzll(mask); }
#else
typedef uint32_t WindowMask;
inline size_t lowestBit(uint32_t mask) { return (unsigned)__builtin_ctz(mask); }
#endif
const size_t windowBytes = 8 * sizeof(WindowMask);
// Bytes a window reads: itself, a character its end cuts and the 16 bytes
// its last copy may take.
const size_t windowReach = windowBytes + 16;
// How far the writes must trail the reads before a window may decode: each
// copy stores 16 bytes.
const size_t windowGap = 16;

// The stores of copyRun after its first, for runs longer than 16 bytes.
__attribute__((noinline)) void copyLongRun(uint8_t* to, const uint8_t* from, size_t n)
{
    for (size_t done = 16; done < n; done += 16)
        _mm_storeu_si128((__m128i*)(to + done), _mm_loadu_si128((const __m128i*)(from + done)));
}

// Copies the n bytes at `from` to `to` in stores of 16 bytes, the last of
// which may store up to 16 bytes more than asked.
inline __attribute__((always_inline)) void copyRun(uint8_t* to, const uint8_t* from, size_t n)
{
    _mm_storeu_si128((__m128i*)to, _mm_loadu_si128((const __m128i*)from));
    if (__builtin_expect(n > 16, 0))
        copyLongRun(to, from, n);
}

// Checks the window of text at `in` (its windowBytes, and two more for a
// sequence its end cuts) for ASCII and the sequences E2 80-BF 80-BF, all of
// them valid UTF-8; with `index` given, for ASCII and the box sequences
// E2 94-97 80-BF alone, the text of converted art, and index gets at each
// lead its character's place in the U+25xx page. `carried`: the window's
// first bytes that end a sequence the text before began. Returns a bit for
// each byte that is not where such text would have it: a byte above 0x7F
// that is neither, a box lead the bytes after which do not fit, a
// continuation byte where no lead asks for one or none where a lead does;
// each character before the first such bit is whole. *leads gets a bit for
// each lead.
inline __attribute__((always_inline)) WindowMask boxWindow(const uint8_t* in, WindowMask carried, WindowMask* leads,
                                                           uint8_t* index)
{
    // In signed order, 80-BF are the bytes below (int8_t)0xC0.
    const __m128i below = _mm_set1_epi8((char)0xC0);
    WindowMask high = 0, lead = 0, continuations = 0, unfit = 0;
#pragma GCC unroll 4
    for (size_t chunk = 0; chunk < windowBytes; chunk += 16) {
        const __m128i v = _mm_loadu_si128((const __m128i*)(in + chunk));
        const __m128i isLead = _mm_cmpeq_epi8(v, _mm_set1_epi8((char)boxLead));
        high |= (WindowMask)(uint32_t)_mm_movemask_epi8(v) << chunk;
        lead |= (WindowMask)(uint32_t)_mm_movemask_epi8(isLead) << chunk;
        continuations |= (WindowMask)(uint32_t)_mm_movemask_epi8(_mm_cmplt_epi8(v, below)) << chunk;
        if (index) {
            const __m128i second = _mm_loadu_si128((const __m128i*)(in + chunk + 1));
            const __m128i third = _mm_loadu_si128((const __m128i*)(in + chunk + 2));
            const __m128i fits = _mm_and_si128(
                _mm_cmpeq_epi8(_mm_and_si128(second, _mm_set1_epi8((char)0xFC)), _mm_set1_epi8((char)0x94)),
                _mm_cmplt_epi8(third, below));
            _mm_store_si128((__m128i*)(index + chunk),
                            _mm_or_si128(_mm_and_si128(_mm_slli_epi16(second, 6), _mm_set1_epi8((char)0xC0)),
                                         _mm_and_si128(third, _mm_set1_epi8(0x3F))));
            unfit |= (WindowMask)(uint32_t)_mm_movemask_epi8(_mm_andnot_si128(fits, isLead)) << chunk;
        }
    }
    *leads = lead;
    return unfit | (high ^ (lead | continuations)) | (continuations ^ (lead << 1 | lead << 2 | carried));
}

// The first bytes of the window at `at` that end a sequence the text before
// began (boxWindow's `carried`), from the two bytes before it, when that text
// is valid and its last character, if cut, has a common lead (commonBlock),
// whose continuation bytes are any of 80-BF.
inline WindowMask carriedInto(const uint8_t* bytes, size_t at)
{
    if (at < 2)
        return 0;
    return bytes[at - 1] >= 0xE0 ? 3 : bytes[at - 1] >= 0xC0 || bytes[at - 2] >= 0xE0 ? 1 : 0;
}

// The glyph byte of each character of U+2500 to U+25FF in its low byte,
// '?' for none, and 1 << 16 added for such a mark, so that a sum of entries
// counts the marks in its upper half.
typedef uint32_t BoxEntry;
const BoxEntry boxMark = 1 << 16;

// Decodes the window of text at `from` as far as boxWindow finds ASCII and
// box characters, into glyph bytes from `to` on, taken from boxes
// (BoxEntry), whose marks *marks counts. windowReach bytes must be at hand.
// Returns how many bytes it decoded (0 when none) and *written how many it
// wrote. The window is checked whole before the first write; then ASCII goes
// in runs between the box characters, each copied 16 bytes at a time, so the
// writes, which may run 16 bytes past what they are meant to, reach no byte
// not yet read once they trail the reads by windowGap. An all-ASCII 16 bytes
// goes as one store whenever the writes trail at all.
inline __attribute__((always_inline)) size_t decodeBoxWindow(uint8_t* bytes, size_t from, size_t to,
                                                           const BoxEntry* boxes, size_t* written, size_t* marks)
{
    const uint8_t* in = bytes + from;
    uint8_t* out = bytes + to;
    const __m128i first = _mm_loadu_si128((const __m128i*)in);
    if (!_mm_movemask_epi8(first)) {
        _mm_storeu_si128((__m128i*)out, first);
        *written = 16;
        return 16;
    }
    if (from - to < windowGap)
        return 0;
    WindowMask rest;
    alignas(16) uint8_t index[windowBytes];
    const WindowMask wrong = boxWindow(in, 0, &rest, index);
    // Past a sequence the end cuts: a lead at the last byte but one runs one
    // byte past, at the last two.
    size_t taken = windowBytes + (size_t)(rest >> (windowBytes - 2));
    if (wrong) {
        taken = lowestBit(wrong);
        rest &= ((WindowMask)1 << taken) - 1;
    }
    size_t at = 0;
    BoxEntry sum = 0;       // at most windowBytes / 3 + 1 glyphs below 256: no carry reaches the marks
    if (rest) {
        do {
            const size_t lead = lowestBit(rest);
            rest &= rest - 1;
            copyRun(out, in + at, lead - at);
            out += lead - at;
            const BoxEntry entry = boxes[index[lead]];
            sum += entry;
            *out++ = (uint8_t)entry;
            at = lead + 3;
        } while (rest);
    }
    if (at < taken) {
        copyRun(out, in + at, taken - at);
        out += taken - at;
    }
    *marks += sum / boxMark;
    *written = (size_t)(out - (bytes + to));
    return taken;
}

#endif

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

// Code page 437's shades, box lines and blocks, and the bullets ■ ∙ · of
// lists: the bytes art is drawn with.
bool isArtByte(uint8_t byte)
{
    return (byte >= 0xB0 && byte <= 0xDF) || byte == 0xF9 || byte == 0xFA || byte == 0xFE;
}

// Art bytes that Latin-1 prose also sets between spaces: letters that are
// words of their own (à, è, é, á, í, å, ó, ö, ø in capitals) and the marks »
// · ¶. Standing alone they are no evidence; art sets them beside other art
// bytes (╚═, └─).
bool standsAloneInProse(uint8_t byte)
{
    // B6 B7 BB C0 C1 C5 C8 C9 CD D3 D6 D8, as bits from B0 on.
    const uint64_t bits = 1ull << 0x06 | 1ull << 0x07 | 1ull << 0x0B | 1ull << 0x10 | 1ull << 0x11 | 1ull << 0x15 |
                          1ull << 0x18 | 1ull << 0x19 | 1ull << 0x1D | 1ull << 0x23 | 1ull << 0x26 | 1ull << 0x28;
    return byte >= 0xB0 && byte < 0xF0 && (bits >> (byte - 0xB0) & 1);
}

// Restored bytes are plainly code page 437 art (restoresToArt) when at least
// minUtf8Characters art bytes stand apart from letters and digits, one of
// them at least minArtRepeats times (art repeats its few bullets and lines; a
// table of characters shows each once), and at most half of all bytes above
// 0x7F stand beside an ASCII letter. Prose restored is Latin-1 text: its
// high bytes are letters inside words, or signs such as °, ± and × beside
// digits. Art sets them beside spaces and each other; labels right against a
// frame (│Name│) put some beside letters, which the half allows.
// (minArtRepeats and restoresToArt: text_encoding.h.)

// What the character before or after a restored byte is, as bits; 0 for
// anything else.
const uint8_t letter = 1, digit = 2, artByte = 4, highByte = 8;

uint8_t kindOf(uint8_t byte)
{
    if (byte >= 0x80)
        return isArtByte(byte) ? artByte : highByte;
    if ((uint8_t)((byte | 0x20) - 'a') < 26)
        return letter;
    return (uint8_t)(byte - '0') < 10 ? digit : 0;
}

// Counts the evidence of ArtEvidence byte by restored byte; a byte above
// 0x7F is judged once the one after it is seen.
struct ArtCounter {
    ArtEvidence evidence;
    uint8_t before = 0;     // the kind of the byte before the last
    uint8_t last = 0;
    uint8_t lastByte = 0;
    uint32_t apartOf[256] = {};

    void see(uint8_t byte)
    {
        const uint8_t kind = kindOf(byte);
        if (last >= artByte) {
            const uint8_t around = before | kind;
            ++evidence.high;
            evidence.besideLetter += around & letter;
            if (last == artByte && !(around & (letter | digit)) &&
                ((around & artByte) || !standsAloneInProse(lastByte))) {
                ++evidence.apart;
                if (++apartOf[lastByte] > evidence.mostOfOne)
                    evidence.mostOfOne = apartOf[lastByte];
            }
        }
        before = last;
        last = kind;
        lastByte = byte;
    }
};

// What one pass over UTF-8 text learns.
struct Utf8Survey {
    bool valid;             // every sequence is well formed
    size_t multiByte;       // characters of two bytes or more, counted up to minUtf8Characters at least
    bool latin1;            // a control that only Latin-1 gives for a byte
};

bool cutByPrefixEnd(const uint8_t* bytes, size_t at, size_t taken, size_t length, bool prefix)
{
    return prefix && at + taken == length && bytes[at] >= 0xC2 && bytes[at] <= 0xF4;
}

#if defined(UTF8_BLOCKS)
// Adds the leads a block or window found to multiByte, as far as it matters:
// only whether there are minUtf8Characters counts.
void countLeads(WindowMask leads, size_t& multiByte)
{
    for (; leads && multiByte < minUtf8Characters; leads &= leads - 1)
        ++multiByte;
}
#endif

// Validates the text from `at` on, counting its multi-byte characters, once
// it is no longer double-encoded art: the common path of UTF-8 files, in
// blocks of 16 bytes where it can, byte by byte where a block holds
// something uncommon and at the end.
void surveyRest(const uint8_t* bytes, size_t length, size_t at, bool prefix, Utf8Survey& survey)
{
    size_t multiByte = 0;
#if defined(UTF8_BLOCKS)
#if !defined(__OPTIMIZE_SIZE__)
    size_t blocksUntil = 0;         // a window there held more than converted art
#endif
    size_t byteWiseUntil = 0;       // a block there held something uncommon
    bool afterBlock = false;
#endif
    while (at < length) {
#if defined(UTF8_BLOCKS)
#if !defined(__OPTIMIZE_SIZE__)
        // Converted art and punctuation go a window at a time, whole windows
        // one after the other, since every byte before is valid. (Not where
        // code size counts: the blocks below check them too, a little slower.)
        if (at >= blocksUntil && length - at >= windowReach) {
            WindowMask leads;
            if (!boxWindow(bytes + at, carriedInto(bytes, at), &leads, nullptr)) {
                at += windowBytes;
                afterBlock = true;
                countLeads(leads, multiByte);
                continue;
            }
            blocksUntil = at + windowBytes;
        }
#endif
        // Two bytes stay behind the last block, so that the byte-wise check
        // sees a character cut at the end.
        if (at >= byteWiseUntil && at >= 2 && length - at >= 18) {
            uint32_t leads;
            if (commonBlock(bytes + at, &leads)) {
                at += 16;
                afterBlock = true;
                countLeads(leads, multiByte);
                continue;
            }
            byteWiseUntil = at + 16;
        }
        if (afterBlock) {
            // A character that the last block began may run on past it:
            // the byte-wise check starts at its lead, counted already while
            // the count mattered.
            const size_t back = bytes[at - 1] >= 0xC0 ? 1 : bytes[at - 2] >= 0xE0 ? 2 : 0;
            at -= back;
            multiByte -= back && multiByte < minUtf8Characters;
        }
        afterBlock = false;
#endif
        if (bytes[at] < 0x80) {
            ++at;
            continue;
        }
        uint32_t codePoint;
        const size_t taken = readSequence(bytes + at, length - at, &codePoint);
        if (codePoint == invalid) {
            if (!cutByPrefixEnd(bytes, at, taken, length, prefix))
                survey.valid = false;
            break;
        }
        at += taken;
        ++multiByte;
    }
    survey.multiByte += multiByte;
}

// Surveys the text, counting the evidence for double-encoded art while every
// character still has a byte; stops early once it is not valid UTF-8, and,
// for `marked` text, once a character has no byte: such text is UTF-8
// whatever its rest holds. `prefix`: a sequence cut short by the end of the
// text is not held against it.
Utf8Survey surveyUtf8(const uint8_t* bytes, size_t length, bool prefix, bool marked, ArtEvidence* evidence)
{
    Utf8Survey survey = { true, 0, false };
    ArtCounter counter;
    counter.evidence = ArtEvidence{ true, 0, 0, 0, 0 };
    size_t at = 0;
    while (at < length) {
        if (length - at >= 16 && ((load8(bytes + at) | load8(bytes + at + 8)) & highBits) == 0) {
            counter.see(bytes[at]);
            do
                at += 16;
            while (length - at >= 16 && ((load8(bytes + at) | load8(bytes + at + 8)) & highBits) == 0);
            counter.see(bytes[at - 1]);
            continue;
        }
        if (bytes[at] < 0x80) {
            counter.see(bytes[at]);
            ++at;
            continue;
        }
        uint32_t codePoint;
        const size_t taken = readSequence(bytes + at, length - at, &codePoint);
        if (codePoint == invalid) {
            survey.valid = cutByPrefixEnd(bytes, at, taken, length, prefix);
            break;
        }
        const int byte = restoredByte(codePoint);
        if (byte < 0) {
            counter.evidence.restorable = false;
            if (!marked)
                surveyRest(bytes, length, at, prefix, survey);
            break;
        }
        at += taken;
        ++survey.multiByte;
        survey.latin1 |= isLatin1Only(codePoint);
        counter.see((uint8_t)byte);
    }
    counter.see(0);
    if (evidence)
        *evidence = counter.evidence;
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
        int byte = glyphs ? glyphs->byteOf(codePoint) : codePoint == invalid ? -1 : restoredByte(codePoint);
        if (byte >= 0)
            return (uint8_t)byte;
        ++marks;
        return '?';
    }
};

// Windows of ASCII and box drawing go whole (decodeBoxWindow); elsewhere runs
// of ASCII are moved eight bytes at a time, and, where code size allows, the
// two- and three-byte sequences of letters and box drawing are read inline.
size_t decodeUtf8(uint8_t* bytes, size_t length, ByteMapping& result)
{
    ByteMapping mapping = result;   // a copy the compiler knows no write to bytes reaches
    size_t from = hasUtf8Mark(bytes, length) ? 3 : 0;
    size_t to = 0;
#if defined(UTF8_BLOCKS)
    BoxEntry boxEntries[256];
    const BoxEntry* boxes = nullptr;
    if (mapping.glyphs) {
        const uint8_t* page = mapping.glyphs->pageBytes(boxPage);
        for (unsigned low = 0; low < 256; ++low)
            boxEntries[low] = page[low] ? page[low] : '?' + boxMark;
        boxes = boxEntries;
    }
    size_t byteWiseUntil = 0;       // a block there held something else
#endif
    while (from < length) {
#if defined(UTF8_BLOCKS)
        if (boxes && from >= byteWiseUntil && length - from >= windowReach && from > to) {
            size_t written;
            const size_t taken = decodeBoxWindow(bytes, from, to, boxes, &written, &mapping.marks);
            if (taken) {
                from += taken;
                to += written;
                continue;
            }
            byteWiseUntil = from + 16;
        }
#endif
        const uint8_t byte = bytes[from];
        if (byte < 0x80) {
            if (length - from >= 8 && from - to >= 8) {
                // The eight bytes written lie before any byte not yet read
                // once the text has shrunk by eight.
                const uint64_t word = load8(bytes + from);
                const uint64_t high = word & highBits;
                memcpy(bytes + to, &word, 8);
                const size_t ascii = high ? bytesBefore(high) : 8;
                from += ascii;
                to += ascii;
            } else {
                bytes[to++] = byte;
                ++from;
            }
            continue;
        }
        const size_t left = length - from;
        uint32_t codePoint;
#if !defined(__OPTIMIZE_SIZE__)
        if ((uint8_t)(byte - 0xE1) < 0x0F && byte != 0xED && left >= 3 && (bytes[from + 1] & 0xC0) == 0x80 &&
            (bytes[from + 2] & 0xC0) == 0x80) {
            codePoint = (uint32_t)(byte & 0x0F) << 12 | (uint32_t)(bytes[from + 1] & 0x3F) << 6 | (bytes[from + 2] & 0x3F);
            from += 3;
        } else if ((uint8_t)(byte - 0xC2) < 0x1E && left >= 2 && (bytes[from + 1] & 0xC0) == 0x80) {
            codePoint = (uint32_t)(byte & 0x1F) << 6 | (bytes[from + 1] & 0x3F);
            from += 2;
        } else
#endif
        {
            from += readSequence(bytes + from, left, &codePoint);
        }
        bytes[to++] = mapping.byteFor(codePoint);
    }
    result = mapping;
    return to;
}

uint32_t unitAt(const uint8_t* bytes, bool bigEndian)
{
    return bigEndian ? (uint32_t)bytes[0] << 8 | bytes[1] : (uint32_t)bytes[1] << 8 | bytes[0];
}

size_t decodeUtf16(uint8_t* bytes, size_t length, bool bigEndian, ByteMapping& mapping)
{
#if !defined(__OPTIMIZE_SIZE__)
    // Four ASCII units have these bits clear: the whole high byte of each and
    // the top bit of its low byte. (Not where code size counts, UTF-16 being
    // rare: there each unit takes a turn of its own.)
    const uint64_t nonAscii = bigEndian ? 0x80FF80FF80FF80FFull : 0xFF80FF80FF80FF80ull;
    const size_t lowByte = bigEndian ? 1 : 0;
#endif

    size_t from = startsWith(bytes, length, bigEndian ? "\xFE\xFF" : "\xFF\xFE", 2) ? 2 : 0;
    size_t to = 0;
    while (length - from >= 2) {
#if !defined(__OPTIMIZE_SIZE__)
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
#endif
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
TextEncoding utf8Reading(const uint8_t* bytes, size_t length, bool marked, bool prefix, ArtEvidence* evidence)
{
    ArtEvidence art;
    const Utf8Survey survey = surveyUtf8(bytes, length, prefix, marked, &art);
    if (evidence)
        *evidence = art;
    if (!survey.valid)
        return marked ? TextEncoding::utf8 : TextEncoding::cp437;
    if (restoresToArt(art))
        return survey.latin1 ? TextEncoding::utf8FromLatin1 : TextEncoding::utf8FromWindows1252;
    return marked || survey.multiByte >= minUtf8Characters ? TextEncoding::utf8 : TextEncoding::cp437;
}

}  // namespace

bool restoresToArt(const ArtEvidence& evidence)
{
    return evidence.restorable && evidence.apart >= minUtf8Characters && evidence.mostOfOne >= minArtRepeats &&
           2 * evidence.besideLetter <= evidence.high;
}

TextEncoding detectEncoding(const uint8_t* bytes, size_t length, EncodingChoice choice, bool prefix,
                            ArtEvidence* evidence)
{
    if (evidence)
        *evidence = ArtEvidence{ false, 0, 0, 0, 0 };
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
        return utf8Reading(bytes + 3, length - 3, true, prefix, evidence);
    if (startsWith(bytes, length, "\xFF\xFE", 2))
        return TextEncoding::utf16le;
    if (startsWith(bytes, length, "\xFE\xFF", 2))
        return TextEncoding::utf16be;
    return utf8Reading(bytes, length, false, prefix, evidence);
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

