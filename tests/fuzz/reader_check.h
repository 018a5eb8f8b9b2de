// The STL reader's invariants over arbitrary input bytes, checked in one call: shared by the
// libFuzzer target and by the test that replays every seed and fixture through the reader.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Reads `bytes` as an STL file and checks what came back: the count and the array agree, a
// model is read only after a "solid" first line of at most 255 characters ended by a line feed,
// the console shows either nothing (a model or an empty solid) or exactly one two-line report
// with one of the reader's messages, the report and the facets are bit for bit those of a plain
// reference reader built on formatted stream extraction, every normal is the one computed from
// its vertices, and the facets survive being written out and read again. Returns a description
// of the first broken invariant, or an empty string when all of them hold.
std::string readerFaultsOn(std::string_view bytes);

// The two-line report for the failure message `message` (Big5, from stl_messages.h), as the
// console writes it here.
std::string readerReport(std::string_view message);

// Runs `write` with standard output's stream swapped for a string and returns what it wrote.
std::string consoleOutputOf(const std::function<void()> &write);
