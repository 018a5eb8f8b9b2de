// Standard output redirected into a temporary file for the length of one call.
#include "tests/platform/stdout_capture.h"

#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace
{

void flushBoth()
{
    std::cout.flush();
    std::fflush(stdout);
}

// Puts the saved descriptor back as standard output when the capture ends, however it ends.
struct Redirection
{
    int saved;
    std::FILE *sink;

    Redirection() : saved(dup(STDOUT_FILENO)), sink(std::tmpfile())
    {
        if (saved < 0 || sink == nullptr || dup2(fileno(sink), STDOUT_FILENO) < 0)
        {
            throw std::runtime_error("cannot redirect standard output");
        }
    }

    ~Redirection()
    {
        flushBoth();
        dup2(saved, STDOUT_FILENO);
        close(saved);
        std::fclose(sink);
    }

    std::string contents() const
    {
        flushBoth();
        std::string bytes;
        std::rewind(sink);
        char chunk[4096];
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, sink)) > 0)
        {
            bytes.append(chunk, got);
        }
        return bytes;
    }
};

} // namespace

std::string captureStdout(const std::function<void()> &action)
{
    flushBoth();
    Redirection redirection;
    action();
    return redirection.contents();
}
