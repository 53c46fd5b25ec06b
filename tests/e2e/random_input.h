// Seeded random input for the real program under Wine: one table of actions
// and weights, one loop that draws a step from the table and carries it out,
// and one set of checks after every batch of steps (see random_input.cpp).
// A run is fixed by its seed: the same seed draws the same steps.
#pragma once

#include <windows.h>

#include <stdint.h>
#include <string>

namespace randominput {

// What the program holds, read from outside its process.
struct Figures {
    int threads = 0;
    unsigned userObjects = 0;     // GetGuiResources, or its windows where Wine has no count
    unsigned gdiObjects = 0;      // GetGuiResources, or its entries in the GDI handle table
    uint64_t privateBytes = 0;    // committed private memory
};

struct Outcome {
    uint64_t seed = 0;
    int steps = 0;                // steps carried out
    bool fault = false;
    std::string what;             // the first fault, with the step it showed at
    Figures first, last;          // after the first batch and after the last one
};

// Starts the program and drives it for `steps` steps drawn from `seed`, or
// until the tick count `deadline` passes (0: no deadline). Stops at the first
// fault.
Outcome drive(uint64_t seed, int steps, DWORD deadline = 0);

// Holds the middle button and scrolls at full speed through `file` (of
// `lines` lines) from the top to the end and back, `rounds` times.
Outcome speedScroll(const std::string& file, int64_t lines, int rounds);

// GDI objects, windows and threads of a process, as the checks count them.
Figures measure(HANDLE process, DWORD processId);

// One line: seed, steps, figures and the fault if there was one.
std::string describe(const Outcome& outcome);

}  // namespace randominput
