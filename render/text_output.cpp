// A file's text as UTF-8 (text_output.h).
#include "render/text_output.h"

#include "document/cp437.h"

namespace {

void appendCodePoint(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += (char)c;
    } else if (c < 0x800) {
        out += (char)(0xC0 | c >> 6);
        out += (char)(0x80 | (c & 0x3F));
    } else {
        out += (char)(0xE0 | c >> 12);
        out += (char)(0x80 | (c >> 6 & 0x3F));
        out += (char)(0x80 | (c & 0x3F));
    }
}

}  // namespace

void appendTextAsUtf8(const uint8_t* text, size_t length, std::string& out)
{
    for (size_t at = 0; at < length; ++at) {
        uint8_t byte = text[at];
        if (byte == '\r') {
            // A run of carriage returns ends a line when a line feed or the
            // end of the text follows it; inside a line each is drawn.
            size_t end = at;
            while (end < length && text[end] == '\r')
                ++end;
            bool lineEnd = end == length || text[end] == '\n';
            for (; at < end; ++at)
                appendCodePoint(out, lineEnd ? '\r' : cp437ToUnicode('\r'));
            --at;
            continue;
        }
        appendCodePoint(out, byte == '\n' || byte == '\t' ? byte : cp437ToUnicode(byte));
    }
}
