// Why UTF-8 text that came close to double-encoded art was read as UTF-8,
// in words for tavelin-render -v (see whyNotRestored in text_encoding.h).
// Apart from the decoding, so that the programs that never say it do not
// carry its words.
#include "document/text_encoding.h"

namespace {

// A message put together in a fixed buffer, cut to fit; no C library
// formatting, which the viewer and the Explorer handlers do without.
struct Message {
    char* out;
    size_t size;
    size_t at;

    Message& operator<<(const char* text)
    {
        for (; *text && at + 1 < size; ++text)
            out[at++] = *text;
        if (size)
            out[at] = 0;
        return *this;
    }
    Message& operator<<(size_t number)
    {
        char digits[24];
        size_t count = 0;
        do
            digits[count++] = (char)('0' + number % 10);
        while ((number /= 10) != 0);
        char text[24];
        for (size_t i = 0; i < count; ++i)
            text[i] = digits[count - 1 - i];
        text[count] = 0;
        return *this << text;
    }
};

}  // namespace

bool whyNotRestored(const ArtEvidence& evidence, char* out, size_t size)
{
    Message message = { out, size, 0 };
    message << "";
    // Close: every character has a byte, and a few art bytes stand apart.
    if (!evidence.restorable || evidence.apart < minArtRepeats || restoresToArt(evidence))
        return false;
    if (2 * evidence.besideLetter > evidence.high)
        message << (size_t)(100 * evidence.besideLetter / evidence.high)
                << " % of its high bytes stand beside a letter (art: at most 50 %)";
    else if (evidence.apart < minUtf8Characters)
        message << evidence.apart << " of its box, block and bullet bytes stand apart from letters (art: at least "
                << minUtf8Characters << ")";
    else
        message << "none of its box, block and bullet bytes stands apart " << minArtRepeats
                << " times (art: a line or bullet does)";
    return true;
}
