// A file's text as Unicode: what the viewer draws, written as UTF-8, so that
// a mangled .nfo can be repaired or put on a web page.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

// Appends text (code page 437 bytes, as read) to out as UTF-8: every byte as
// the character of its glyph, the pictures of the control bytes included,
// except the line ends as the file has them (a line feed, and the carriage
// returns right before one or at the very end) and tabs.
void appendTextAsUtf8(const uint8_t* text, size_t length, std::string& out);
