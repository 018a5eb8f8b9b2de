// A child process with its standard output on a pseudo-terminal or a pipe.
#include "tests/platform/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char **environ;

namespace
{

// A guard against a child that never ends, not a measure of speed.
constexpr int HANG_GUARD_MS = 60000;

std::vector<std::string> childEnvironment(const ChildLaunch &launch)
{
    std::vector<std::string> entries;
    for (char **entry = environ; *entry != nullptr; ++entry)
    {
        std::string text = *entry;
        bool overridden = false;
        for (const auto &[name, value] : launch.environment)
        {
            overridden = overridden || text.rfind(name + "=", 0) == 0;
        }
        if (!overridden)
        {
            entries.push_back(text);
        }
    }
    for (const auto &[name, value] : launch.environment)
    {
        if (value)
        {
            entries.push_back(name + "=" + *value);
        }
    }
    return entries;
}

std::vector<char *> pointers(std::vector<std::string> &strings)
{
    std::vector<char *> result;
    for (std::string &text : strings)
    {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

// In the child: standard input and error from /dev/null, standard output on `outFd`, then the
// program. Only async-signal-safe calls here.
[[noreturn]] void execChild(int outFd, const std::string &workingDirectory, char **argv,
                            char **envp)
{
    int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDERR_FILENO);
    dup2(outFd, STDOUT_FILENO);
    if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0)
    {
        _exit(126);
    }
    execve(argv[0], argv, envp);
    _exit(127);
}

std::string readUntilClosed(int fd, pid_t child, bool *hung)
{
    std::string output;
    *hung = false;
    for (;;)
    {
        pollfd waitFor = {fd, POLLIN, 0};
        int ready = poll(&waitFor, 1, HANG_GUARD_MS);
        if (ready == 0)
        {
            *hung = true;
            kill(child, SIGKILL);
            break;
        }
        if (ready < 0 && errno == EINTR)
        {
            continue;
        }
        char chunk[4096];
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got <= 0)
        {
            break; // end of the pipe, or EIO once the terminal's last writer has gone
        }
        output.append(chunk, static_cast<std::size_t>(got));
    }
    return output;
}

} // namespace

ChildResult runChild(const ChildLaunch &launch, StdoutKind kind)
{
    std::vector<std::string> argvStrings = launch.argv;
    std::vector<char *> argv = pointers(argvStrings);
    std::vector<std::string> envStrings = childEnvironment(launch);
    std::vector<char *> envp = pointers(envStrings);

    int readFd = -1;
    int writeFd = -1;
    if (kind == StdoutKind::Terminal)
    {
        if (openpty(&readFd, &writeFd, nullptr, nullptr, nullptr) != 0)
        {
            throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
        }
        termios mode;
        tcgetattr(writeFd, &mode);
        cfmakeraw(&mode); // no "\n" to "\r\n" translation: the bytes arrive as written
        tcsetattr(writeFd, TCSANOW, &mode);
    }
    else
    {
        int fds[2];
        if (pipe(fds) != 0)
        {
            throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
        }
        readFd = fds[0];
        writeFd = fds[1];
    }

    pid_t child = fork();
    if (child < 0)
    {
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (child == 0)
    {
        close(readFd);
        execChild(writeFd, launch.workingDirectory, argv.data(), envp.data());
    }
    close(writeFd);

    ChildResult result{};
    result.output = readUntilClosed(readFd, child, &result.hung);
    close(readFd);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR)
    {
    }
    result.exited = WIFEXITED(status);
    result.exitCode = result.exited ? WEXITSTATUS(status) : -1;
    return result;
}
