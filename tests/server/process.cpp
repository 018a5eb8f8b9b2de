// Starting and ending programs for the tests, with posix_spawn.
#include "tests/server/process.h"

#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

Process::Process(const std::string &program, const std::vector<std::string> &arguments,
                 const std::filesystem::path &errorLog)
{
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
    {
        throw std::runtime_error("pipe failed");
    }
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &word : words)
    {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorLog.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int failed = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    output_ = pipeEnds[0];
    if (failed != 0)
    {
        close(output_);
        throw std::runtime_error("cannot start " + program);
    }
}

Process::~Process()
{
    end(SIGTERM);
    close(output_);
}

std::string Process::readLine(std::chrono::milliseconds timeout)
{
    std::string line;
    char c = 0;
    pollfd fd{output_, POLLIN, 0};
    while (poll(&fd, 1, static_cast<int>(timeout.count())) > 0 && read(output_, &c, 1) == 1 &&
           c != '\n')
    {
        line += c;
    }
    return c == '\n' ? line : "";
}

int Process::end(int signal)
{
    int status = 0;
    if (pid_ > 0)
    {
        ::kill(pid_, signal);
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR)
        {
        }
        pid_ = -1;
    }
    return status;
}

ServerProcess::ServerProcess(const std::vector<std::string> &arguments,
                             const std::filesystem::path &errorLog)
    : Process(GOMOKU_SERVER_PROGRAM, arguments, errorLog)
{
    const std::string line = readLine(std::chrono::seconds(10));
    const auto colon = line.rfind(':');
    if (line.find("listening on http://") == std::string::npos || colon == std::string::npos)
    {
        throw std::runtime_error("the server did not start: \"" + line + "\"");
    }
    port_ = static_cast<unsigned short>(std::stoi(line.substr(colon + 1)));
}

unsigned short freePort()
{
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr *>(&address), &length);
    close(s);
    return ntohs(address.sin_port);
}
