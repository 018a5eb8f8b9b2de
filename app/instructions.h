// The nine lines of instructions written to the console at start-up.
#pragma once

#include <string_view>

inline constexpr int INSTRUCTION_LINE_COUNT = 9;

// The lines as Big5 bytes, each ending in its newline.
extern const std::string_view INSTRUCTION_LINES[INSTRUCTION_LINE_COUNT];

// Writes the nine lines to standard output, in order.
void writeInstructions();
