// Splitting a loaded file into numbered lines, in place (see line_table.h).
//
// The text is walked twice, both times in blocks that SSE2 compares 16 bytes
// at a time: first only to count the line feeds (the table's size must be
// known before it is filled), then once more to do everything else, where only
// the set bits of the masks (line ends, tabs) cost scalar work. Turning the
// line feeds into zero bytes is left to that second walk, so the first one
// writes nothing. Without SSE2 the same is done byte by byte.
#include "document/line_table.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const uint8_t lineFeed = 0x0A;
const uint8_t carriageReturn = 0x0D;
const uint8_t tab = 0x09;

// How far ahead of the scans the memory is asked for: the text is far larger
// than the caches, and the scans would otherwise wait on every line.
const uint32_t prefetchDistance = 2048;

uint32_t countBits(uint32_t bits)
{
    bits = bits - ((bits >> 1) & 0x55555555u);
    bits = (bits & 0x33333333u) + ((bits >> 2) & 0x33333333u);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0Fu;
    return (bits * 0x01010101u) >> 24;
}

uint32_t lowestBit(uint32_t bits)
{
    return (uint32_t)__builtin_ctz(bits);
}

// Counts the line feeds among count bytes.
uint32_t countLineFeeds(const uint8_t* bytes, uint32_t count)
{
    uint32_t feeds = 0;
    uint32_t i = 0;
#if defined(__SSE2__)
    const __m128i feedBytes = _mm_set1_epi8((char)lineFeed);
    while (count - i >= 16) {
        // Up to 255 blocks add their matches bytewise before they are summed.
        uint32_t blocks = (count - i) / 16;
        if (blocks > 255) blocks = 255;
        __m128i sums = _mm_setzero_si128();
        for (uint32_t b = 0; b < blocks; ++b, i += 16) {
            if ((b & 3) == 0)
                _mm_prefetch((const char*)bytes + i + prefetchDistance, _MM_HINT_T0);
            sums = _mm_sub_epi8(sums, _mm_cmpeq_epi8(_mm_loadu_si128((const __m128i*)(bytes + i)), feedBytes));
        }
        const __m128i total = _mm_sad_epu8(sums, _mm_setzero_si128());
        feeds += (uint32_t)_mm_cvtsi128_si32(total) + (uint32_t)_mm_cvtsi128_si32(_mm_srli_si128(total, 8));
    }
#endif
    for (; i < count; ++i)
        feeds += bytes[i] == lineFeed;
    return feeds;
}

// Zeroes the line feeds among count bytes.
void replaceLineFeeds(uint8_t* bytes, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i)
        if (bytes[i] == lineFeed)
            bytes[i] = 0;
}

// Where the line ends (zero bytes and line feeds) and the tabs are among up to
// 32 bytes: bit i stands for byte i.
struct ByteMasks {
    uint32_t ends;
    uint32_t tabs;
};

ByteMasks scanBytes(const uint8_t* bytes, uint32_t count)
{
    ByteMasks masks = { 0, 0 };
    for (uint32_t i = 0; i < count; ++i) {
        masks.ends |= (uint32_t)(bytes[i] == 0 || bytes[i] == lineFeed) << i;
        masks.tabs |= (uint32_t)(bytes[i] == tab) << i;
    }
    return masks;
}

ByteMasks scanChunk(const uint8_t* bytes)
{
#if defined(__SSE2__)
    const __m128i zeroBytes = _mm_setzero_si128();
    const __m128i feedBytes = _mm_set1_epi8((char)lineFeed);
    const __m128i tabBytes = _mm_set1_epi8((char)tab);
    _mm_prefetch((const char*)bytes + prefetchDistance, _MM_HINT_T0);
    const __m128i low = _mm_loadu_si128((const __m128i*)bytes);
    const __m128i high = _mm_loadu_si128((const __m128i*)(bytes + 16));
    ByteMasks masks;
    const __m128i lowEnds = _mm_or_si128(_mm_cmpeq_epi8(low, zeroBytes), _mm_cmpeq_epi8(low, feedBytes));
    const __m128i highEnds = _mm_or_si128(_mm_cmpeq_epi8(high, zeroBytes), _mm_cmpeq_epi8(high, feedBytes));
    masks.ends = (uint32_t)_mm_movemask_epi8(lowEnds) | (uint32_t)_mm_movemask_epi8(highEnds) << 16;
    masks.tabs = (uint32_t)_mm_movemask_epi8(_mm_cmpeq_epi8(low, tabBytes))
        | (uint32_t)_mm_movemask_epi8(_mm_cmpeq_epi8(high, tabBytes)) << 16;
    return masks;
#else
    return scanBytes(bytes, 32);
#endif
}

// Overwrites the carriage returns at the end of a line of `length` bytes with
// zero bytes and returns the length that is left.
uint32_t stripCarriageReturns(uint8_t* line, uint32_t length)
{
    while (length > 0 && line[length - 1] == carriageReturn)
        line[--length] = 0;
    return length;
}

// The table being filled: the entry that comes next and where its line starts.
struct LineWalk {
    uint8_t* buffer;
    char** table;
    int32_t lineCount;
    int32_t entry;
    uint32_t lineStart;
    uint32_t tabsBeforeLine;    // tabs in the buffer before lineStart
    int32_t widest;
};

// Enters the line that ends at position `end` (a zero byte, or a line feed
// that becomes one), with tabsBeforeEnd tabs in front of that position. True
// once the table is full.
bool endLine(LineWalk& walk, uint32_t end, uint32_t tabsBeforeEnd)
{
    walk.buffer[end] = 0;
    uint8_t* line = walk.buffer + walk.lineStart;
    const uint32_t length = stripCarriageReturns(line, end - walk.lineStart);
    const int32_t width = lineWidth(length, tabsBeforeEnd - walk.tabsBeforeLine);
    if (width > walk.widest)
        walk.widest = width;
    walk.table[walk.entry] = (char*)line;
    walk.lineStart = end + 1;
    walk.tabsBeforeLine = tabsBeforeEnd;
    return ++walk.entry == walk.lineCount;
}

}  // namespace

int32_t lineWidth(uint32_t length, uint32_t tabs)
{
    const uint64_t columns = (uint64_t)length + 6u * (uint64_t)tabs;
    return columns > (uint64_t)INT32_MAX ? INT32_MAX : (int32_t)columns;
}

int32_t splitLines(uint8_t* buffer, uint32_t length)
{
    if (length == 0)
        return 0;
    buffer[length + 1] = 0;
    const uint32_t feeds = countLineFeeds(buffer + 1, length);
    return (int32_t)(feeds + 1 + (buffer[length] != 0 && buffer[length] != lineFeed ? 1 : 0));
}

int32_t buildLineTable(uint8_t* buffer, uint32_t length, char** table, int32_t lineCount)
{
    if (lineCount <= 0)
        return 0;
    LineWalk walk = { buffer, table, lineCount, 0, 0, 0, 0 };
    const uint32_t scanEnd = length + 2;    // positions 0 to length + 1
    uint32_t tabsBefore = 0;                // tabs in front of the chunk
    for (uint32_t chunk = 0; chunk < scanEnd; chunk += 32) {
        const uint32_t left = scanEnd - chunk;
        const ByteMasks masks = left >= 32 ? scanChunk(buffer + chunk) : scanBytes(buffer + chunk, left);
        for (uint32_t ends = masks.ends; ends; ends &= ends - 1) {
            const uint32_t bit = lowestBit(ends);
            const uint32_t tabsBeforeEnd =
                masks.tabs ? tabsBefore + countBits(masks.tabs & ((1u << bit) - 1)) : tabsBefore;
            if (endLine(walk, chunk + bit, tabsBeforeEnd)) {
                // Zero bytes in the file can leave text behind the table.
                if (walk.lineStart <= length)
                    replaceLineFeeds(buffer + walk.lineStart, length + 1 - walk.lineStart);
                return walk.widest;
            }
        }
        if (masks.tabs)
            tabsBefore += countBits(masks.tabs);
    }
    return walk.widest;
}
