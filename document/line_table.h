// Splitting a loaded file into numbered lines, in place.
//
// The file's L bytes sit at positions 1 to L of a zero-filled buffer of L + 5
// bytes. splitLines counts the lines; buildLineTable then turns every line
// feed into a zero byte, points one table entry at each zero-terminated string
// from position 0 on, drops the carriage returns that end a line, and measures
// the widest line on the way. Plain C++; SSE2 does the byte scans where the
// compiler offers it.
#pragma once

#include <stdint.h>

// The longest file a document takes: the buffer (length + 5) and a line count
// of up to length + 1 must stay far from the 32-bit limits.
const uint32_t maxDocumentLength = 0x7FFFFFF0;

// Writes the zero byte at length + 1 and returns the number of lines: 0 for an
// empty file, otherwise 1 (line 0) + the line feeds + 1 when the last byte is
// neither a line feed nor zero. length must not exceed maxDocumentLength.
int32_t splitLines(uint8_t* buffer, uint32_t length);

// Replaces every line feed at positions 1 to length by a zero byte, points
// table[0] to table[lineCount - 1] at the consecutive zero-terminated strings
// of buffer from position 0 on (lineCount as splitLines gave it), overwrites
// the carriage returns at the end of each of these lines with zero bytes and
// returns the width of the widest one in columns (see lineWidth). Never looks
// past position length + 1.
int32_t buildLineTable(uint8_t* buffer, uint32_t length, char** table, int32_t lineCount);

// Columns taken by a line of `length` bytes, `tabs` of them tabs: a tab counts
// 7, every other byte 1. Saturates at INT32_MAX.
int32_t lineWidth(uint32_t length, uint32_t tabs);
