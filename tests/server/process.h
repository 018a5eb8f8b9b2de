// A program the test starts and ends: the real server, or nginx. Standard output comes back
// through a pipe (the server prints its address there), standard error goes to a log file.
#pragma once

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
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

    // The next line of its standard output, or "" when none comes within the timeout.
    std::string readLine(std::chrono::milliseconds timeout);
    // Sends the signal and waits for the end; returns the wait status.
    int end(int signal);
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string pending_;
};

// The server, started with these arguments (--port 0 for any free port): waits for the
// line that gives its port. Throws when it does not come within 10 s.
class ServerProcess
{
public:
    ServerProcess(const std::vector<std::string> &arguments, const std::filesystem::path &errorLog);
    unsigned short port() const { return port_; }
    void kill() { process_.end(SIGKILL); }
    // Stops it as an operator would, with SIGTERM; its exit status (a clean stop is 0).
    int stop()
    {
        const int status = process_.end(SIGTERM);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    Process process_;
    unsigned short port_ = 0;
};

// A TCP port of the loopback that nobody listens on now.
unsigned short freePort();
