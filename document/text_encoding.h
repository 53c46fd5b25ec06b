// Which encoding a file's text is in, and decoding UTF-8 or UTF-16 text into
// the code page 437 bytes the font draws, in place. Many .nfo files were
// converted to UTF-8 or saved as UTF-16 at some point; drawn as bytes, their
// art falls apart, decoded and mapped back it is the original picture.
#pragma once

#include <stddef.h>
#include <stdint.h>

// What the user asked for.
enum class EncodingChoice { cp437, utf8, utf16, automatic };

// What the text is taken to be. The two double-encoded forms are code page
// 437 art that was once read as Windows-1252 or Latin-1 and saved as UTF-8:
// each character stands for the byte it has in that code page.
enum class TextEncoding { cp437, utf8, utf16le, utf16be, utf8FromWindows1252, utf8FromLatin1 };

// Multi-byte characters that UTF-8 text without a mark must hold before it is
// taken for UTF-8: two art bytes such as C4 B3 form one valid sequence.
const size_t minUtf8Characters = 8;

// What UTF-8 text shows of being double-encoded code page 437 art, its
// characters read back as the bytes Windows-1252 or Latin-1 gives them.
struct ArtEvidence {
    bool restorable;        // every character has such a byte
    size_t high;            // bytes above 0x7F
    size_t besideLetter;    // of those, next to an ASCII letter
    size_t apart;           // art bytes (box, block, shade, bullet) apart from letters and digits
    size_t mostOfOne;       // the most of those that are one same byte
};

// Art bytes apart from letters that one byte value must reach, at least.
const size_t minArtRepeats = 4;

// Whether the bytes that double-encoded text restores to are plainly code
// page 437 art: at least minUtf8Characters art bytes apart from letters and
// digits, one byte value minArtRepeats times, at most half of the high bytes
// beside a letter (the reasons: text_encoding.cpp).
bool restoresToArt(const ArtEvidence& evidence);

// automatic: a UTF-8 byte order mark (EF BB BF) means UTF-8, FF FE UTF-16 LE,
// FE FF UTF-16 BE; without one, UTF-8 when the whole text is valid UTF-8
// (no overlong forms, no surrogates, nothing past U+10FFFF) with at least
// minUtf8Characters multi-byte characters, and code page 437 otherwise. Box
// and block bytes of real code page 437 art break UTF-8 sequences, so art is
// not mistaken. UTF-8 text, with a mark or without, is double-encoded when
// every character is one that Windows-1252 or Latin-1 gives for a byte and
// the bytes so restored are plainly art (restoresToArt).
// *evidence (when not null) receives what UTF-8 text showed, all zero for
// other text.
// `prefix`: the text is only the start of a file, so a sequence cut at its
// end does not count against UTF-8.
// utf16: big-endian when the text starts with FE FF, little-endian otherwise.
// utf8 and cp437 are taken as they are.
TextEncoding detectEncoding(const uint8_t* bytes, size_t length, EncodingChoice choice, bool prefix = false,
                            ArtEvidence* evidence = nullptr);

// Why UTF-8 text that came close to being taken for double-encoded art was
// not, for a user who may force code page 437: "61 % of its high bytes stand
// beside a letter (art: at most 50 %)" and the like, in out (size bytes,
// zero-terminated). Close: every character has a byte and at least four
// art bytes stand apart from letters. Returns false, out empty, otherwise.
bool whyNotRestored(const ArtEvidence& evidence, char* out, size_t size);

// Decodes length bytes in place into code page 437 bytes and returns the new
// length (never more than length). A leading byte order mark of the encoding
// is dropped. A character without a glyph becomes '?', and so does every
// invalid part of the text: for UTF-8 each maximal invalid subpart (a lead
// byte with the continuation bytes that fit it so far, or a stray byte); for
// UTF-16 each unpaired surrogate and a trailing odd byte. *unmapped (when not
// null) receives how many '?' were written that way. U+0000 to U+007F stay
// the same bytes. cp437 leaves the text as it is. The double-encoded forms
// give each character's byte in its code page, '?' where it has none.
size_t decodeToCp437(uint8_t* bytes, size_t length, TextEncoding encoding, uint64_t* unmapped);
