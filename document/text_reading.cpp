// A file's bytes to code page 437 text (see text_reading.h): the SAUCE
// record is cut off first, since its binary fields would spoil the evidence
// for UTF-8, then the rest is read in the encoding that detection names.
#include "document/text_reading.h"

#include <string.h>

namespace {

const size_t sauceRecordBytes = 128;
const size_t sauceCommentsAt = 104;     // how many comment lines precede it
const size_t sauceDataTypeAt = 94;
const size_t sauceFileTypeAt = 95;
const size_t sauceTInfo1At = 96;
const size_t sauceFlagsAt = 105;
const uint8_t sauceLastDataType = 8;    // none, character, bitmap, ..., executable
const size_t commentLineBytes = 64;
const uint8_t endOfFile = 0x1A;

// The length of the text in front of a SAUCE record that ends the bytes, its
// comment block and the end-of-file byte before those; length itself when
// the bytes end in no valid record.
size_t lengthBeforeSauce(const uint8_t* bytes, size_t length)
{
    if (length < sauceRecordBytes)
        return length;
    const uint8_t* record = bytes + length - sauceRecordBytes;
    if (!readSauceRecord(record).present)
        return length;
    size_t end = length - sauceRecordBytes;
    const size_t comments = 5 + commentLineBytes * record[sauceCommentsAt];
    if (record[sauceCommentsAt] && end >= comments && memcmp(bytes + end - comments, "COMNT", 5) == 0)
        end -= comments;
    if (end && bytes[end - 1] == endOfFile)
        --end;
    return end;
}

}  // namespace

SauceRecord readSauceRecord(const uint8_t* record)
{
    SauceRecord sauce = {};
    if (memcmp(record, "SAUCE00", 7) != 0 || record[sauceDataTypeAt] > sauceLastDataType)
        return sauce;
    sauce.present = 1;
    sauce.dataType = record[sauceDataTypeAt];
    sauce.fileType = record[sauceFileTypeAt];
    sauce.tInfo1 = (uint16_t)(record[sauceTInfo1At] | record[sauceTInfo1At + 1] << 8);
    sauce.flags = record[sauceFlagsAt];
    return sauce;
}

size_t readFileText(uint8_t* bytes, size_t length, EncodingChoice choice, bool prefix, TextReading* reading)
{
    TextReading result = {};
    const size_t text = prefix ? length : lengthBeforeSauce(bytes, length);
    result.sauceLeftOut = text != length;
    if (result.sauceLeftOut)
        result.sauce = readSauceRecord(bytes + length - sauceRecordBytes);
    result.encoding = detectEncoding(bytes, text, choice, prefix, &result.artEvidence);
    const size_t decoded = decodeToCp437(bytes, text, result.encoding, &result.unmapped);
    if (reading)
        *reading = result;
    return decoded;
}

uint32_t readDocumentText(uint8_t* buffer, uint32_t length, EncodingChoice choice, bool prefix,
                          TextReading* reading)
{
    const uint32_t text = (uint32_t)readFileText(buffer + 1, length, choice, prefix, reading);
    const uint32_t spare = 4;       // the bytes behind length are zero already
    memset(buffer + 1 + text, 0, length - text < spare ? length - text : spare);
    return text;
}
