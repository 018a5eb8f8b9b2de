// Runs a piece of code with standard output redirected into a temporary file and hands back
// every byte it wrote there, so console text can be checked byte for byte.
#pragma once

#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <unistd.h>

// While `action` runs, file descriptor 1 (std::cout and stdout) is a file, not a terminal.
inline std::string captureStdout(const std::function<void()> &action)
{
    std::cout.flush();
    std::fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    std::FILE *sink = std::tmpfile();
    dup2(fileno(sink), STDOUT_FILENO);
    action();
    std::cout.flush();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    std::string bytes(static_cast<std::size_t>(lseek(fileno(sink), 0, SEEK_END)), '\0');
    std::rewind(sink);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), sink));
    std::fclose(sink);
    return bytes;
}
