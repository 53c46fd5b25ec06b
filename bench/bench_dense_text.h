// The dense text that the compose and tick figures use, native and under Wine
// alike: lines of box-drawing, block and shade characters (0xB0 to 0xDF), 260
// columns each and so wider than a 1920-pixel view, with a tab now and then.
// The characters come from a fixed generator, so both builds draw the same text.
#pragma once

#include <stdint.h>

#include <string>

namespace densetext {

const uint32_t seed = 2024;

// The next line, without a line end; state carries from one line to the next.
inline std::string nextLine(uint32_t& state)
{
    std::string text;
    while (text.size() < 260) {
        state = state * 1664525u + 1013904223u;
        uint32_t pick = state >> 24;
        text += pick < 4 ? '\t' : (char)(0xB0 + pick % 48);
    }
    return text;
}

}  // namespace densetext
