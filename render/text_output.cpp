// A file's text as UTF-8 (text_output.h).
#include "render/text_output.h"

#include "document/cp437.h"
#include "document/utf8_encoder.h"

namespace {

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
                appendUtf8(out, lineEnd ? '\r' : cp437ToUnicode('\r'));
            --at;
            continue;
        }
        appendUtf8(out, byte == '\n' || byte == '\t' ? byte : cp437ToUnicode(byte));
    }
}
