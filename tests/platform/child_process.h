// Starts a program with its standard output on a pseudo-terminal or on a pipe, and collects
// every byte it writes there, for tests of what the console code does on a real terminal.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Where the child's standard output goes.
enum class StdoutKind
{
    Terminal, // the slave side of a new pseudo-terminal, in raw mode (bytes pass unchanged)
    Pipe,     // a pipe: not a terminal
};

struct ChildLaunch
{
    std::vector<std::string> argv; // argv[0] is the program's full path
    // Changes to the inherited environment: a value sets the variable, nullopt removes it.
    std::vector<std::pair<std::string, std::optional<std::string>>> environment;
    std::string workingDirectory; // empty: the test's own
};

struct ChildResult
{
    std::string output; // everything written to standard output, in order
    bool exited;        // ended by exit rather than a signal or the hang guard
    int exitCode;       // the exit status when `exited`
    bool hung;          // still running after a generous guard time and killed
};

// Runs the child to its end. Standard input and standard error are /dev/null.
ChildResult runChild(const ChildLaunch &launch, StdoutKind kind);
