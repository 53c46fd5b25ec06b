// A Unix command started from a Wine-run test through Wine's spawn helper.
#pragma once

#include <string>
#include <vector>

// Runs args[0] (looked up in PATH) with the rest as its arguments. With wait,
// true when it ran and exited with 0; without, true when it started.
bool runUnixCommand(std::vector<std::string> args, bool wait);
