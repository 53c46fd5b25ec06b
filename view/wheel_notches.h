// The mouse wheel as Up and Down key presses, with what is left of a notch
// kept: precision touchpads and smooth wheels send deltas of 10 to 40
// instead of 120, and only their sum makes a notch. The frame keeps one
// remainder per window, the Explorer preview pane one per pane.
#pragma once

#include <stdint.h>

// What the deltas so far left over: less than a notch, signed like them. A
// zero-filled one is a wheel at rest.
struct WheelRemainder {
    int32_t delta;
};

// A key press: VK_UP (38) or VK_DOWN (40), and its repeat count.
struct WheelKeys {
    uint32_t key;
    uint32_t repeats;
};

// Adds one message's delta (the signed high word of wParam) to the remainder
// and gives the whole notches of the sum as the frame has always sent them:
// Up for a turn away from the user, else Down, with the number of notches as
// the repeat count (Down with 0 when the sum is still under a notch). The rest
// stays for the next message; a delta of the other sign first drops it.
WheelKeys addWheelDelta(WheelRemainder& remainder, int32_t delta);
