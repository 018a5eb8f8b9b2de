// libFuzzer entry points for the STL reader: every input is read as a file's bytes and the
// reader's invariants are checked; a broken one aborts, which the fuzzer keeps as a crash.
#include "tests/fuzz/reader_check.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The reader reports on standard output; the checker captures those reports itself, and
    // anything else is sent nowhere, so that the fuzzer's own lines on stderr stay readable.
    int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0)
    {
        dup2(devNull, STDOUT_FILENO);
        close(devNull);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string problem =
        readerFaultsOn(std::string_view(reinterpret_cast<const char *>(data), size));
    if (!problem.empty())
    {
        std::fprintf(stderr, "reader invariant broken: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
