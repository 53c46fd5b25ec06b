// ANSI art onto a canvas (ansi_reader.h).
//
// Art is mostly short runs of glyphs between short colour sequences, so the
// reader has quick steps beside the general one. Masks of 64 bytes at a time
// show where runs of glyphs and sequences start and end; a run is stored
// eight cells at a time, and an ESC [ ... m that has been met before is
// looked up, whole, in a table of what it does to the pen. Anything else,
// and the last bytes of the text, take the general step, which is the
// reference for them all (the tests hold them to it). 32-bit builds (the
// program among them, built for size) do without the quick steps.
#include "document/ansi_reader.h"

#include <string.h>

#if defined(__SSE2__) && defined(__x86_64__)
#define ANSI_QUICK_STEPS 1
#include <emmintrin.h>
#endif

#include "document/ansi_canvas.h"
#include "document/ansi_palette.h"
#include "document/document_storage.h"

namespace {

const uint8_t tab = 0x09;
const uint8_t lineFeed = 0x0A;
const uint8_t carriageReturn = 0x0D;
const uint8_t endOfFile = 0x1A;
const uint8_t escape = 0x1B;
// The bytes that are not drawn as glyphs: TAB, LF, CR, 0x1A and ESC.
const uint32_t controlBytes = 1u << tab | 1u << lineFeed | 1u << carriageReturn | 1u << endOfFile | 1u << escape;
const int32_t tabStop = 8;
const int32_t maxParameters = 64;       // later ones are read and ignored
const int32_t parameterCeiling = 0x7FFFFFFF;

// The pen as bits: the VGA colours 0-7 that the codes set, bold, blink,
// reverse, and whether either side has a 24-bit or table colour instead.
const uint32_t foreBits = 0x007;
const uint32_t boldBit = 0x008;
const uint32_t backBits = 0x070;
const uint32_t blinkBit = 0x080;
const uint32_t reverseBit = 0x100;
const uint32_t foreExactBit = 0x200;
const uint32_t backExactBit = 0x400;
const uint32_t everyBit = 0x7FF;
const uint32_t plainPen = 7;            // grey on black

bool drawn(uint8_t c)
{
    return c >= 0x20 || !((controlBytes >> c) & 1);
}

#if defined(ANSI_QUICK_STEPS)
const uint64_t everyByte = 0x0101010101010101ull;
// The quick steps read this many bytes ahead: a window of 64, and eight
// more for a word that starts in it.
const size_t lookAhead = 72;
const uint32_t knownSlots = 1024;       // a quarter of them filled at most

uint64_t load8(const uint8_t* at)
{
    uint64_t word;
    memcpy(&word, at, 8);
    return word;
}

// The first n bytes of a word (n 0 .. 8).
const uint64_t firstBytes[9] = { 0, 0xFF, 0xFFFF, 0xFFFFFF, 0xFFFFFFFF, 0xFFFFFFFFFFull, 0xFFFFFFFFFFFFull,
                                 0xFFFFFFFFFFFFFFull, ~0ull };

// Stores the first count (1-8) bytes of word at `at`, keeping the rest.
void storeFirst(uint8_t* at, uint64_t word, uint32_t count)
{
    const uint64_t mask = firstBytes[count];
    const uint64_t kept = load8(at) & ~mask;
    const uint64_t stored = kept | (word & mask);
    memcpy(at, &stored, 8);
}

// Stores count glyphs (1 .. the row's width - x) from `from` (eight bytes
// readable past the last) at column x of a row, with the colour byte in
// every byte of ink, eight at a time. The row's cells from column unwritten
// on were never written: when the run reaches them, its last eight bytes
// are stored whole, blanks (a space, colour byte 0) behind the run, rather
// than loaded and merged. Returns where the unwritten cells start now.
inline __attribute__((always_inline)) uint32_t storeRun(uint8_t* glyphs, uint8_t* attributes, uint32_t x,
                                                        const uint8_t* from, uint32_t count, uint64_t ink,
                                                        uint32_t unwritten)
{
    uint32_t k = 0;
    for (; count - k > 8; k += 8) {
        memcpy(glyphs + x + k, from + k, 8);
        memcpy(attributes + x + k, &ink, 8);
    }
    const uint64_t mask = firstBytes[count - k];
    if (x + count >= unwritten) {
        const uint64_t word = (load8(from + k) & mask) | (0x2020202020202020ull & ~mask);
        const uint64_t colors = ink & mask;
        memcpy(glyphs + x + k, &word, 8);
        memcpy(attributes + x + k, &colors, 8);
        return x + count;
    }
    storeFirst(glyphs + x + k, load8(from + k), count - k);
    storeFirst(attributes + x + k, ink, count - k);
    return unwritten;
}
#endif

// What a colour code does to the pen: pen = (pen & keep) | set.
struct PenChange {
    uint16_t keep;
    uint16_t set;

    void then(PenChange next)
    {
        set = (uint16_t)((set & next.keep) | next.set);
        keep &= next.keep;
    }
};

// VGA colour order of the codes 30-37 and 40-47: black, red, green, brown,
// blue, magenta, cyan, grey.
const uint8_t vgaOfAnsi[8] = { 0, 4, 2, 6, 1, 5, 3, 7 };

// One code of an m sequence. 0, 1, 22 and 30-39 give the foreground its VGA
// colour back, 0, 5, 25 and 40-49 the background; 38 and 48 only that (the
// colour that follows them is the caller's); other numbers do nothing.
PenChange changeOf(int32_t code)
{
    const uint16_t all = everyBit;
    switch (code) {
    case 0: return { 0, plainPen };
    case 1: return { (uint16_t)(all & ~foreExactBit), boldBit };
    case 22: return { (uint16_t)(all & ~(boldBit | foreExactBit)), 0 };
    case 5: return { (uint16_t)(all & ~backExactBit), blinkBit };
    case 25: return { (uint16_t)(all & ~(blinkBit | backExactBit)), 0 };
    case 7: return { all, reverseBit };
    case 27: return { (uint16_t)(all & ~reverseBit), 0 };
    case 38: return { (uint16_t)(all & ~foreExactBit), 0 };
    case 39: return { (uint16_t)(all & ~(foreBits | foreExactBit)), 7 };
    case 48: return { (uint16_t)(all & ~backExactBit), 0 };
    case 49: return { (uint16_t)(all & ~(backBits | backExactBit)), 0 };
    }
    if (code >= 30 && code <= 37)
        return { (uint16_t)(all & ~(foreBits | foreExactBit)), vgaOfAnsi[code - 30] };
    if (code >= 40 && code <= 47)
        return { (uint16_t)(all & ~(backBits | backExactBit)), (uint16_t)(vgaOfAnsi[code - 40] << 4) };
    return { all, 0 };
}

struct Sequence {
    int32_t values[maxParameters];
    int32_t count;          // parameters given, missing ones included; 0 for none
    uint8_t final;
};

int32_t parameter(const Sequence& sequence, int32_t index)
{
    return index < sequence.count && index < maxParameters ? sequence.values[index] : 0;
}

// A count or position where 0 and a missing parameter mean 1.
int32_t atLeastOne(const Sequence& sequence, int32_t index)
{
    const int32_t value = parameter(sequence, index);
    return value ? value : 1;
}

uint8_t component(int32_t value)
{
    return (uint8_t)(value > 255 ? 255 : value);
}

AnsiPixel rgb(int32_t red, int32_t green, int32_t blue)
{
    return (AnsiPixel)component(red) << 16 | (AnsiPixel)component(green) << 8 | component(blue);
}

// A parameter's value; those past maxParameters are counted but not kept.
void keep(Sequence* sequence, int32_t value)
{
    if (sequence->count < maxParameters)
        sequence->values[sequence->count] = value;
    if (sequence->count <= maxParameters)
        ++sequence->count;
}

// Reads the sequence whose ESC '[' starts at `at`. Returns where the byte
// after it is: after its final byte, or the byte that could not continue it
// (sequence->final is then 0), or end.
const uint8_t* readSequence(const uint8_t* at, const uint8_t* end, Sequence* sequence)
{
    sequence->count = 0;
    sequence->final = 0;
    const uint8_t* p = at + 2;
    if (p < end && (*p == '?' || *p == '='))
        ++p;
    int32_t value = 0;
    bool any = false;
    for (; p < end; ++p) {
        const uint8_t c = *p;
        if (c >= '0' && c <= '9') {
            const int32_t digit = c - '0';
            value = value > (parameterCeiling - digit) / 10 ? parameterCeiling : value * 10 + digit;
        } else if (c == ';') {
            keep(sequence, value);
            value = 0;
        } else {
            if (c >= 0x40 && c <= 0x7E) {
                sequence->final = c;
                ++p;
            }
            break;
        }
        any = true;
    }
    if (any)
        keep(sequence, value);
    if (sequence->count > maxParameters)
        sequence->count = maxParameters;
    return p;
}

class Reader {
public:
    TAVELIN_HEAP_OBJECT

    // quick: take the quick steps where they apply (else the general step
    // alone reads, the reference that the quick steps are held to).
    Reader(AnsiCanvas& canvas, const AnsiLayout& layout, bool quick);

    void read(const uint8_t* text, size_t length);

private:
    void penChanged();
    void preparePair();
    void nextRow(uint32_t rows);
    void advance(uint32_t columns);
    bool put(const uint8_t* glyphs, int32_t count);
#if defined(ANSI_QUICK_STEPS)
    bool fetchRow();
    uint8_t* quickRow() const;
    bool drawGlyphs(const uint8_t* from, uint32_t count);
    const uint32_t* knownColors(const uint8_t* at, uint32_t bytes) const;
    const uint8_t* quickSteps(const uint8_t* p, const uint8_t* end);
    void remember(const uint8_t* p, const uint8_t* after, const Sequence& sequence);
#endif
    const uint8_t* step(const uint8_t* p, const uint8_t* end);
    bool perform(const Sequence& sequence);
    void setColors(const Sequence& sequence);
    void setExact(bool foreground, AnsiPixel color);
    void setExactColor(const Sequence& sequence);
    void placeCursor(const Sequence& sequence);
    void moveCursor(const Sequence& sequence);
    bool eraseInRow(const Sequence& sequence);

    AnsiCanvas& canvas;
    int32_t width;
    int32_t row;            // 0 .. INT32_MAX
    int32_t column;         // 0 .. width - 1
    int32_t savedRow;
    int32_t savedColumn;
    uint32_t state;         // the pen as bits
    AnsiPixel foreColor;    // the exact colours, where state says so
    AnsiPixel backColor;
    // What the cells get: pen.pair is made when a cell with exact colours
    // is first written after the pen changed.
    AnsiPen pen;
    bool pairReady;
    bool quick;
    // The cells of row cellsRow, fetched from the canvas when a glyph is
    // first drawn there (glyphs null when the row is past the bound).
    int32_t cellsRow;
    AnsiRowCells cells;
#if defined(ANSI_QUICK_STEPS)
    uint32_t unwritten;     // the cells of that row from here on were never written
#endif
    uint8_t attributeOf[512];               // the cell byte of each pen without its exact bits
#if defined(ANSI_QUICK_STEPS)
    uint64_t inkOf[512];                    // attributeOf in every byte
    uint64_t attributeWord;                 // pen.attribute in every byte
    uint64_t knownKeys[knownSlots];         // the bytes after ESC '[' up to the 'm'; 0: none
    uint32_t knownChanges[knownSlots];     // a PenChange: keep | set << 16
    uint32_t knownCount;
#endif
};

Reader::Reader(AnsiCanvas& canvas, const AnsiLayout& layout, bool quick)
    : canvas(canvas), width(canvas.getWidth()), row(0), column(0), savedRow(0), savedColumn(0), state(plainPen),
      foreColor(0), backColor(0), pairReady(false), quick(quick), cellsRow(-1)
{
    cells.glyphs = cells.attributes = cells.exact = nullptr;
    for (uint32_t bits = 0; bits < 512; ++bits) {
        uint32_t fore = (bits & foreBits) | (bits & boldBit);
        uint32_t back = (bits & backBits) >> 4 | (layout.ice && (bits & blinkBit) ? 8 : 0);
        if (bits & reverseBit) {
            const uint32_t swapped = fore;
            fore = back;
            back = swapped;
        }
        attributeOf[bits] = (uint8_t)(fore | back << 4);
#if defined(ANSI_QUICK_STEPS)
        inkOf[bits] = attributeOf[bits] * everyByte;
#endif
    }
#if defined(ANSI_QUICK_STEPS)
    memset(knownKeys, 0, sizeof knownKeys);
    knownCount = 0;
    unwritten = 0;
#endif
    penChanged();
}

void Reader::penChanged()
{
    pen.attribute = attributeOf[state & 511];
    pen.exact = (state & (foreExactBit | backExactBit)) != 0;
#if defined(ANSI_QUICK_STEPS)
    attributeWord = pen.attribute * everyByte;
#endif
    pairReady = false;
}

void Reader::preparePair()
{
    const uint8_t plain = attributeOf[state & 255];
    AnsiPixel front = state & foreExactBit ? foreColor : vgaPalette[plain & 15];
    AnsiPixel rear = state & backExactBit ? backColor : vgaPalette[plain >> 4];
    if (state & reverseBit) {
        const AnsiPixel swapped = front;
        front = rear;
        rear = swapped;
    }
    pen.pair = (uint64_t)(front & 0xFFFFFFu) | (uint64_t)(rear & 0xFFFFFFu) << 24;
    pairReady = true;
}

// Moves down, no further than INT32_MAX (in 32 bits: both are at most that).
void Reader::nextRow(uint32_t rows)
{
    const uint32_t to = (uint32_t)row + rows;
    row = to > INT32_MAX ? INT32_MAX : (int32_t)to;
}

// Moves right; reaching the right edge goes to column 0 of the next row.
void Reader::advance(uint32_t columns)
{
    if ((uint32_t)column + columns >= (uint32_t)width) {
        nextRow(1);
        column = 0;
    } else {
        column += (int32_t)columns;
    }
}

// Draws count glyphs (1 .. width - column) at the cursor and moves past
// them. False when memory ran out. (The row's chunk may get exact colours:
// the quick steps fetch the row again.)
bool Reader::put(const uint8_t* glyphs, int32_t count)
{
    if (!pairReady)
        preparePair();
    cellsRow = -1;
    if (!canvas.write(row, column, glyphs, count, pen))
        return false;
    advance((uint32_t)count);
    return true;
}

#if defined(ANSI_QUICK_STEPS)
// The cursor's row for the quick steps' stores. False when memory ran out.
bool Reader::fetchRow()
{
    // A row below every row written so far is blank; of one above it, only
    // the spare bytes behind its last cell are known to be.
    unwritten = row >= canvas.getRows() ? 0 : (uint32_t)width;
    cellsRow = row;
    cells = canvas.rowToWrite(row);
    return cells.glyphs || !canvas.failed;
}

// The glyphs of the cursor's row when the quick steps may store to it
// themselves: fetched, within the bound, without exact colours.
uint8_t* Reader::quickRow() const
{
    return row == cellsRow && !cells.exact && !pen.exact ? cells.glyphs : nullptr;
}

uint32_t slotOf(uint64_t key)
{
    return (uint32_t)((key * 0x9E3779B97F4A7C15ull) >> 54);
}

// Draws count glyphs (1 .. width - column) from `from` (eight bytes
// readable past the last) at the cursor, eight at a time, and moves past
// them. False when memory ran out.
bool Reader::drawGlyphs(const uint8_t* from, uint32_t count)
{
    if (row != cellsRow && !fetchRow())
        return false;
    uint8_t* glyphs = quickRow();
    if (!glyphs)
        return put(from, (int32_t)count);
    unwritten = storeRun(glyphs, cells.attributes, (uint32_t)column, from, count, attributeWord, unwritten);
    advance(count);
    return true;
}

// What an m sequence met before does to the pen, its bytes after ESC '['
// (1 to 8, the 'm' the last) at `at`, eight bytes readable; null when it is
// not known.
const uint32_t* Reader::knownColors(const uint8_t* at, uint32_t bytes) const
{
    const uint64_t key = load8(at) & firstBytes[bytes];
    uint32_t slot = slotOf(key);
    while (knownKeys[slot] != key) {
        if (!knownKeys[slot])
            return nullptr;
        slot = (slot + 1) & (knownSlots - 1);
    }
    return &knownChanges[slot];
}

// The columns of ESC [ n C when n has at most two digits, `digits` long at
// `at` (the byte after the '['); 0 for anything else.
uint32_t quickForward(const uint8_t* at, uint32_t digits)
{
    uint32_t by = 0;
    for (uint32_t k = 0; k < digits; ++k) {
        const uint32_t digit = (uint32_t)(at[k] - '0');
        if (digits > 2 || digit > 9)
            return 0;
        by = by * 10 + digit;
    }
    return by ? by : 1;
}

// Bit k of each mask tells of byte k of the 64 at a window's start.
const uint32_t windowBytes = 64;
// Past this position in its window the quick steps move the window on, so
// that whatever starts before it can end within the window.
const uint32_t windowRebase = 48;
const uint64_t lastByte = 1ull << (windowBytes - 1);

struct Window {
    uint64_t stops;         // where a run of glyphs stops: below 0x20
    uint64_t starts;        // ESC followed by '['
    uint64_t ends;          // neither a digit nor ';' nor ':': what ends a sequence's parameters
};

// The window of the 64 bytes at p (65 readable). A sequence that starts in
// the last two bytes is left to the next window; one that ends past the
// window ends, as far as the quick steps see, at its last byte, which is
// then not a final byte. A run of glyphs stops at the last byte at the
// latest. (A ':' among the parameters makes a sequence that no step
// remembers, and a forward move that the quick step refuses: both go to
// the general step, which ends the sequence at the ':'.)
inline __attribute__((always_inline)) Window windowAt(const uint8_t* p)
{
    uint64_t stops = 0, parameters = 0, starts = 0;
    for (uint32_t part = 0; part < windowBytes / 16; ++part) {
        const __m128i bytes = _mm_loadu_si128((const __m128i*)(p + 16 * part));
        const __m128i after = _mm_loadu_si128((const __m128i*)(p + 16 * part + 1));
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(0x1F)), bytes);
        const __m128i fromZero = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
        const __m128i inParameters = _mm_cmpeq_epi8(_mm_min_epu8(fromZero, _mm_set1_epi8(';' - '0')), fromZero);
        const __m128i introducers = _mm_and_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8((char)escape)),
                                                  _mm_cmpeq_epi8(after, _mm_set1_epi8('[')));
        const uint32_t shift = 16 * part;
        stops |= (uint64_t)(uint32_t)_mm_movemask_epi8(low) << shift;
        parameters |= (uint64_t)(uint32_t)_mm_movemask_epi8(inParameters) << shift;
        starts |= (uint64_t)(uint32_t)_mm_movemask_epi8(introducers) << shift;
    }
    Window window;
    window.stops = stops | lastByte;
    window.ends = ~parameters | lastByte;
    window.starts = starts & ~(3ull << (windowBytes - 2));
    return window;
}

// The quick steps from p (lookAhead bytes readable) on: runs of glyphs, CR,
// LF, m sequences met before and short forward moves, as long as they come,
// in a window of 64 bytes that moves on while the text lasts. Returns where
// the first byte they could not take is (p when that is the first), or null
// when memory ran out. The cursor's column, the
// pen and the row's cells are kept in locals (stores to the cells could
// otherwise touch any member) and put back at the end, and before a run
// that needs the row fetched or exact colours, which drawGlyphs draws.
const uint8_t* Reader::quickSteps(const uint8_t* p, const uint8_t* end)
{
    Window window = windowAt(p);
    const uint32_t columns = (uint32_t)width;
    uint32_t x = (uint32_t)column;
    uint32_t bits = state;
    uint64_t ink = attributeWord;
    // Null while the next run needs drawGlyphs.
    uint8_t* glyphs = quickRow();
    uint8_t* attributes = cells.attributes;
    uint32_t blankFrom = unwritten;
    uint32_t at = 0;
    for (;;) {
        if (at >= windowRebase) {
            if (p + at + lookAhead <= end) {
                p += at;
                at = 0;
                window = windowAt(p);
                canvas.readUpTo(p);
            } else if (at >= windowBytes) {
                break;
            }
        }
        // The glyphs up to the next stop: none at a stop.
        uint32_t count = (uint32_t)__builtin_ctzll(window.stops >> at);
        if (count) {
            if (glyphs && x + count < columns) {
                blankFrom = storeRun(glyphs, attributes, x, p + at, count, ink, blankFrom);
                x += count;
                at += count;
                continue;
            }
            // The row's end, or a row to fetch first.
            if (count > columns - x)
                count = columns - x;
            if (!glyphs) {
                column = (int32_t)x;
                state = bits;
                penChanged();
                unwritten = blankFrom;
                if (!drawGlyphs(p + at, count))
                    return nullptr;
                blankFrom = unwritten;
                x = (uint32_t)column;
                glyphs = quickRow();
                attributes = cells.attributes;
            } else {
                blankFrom = storeRun(glyphs, attributes, x, p + at, count, ink, blankFrom);
                nextRow(1);
                x = 0;
                glyphs = nullptr;
            }
            at += count;
        } else if ((window.starts >> at) & 1) {
            const uint32_t final = at + 2 + (uint32_t)__builtin_ctzll(window.ends >> (at + 2));
            if (p[final] == 'm') {
                const uint32_t* change = final - at <= 9 ? knownColors(p + at + 2, final - at - 1) : nullptr;
                if (!change)
                    break;
                bits = (bits & *change) | *change >> 16;
                ink = inkOf[bits & 511];
            } else {
                const uint32_t by = p[final] == 'C' ? quickForward(p + at + 2, final - at - 2) : 0;
                if (!by)
                    break;
                if (x + by >= columns) {
                    nextRow(1);
                    x = 0;
                    glyphs = nullptr;
                } else {
                    x += by;
                }
            }
            at = final + 1;
        } else if (p[at] == carriageReturn) {
            x = 0;
            ++at;
        } else if (p[at] == lineFeed) {
            nextRow(1);
            x = 0;
            glyphs = nullptr;
            ++at;
        } else {
            break;
        }
    }
    column = (int32_t)x;
    unwritten = blankFrom;
    if (bits != state) {
        state = bits;
        penChanged();
    }
    return p + at;
}

// Remembers what an m sequence that the general step has just carried out
// does, when it fits the quick step: at most eight bytes after ESC '[' and
// no 24-bit or table colour, while the table has room.
void Reader::remember(const uint8_t* p, const uint8_t* after, const Sequence& sequence)
{
    const size_t bytes = (size_t)(after - p) - 2;
    if (bytes > 8 || knownCount >= knownSlots / 4)
        return;
    PenChange change = { (uint16_t)everyBit, 0 };
    for (int32_t k = 0; k < (sequence.count ? sequence.count : 1); ++k) {
        const int32_t code = parameter(sequence, k);
        if (code == 38 || code == 48)
            return;
        change.then(changeOf(code));
    }
    uint64_t key = 0;
    memcpy(&key, p + 2, bytes);
    uint32_t slot = slotOf(key);
    while (knownKeys[slot] && knownKeys[slot] != key)
        slot = (slot + 1) & (knownSlots - 1);
    knownKeys[slot] = key;
    knownChanges[slot] = change.keep | (uint32_t)change.set << 16;
    ++knownCount;
}

#endif

// One general step at p: a run of glyphs to the row's end, a control byte or
// a sequence. Returns where the next step starts, or null at 0x1A or when
// memory ran out.
const uint8_t* Reader::step(const uint8_t* p, const uint8_t* end)
{
    const uint8_t c = *p;
    if (drawn(c)) {
        int32_t count = 1;
        while (p + count < end && count < width - column && drawn(p[count]))
            ++count;
        return put(p, count) ? p + count : nullptr;
    }
    const uint8_t* next = p + 1;
    switch (c) {
    case endOfFile: return nullptr;
    case carriageReturn: column = 0; break;
    case lineFeed:
        nextRow(1);
        column = 0;
        break;
    case tab: advance(tabStop - column % tabStop); break;
    case escape:
        if (next < end && *next == '[') {
            Sequence sequence;
            next = readSequence(p, end, &sequence);
            if (sequence.final && !perform(sequence))
                return nullptr;
#if defined(ANSI_QUICK_STEPS)
            if (sequence.final == 'm' && quick)
                remember(p, next, sequence);
#endif
        }
        break;
    }
    return next;
}

void Reader::setColors(const Sequence& sequence)
{
    const int32_t count = sequence.count ? sequence.count : 1;
    for (int32_t k = 0; k < count; ++k) {
        const int32_t code = parameter(sequence, k);
        const PenChange change = changeOf(code);
        state = (state & change.keep) | change.set;
        if (code != 38 && code != 48)
            continue;
        // 38;5;n and 48;5;n: the table; 38;2;r;g;b and 48;2;r;g;b: 24 bits.
        const int32_t kind = parameter(sequence, k + 1);
        AnsiPixel color;
        if (kind == 5 && k + 2 < count) {
            const int32_t n = parameter(sequence, k + 2);
            k += 2;
            if (n > 255)
                continue;
            color = tableColor((uint32_t)n);
        } else if (kind == 2 && k + 4 < count) {
            color = rgb(parameter(sequence, k + 2), parameter(sequence, k + 3), parameter(sequence, k + 4));
            k += 4;
        } else {
            continue;
        }
        setExact(code == 38, color);
    }
    penChanged();
}

// A 24-bit or table colour for the foreground or the background.
void Reader::setExact(bool foreground, AnsiPixel color)
{
    state |= foreground ? foreExactBit : backExactBit;
    (foreground ? foreColor : backColor) = color;
    penChanged();
}

// ESC [ 0;r;g;b t and ESC [ 1;r;g;b t: the background or foreground.
void Reader::setExactColor(const Sequence& sequence)
{
    const int32_t side = parameter(sequence, 0);
    if (sequence.count != 4 || side > 1)
        return;
    setExact(side == 1, rgb(parameter(sequence, 1), parameter(sequence, 2), parameter(sequence, 3)));
}

void Reader::placeCursor(const Sequence& sequence)
{
    row = atLeastOne(sequence, 0) - 1;
    const int32_t to = atLeastOne(sequence, 1);
    column = (to < width ? to : width) - 1;
}

void Reader::moveCursor(const Sequence& sequence)
{
    const int32_t by = atLeastOne(sequence, 0);
    switch (sequence.final) {
    case 'A': row = row > by ? row - by : 0; break;
    case 'B': nextRow(by); break;
    case 'C': advance(by); break;
    case 'D': column = column > by ? column - by : 0; break;
    }
}

// The erase may give the row's chunk exact colours: the row is fetched again.
bool Reader::eraseInRow(const Sequence& sequence)
{
    const int32_t mode = parameter(sequence, 0);
    if (mode > 2)
        return true;
    const int32_t from = mode == 0 ? column : 0;
    const int32_t to = mode == 1 ? column + 1 : width;
    if (!pairReady)
        preparePair();
    cellsRow = -1;
    return canvas.write(row, from, nullptr, to - from, pen);
}

// Carries out a complete sequence. False when the canvas ran out of memory.
bool Reader::perform(const Sequence& sequence)
{
    switch (sequence.final) {
    case 'm': setColors(sequence); break;
    case 't': setExactColor(sequence); break;
    case 'H':
    case 'f': placeCursor(sequence); break;
    case 'A':
    case 'B':
    case 'C':
    case 'D': moveCursor(sequence); break;
    case 's':
        savedRow = row;
        savedColumn = column;
        break;
    case 'u':
        row = savedRow;
        column = savedColumn;
        break;
    case 'J':
        if (parameter(sequence, 0) == 2) {
            canvas.clear();
            cellsRow = -1;
            row = 0;
            column = 0;
        }
        break;
    case 'K': return eraseInRow(sequence);
    }
    return true;
}

void Reader::read(const uint8_t* text, size_t length)
{
    const uint8_t* p = text;
    const uint8_t* const end = text + length;
#if defined(ANSI_QUICK_STEPS)
    const uint8_t* const quickEnd = quick && length > lookAhead ? end - lookAhead : text;
#endif
    while (p < end) {
        canvas.readUpTo(p);
#if defined(ANSI_QUICK_STEPS)
        if (p < quickEnd) {
            const uint8_t* next = quickSteps(p, end);
            if (next != p) {
                if (!next)
                    return;
                p = next;
                continue;
            }
        }
#endif
        p = step(p, end);
        if (!p)
            return;
    }
}

}  // namespace

AnsiCanvas* readAnsiArt(const uint8_t* text, size_t length, const AnsiLayout& layout, uint8_t* block, bool quick)
{
    AnsiCanvas* canvas = new AnsiCanvas(layout.columns, length);
    if (!canvas) {
        freePages(block);
        return nullptr;
    }
    canvas->takeBlock(block);
    canvas->columnsCut = layout.columnsCut;
    canvas->ice = layout.ice;
    canvas->cellWidth = layout.cellWidth == 9 ? 9 : 8;
    Reader* reader = canvas->failed ? nullptr : new Reader(*canvas, layout, quick);
    if (reader)
        reader->read(text, length);
    else
        canvas->failed = 1;
    delete reader;
    if (canvas->failed) {
        delete canvas;
        return nullptr;
    }
    canvas->finish();
    return canvas;
}
