// A program the test starts and ends (the server, nginx): its standard output through a pipe,
// its standard error to a log file.
#pragma once

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

class Process
{
public:
    // Starts `program` with `arguments`; throws when it cannot be started.
    Process(const std::string &program, const std::vector<std::string> &arguments,
            const std::filesystem::path &errorLog);
    // Ends it with SIGTERM, if it still runs, and waits.
    ~Process();
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    // The next line of its standard output, or "" when it stops or waits longer than `timeout`.
    std::string readLine(std::chrono::milliseconds timeout);
    // Sends the signal and waits for the end; returns the wait status (0: exited with 0).
    int end(int signal);

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

// The server, started with these arguments (--port 0 for any free port), once it has printed
// the line that gives its port; throws when that does not come within 10 s.
class ServerProcess : public Process
{
public:
    ServerProcess(const std::vector<std::string> &arguments, const std::filesystem::path &errorLog);
    unsigned short port() const { return port_; }

private:
    unsigned short port_ = 0;
};

// A TCP port of the loopback that nobody listens on now.
unsigned short freePort();
