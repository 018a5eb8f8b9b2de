// libFuzzer entry point: each input is read as a file's bytes and must read exactly as the
// reference reader reads it; a difference aborts, and the fuzzer keeps the input as a crash.
#include "tests/model/stl_reference.h"

#include <iostream>
#include <sstream>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char *>(data), size);
    std::istringstream in(bytes);
    std::ostringstream console; // the reader writes its report through std::cout
    std::streambuf *saved = std::cout.rdbuf(console.rdbuf());
    std::int32_t count = -1;
    Facet *facets = loadStlFromStream(in, &count);
    std::cout.rdbuf(saved);
    std::string difference = differenceFromReference(bytes, console.str(), facets, count);
    delete[] facets;
    if (!difference.empty()) // ends the run, with the difference, as a crash
        throw std::runtime_error("the reader differs from the reference: " + difference);
    return 0;
}
