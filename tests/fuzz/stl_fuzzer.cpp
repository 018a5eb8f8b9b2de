// libFuzzer entry point: each input is read as a file's bytes and must read exactly as the
// reference reader reads it; a difference aborts, and the fuzzer keeps the input as a crash.
#include "tests/model/stl_reference.h"

#include <iostream>
#include <memory>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char *>(data), size);
    std::istringstream in(bytes);
    std::ostringstream console; // the reader writes its report through std::cout
    std::streambuf *saved = std::cout.rdbuf(console.rdbuf());
    std::int32_t count = -1;
    std::unique_ptr<Facet[]> facets(loadStlFromStream(in, &count));
    std::cout.rdbuf(saved);
    std::string difference = differenceFromReference(bytes, console.str(), facets.get(), count);
    if (!difference.empty())
        std::cerr << "the reader differs from the reference: " << difference << std::endl, abort();
    return 0;
}
