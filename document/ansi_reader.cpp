// ANSI art onto a canvas (ansi_reader.h).
#include "document/ansi_reader.h"

#include <string.h>

#include "document/ansi_canvas.h"
#include "document/ansi_palette.h"

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
const uint8_t defaultFore = 7;

// A cell's six colour bytes, from the low 48 bits of pair (little-endian).
inline void putPair(uint8_t* at, uint64_t pair)
{
    const uint32_t low = (uint32_t)pair;
    const uint16_t high = (uint16_t)(pair >> 32);
    memcpy(at, &low, 4);
    memcpy(at + 4, &high, 2);
}

bool drawn(uint8_t c)
{
    return c >= 0x20 || !((controlBytes >> c) & 1);
}

struct Attributes {
    uint8_t fore;           // VGA colour 0-7 of each side
    uint8_t back;
    uint8_t bold;
    uint8_t blink;
    uint8_t reverse;
    uint8_t foreExact;      // a 24-bit or table colour stands in for the VGA one
    uint8_t backExact;
    AnsiPixel foreColor;
    AnsiPixel backColor;
};

struct Sequence {
    int32_t values[maxParameters];
    int32_t count;          // parameters given, missing ones included; 0 for none
    uint8_t final;
};

class Reader {
public:
    Reader(AnsiCanvas& canvas, const AnsiLayout& layout)
        : canvas(canvas), width(canvas.getWidth()), ice(layout.ice), row(0), column(0), savedRow(0), savedColumn(0),
          cellsRow(-1), glyphs(nullptr), colors(nullptr), pairReady(false)
    {
        resetAttributes();
    }

    void read(const uint8_t* text, size_t length);

private:
    void resetAttributes();
    AnsiPixel fore() const;
    AnsiPixel back() const;
    void nextRow(int64_t rows);
    void advance(int64_t columns);
    bool fetchRow();
    void preparePair();
    size_t drawGlyphs(const uint8_t* text, size_t length, size_t at);
    size_t readSequence(const uint8_t* text, size_t length, size_t at, Sequence* sequence);
    bool perform(const Sequence& sequence);
    void setColor(int32_t code);
    size_t quickColors(const uint8_t* text, size_t length, size_t at);
    void setExact(bool foreground, AnsiPixel color);
    void setColors(const Sequence& sequence);
    void setExactColor(const Sequence& sequence);
    void placeCursor(const Sequence& sequence);
    void moveCursor(const Sequence& sequence);
    bool eraseInRow(const Sequence& sequence);

    AnsiCanvas& canvas;
    int32_t width;
    uint8_t ice;
    int64_t row;            // never more than INT32_MAX
    int32_t column;         // 0 .. width - 1
    int64_t savedRow;
    int32_t savedColumn;
    Attributes attributes;
    // The cells of row cellsRow, fetched from the canvas when a glyph is
    // first drawn there (null when the row is past the canvas's bound), and
    // the current colours as a cell stores them, made when attributes change.
    int64_t cellsRow;
    uint8_t* glyphs;
    uint8_t* colors;
    bool pairReady;
    uint64_t pair;          // blue, green, red of the foreground, then of the background, from bit 0

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

// VGA colour order of the codes 30-37 and 40-47: black, red, green, brown,
// blue, magenta, cyan, grey.
const uint8_t vgaOfAnsi[8] = { 0, 4, 2, 6, 1, 5, 3, 7 };

void Reader::resetAttributes()
{
    Attributes plain = {};
    plain.fore = defaultFore;
    attributes = plain;
}

AnsiPixel Reader::fore() const
{
    if (attributes.foreExact)
        return attributes.foreColor;
    return vgaPalette[attributes.fore + (attributes.bold ? 8 : 0)];
}

AnsiPixel Reader::back() const
{
    if (attributes.backExact)
        return attributes.backColor;
    return vgaPalette[attributes.back + (attributes.blink && ice ? 8 : 0)];
}

void Reader::nextRow(int64_t rows)
{
    row = row + rows > INT32_MAX ? INT32_MAX : row + rows;
}

// Moves right; reaching the right edge goes to column 0 of the next row.
void Reader::advance(int64_t columns)
{
    if (column + columns >= width) {
        nextRow(1);
        column = 0;
    } else {
        column += (int32_t)columns;
    }
}

// The cursor's row for drawing. False when memory ran out.
bool Reader::fetchRow()
{
    cellsRow = row;
    glyphs = canvas.rowToWrite((int32_t)row, &colors);
    return glyphs || !canvas.failed;
}

void Reader::preparePair()
{
    AnsiPixel front = fore();
    AnsiPixel rear = back();
    if (attributes.reverse) {
        AnsiPixel swapped = front;
        front = rear;
        rear = swapped;
    }
    pair = (uint64_t)(front & 0xFFFFFFu) | (uint64_t)(rear & 0xFFFFFFu) << 24;
    pairReady = true;
}

// The glyphs of text from `at` on, up to the first byte that is not drawn or
// the row's end, in the current colours. Returns the index after them, or 0
// when memory ran out.
size_t Reader::drawGlyphs(const uint8_t* text, size_t length, size_t at)
{
    if (!pairReady)
        preparePair();
    if (row != cellsRow && !fetchRow())
        return 0;
    int32_t drawTo = column;
    size_t i = at;
    if (glyphs) {
        uint8_t* cellColors = colors + (size_t)drawTo * 6;
        for (; i < length && drawTo < width && drawn(text[i]); ++i, ++drawTo, cellColors += 6) {
            glyphs[drawTo] = text[i];
            putPair(cellColors, pair);
        }
    } else {
        for (; i < length && drawTo < width && drawn(text[i]); ++i)
            ++drawTo;
    }
    if (drawTo >= width) {
        nextRow(1);
        column = 0;
    } else {
        column = drawTo;
    }
    return i;
}

// A parameter's value; those past maxParameters are counted but not kept.
void keep(Sequence* sequence, int32_t value)
{
    if (sequence->count < maxParameters)
        sequence->values[sequence->count] = value;
    if (sequence->count <= maxParameters)
        ++sequence->count;
}

// Reads the sequence whose ESC '[' starts at text[at]. Returns the index of
// the byte after it: after its final byte, or the byte that could not
// continue it (sequence->final is then 0), or length.
size_t Reader::readSequence(const uint8_t* text, size_t length, size_t at, Sequence* sequence)
{
    sequence->count = 0;
    sequence->final = 0;
    size_t i = at + 2;
    if (i < length && (text[i] == '?' || text[i] == '='))
        ++i;
    int32_t value = 0;
    bool any = false;
    for (; i < length; ++i) {
        const uint8_t c = text[i];
        if (c >= '0' && c <= '9') {
            const int32_t digit = c - '0';
            value = value > (parameterCeiling - digit) / 10 ? parameterCeiling : value * 10 + digit;
        } else if (c == ';') {
            keep(sequence, value);
            value = 0;
        } else {
            if (c >= 0x40 && c <= 0x7E) {
                sequence->final = c;
                ++i;
            }
            break;
        }
        any = true;
    }
    if (any)
        keep(sequence, value);
    if (sequence->count > maxParameters)
        sequence->count = maxParameters;
    return i;
}

// One code of an m sequence; 38 and 48 only drop the side's exact colour,
// the colour that follows them is the caller's.
void Reader::setColor(int32_t code)
{
    Attributes& a = attributes;
    if (code == 0) {
        resetAttributes();
    } else if (code == 1 || code == 22) {
        a.bold = code == 1;
        a.foreExact = 0;
    } else if (code == 5 || code == 25) {
        a.blink = code == 5;
        a.backExact = 0;
    } else if (code == 7 || code == 27) {
        a.reverse = code == 7;
    } else if (code >= 30 && code <= 39) {
        a.fore = code == 39 ? defaultFore : code == 38 ? a.fore : vgaOfAnsi[code - 30];
        a.foreExact = 0;
    } else if (code >= 40 && code <= 49) {
        a.back = code == 49 ? 0 : code == 48 ? a.back : vgaOfAnsi[code - 40];
        a.backExact = 0;
    }
}

// ESC [ codes m with up to eight codes of one or two digits, none of them 38
// or 48: the sequence art is made of, applied as it is read. Returns the
// index after the 'm', or 0 for any other sequence (read the general way).
size_t Reader::quickColors(const uint8_t* text, size_t length, size_t at)
{
    const int32_t most = 8;
    int32_t codes[most];
    int32_t count = 0;
    size_t i = at + 2;
    while (i < length && count < most) {
        int32_t code = text[i] - '0';
        if ((uint32_t)code > 9)
            return 0;
        if (++i < length && (uint32_t)(text[i] - '0') <= 9)
            code = code * 10 + (text[i++] - '0');
        if (code == 38 || code == 48 || i >= length)
            return 0;
        codes[count++] = code;
        if (text[i] == 'm') {
            pairReady = false;
            for (int32_t k = 0; k < count; ++k)
                setColor(codes[k]);
            return i + 1;
        }
        if (text[i++] != ';')
            return 0;
    }
    return 0;
}

// A 24-bit or table colour for the foreground or the background.
void Reader::setExact(bool foreground, AnsiPixel color)
{
    pairReady = false;
    (foreground ? attributes.foreExact : attributes.backExact) = 1;
    (foreground ? attributes.foreColor : attributes.backColor) = color;
}

void Reader::setColors(const Sequence& sequence)
{
    pairReady = false;
    const int32_t count = sequence.count ? sequence.count : 1;
    for (int32_t k = 0; k < count; ++k) {
        const int32_t code = parameter(sequence, k);
        setColor(code);
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

bool Reader::eraseInRow(const Sequence& sequence)
{
    const int32_t mode = parameter(sequence, 0);
    if (mode > 2)
        return true;
    const int32_t from = mode == 0 ? column : 0;
    const int32_t to = mode == 1 ? column + 1 : width;
    return canvas.erase((int32_t)row, from, to, fore(), back());
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
    Sequence sequence;
    size_t i = 0;
    while (i < length) {
        const uint8_t c = text[i];
        if (drawn(c)) {
            i = drawGlyphs(text, length, i);
            if (i == 0)
                return;
            continue;
        }
        ++i;
        switch (c) {
        case endOfFile: return;
        case carriageReturn: column = 0; break;
        case lineFeed:
            nextRow(1);
            column = 0;
            break;
        case tab: advance(tabStop - column % tabStop); break;
        case escape:
            if (i < length && text[i] == '[') {
                const size_t after = quickColors(text, length, i - 1);
                if (after) {
                    i = after;
                    break;
                }
                i = readSequence(text, length, i - 1, &sequence);
                if (sequence.final && !perform(sequence))
                    return;
            }
            break;
        }
    }
}

}  // namespace

AnsiCanvas* readAnsiArt(const uint8_t* text, size_t length, const AnsiLayout& layout)
{
    AnsiCanvas* canvas = new AnsiCanvas(layout.columns, length);
    if (!canvas)
        return nullptr;
    canvas->columnsCut = layout.columnsCut;
    canvas->ice = layout.ice;
    canvas->cellWidth = layout.cellWidth == 9 ? 9 : 8;
    if (!canvas->failed) {
        Reader reader(*canvas, layout);
        reader.read(text, length);
    }
    if (canvas->failed) {
        delete canvas;
        return nullptr;
    }
    canvas->finish();
    return canvas;
}
