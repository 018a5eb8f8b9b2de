// A recording stand-in for the freeglut calls the game makes outside drawing: tests link it in
// place of freeglut and read back, in order, what freeglut would have been asked.
#pragma once

#include <string>
#include <utility>
#include <vector>

using AnyCallback = void (*)(); // any callback, compared by address only

// One call as it was made: its name and arguments as text, and the callback it was handed.
using GlutCall = std::pair<std::string, AnyCallback>;

template <typename Function> AnyCallback anyCallback(Function *function)
{
    return reinterpret_cast<AnyCallback>(function);
}

// Every call since the list was last cleared, oldest first.
std::vector<GlutCall> &fakeGlutCalls();
