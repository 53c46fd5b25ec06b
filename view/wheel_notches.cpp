// Wheel deltas summed into whole notches (wheel_notches.h).
#include "view/wheel_notches.h"

namespace {

const int32_t wheelNotch = 120;     // WHEEL_DELTA
const uint32_t keyUp = 38;          // VK_UP
const uint32_t keyDown = 40;        // VK_DOWN

}  // namespace

WheelKeys addWheelDelta(WheelRemainder& remainder, int32_t delta)
{
    if ((delta < 0 && remainder.delta > 0) || (delta > 0 && remainder.delta < 0))
        remainder.delta = 0;
    const int32_t sum = remainder.delta + delta;
    const int32_t notches = sum / wheelNotch;   // toward zero
    remainder.delta = sum - notches * wheelNotch;
    WheelKeys keys;
    keys.key = notches > 0 ? keyUp : keyDown;
    keys.repeats = (uint32_t)(notches < 0 ? -notches : notches);
    return keys;
}
