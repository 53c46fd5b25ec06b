// A file's bytes to code page 437 text (see text_reading.h).
#include "document/text_reading.h"

size_t readFileText(uint8_t* bytes, size_t length, EncodingChoice choice, bool prefix, TextReading* reading)
{
    TextReading result = {};
    result.encoding = detectEncoding(bytes, length, choice);
    size_t decoded = decodeToCp437(bytes, length, result.encoding, &result.unmapped);
    if (reading)
        *reading = result;
    return decoded;
}
