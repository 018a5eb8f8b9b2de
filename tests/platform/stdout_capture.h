// Runs a piece of code with standard output redirected into a temporary file and hands back
// every byte it wrote there, so console text can be checked byte for byte.
#pragma once

#include <functional>
#include <string>

// Redirects file descriptor 1 (and so std::cout and stdout) into a temporary file while
// `action` runs, flushes both streams, restores the real standard output and returns the bytes.
// While it runs, standard output is not a terminal.
std::string captureStdout(const std::function<void()> &action);
