// A command-line probe for the slow hostile-file checks: reads one file through loadStl, lets
// any report go to standard output as usual, and prints the facet count on standard error.
#include "model/stl_reader.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: stl_probe FILE\n");
        return 2;
    }
    std::int32_t count = -1;
    Facet *facets = loadStl(argv[1], &count);
    std::fprintf(stderr, "facets: %d\n", static_cast<int>(count));
    delete[] facets;
    return 0;
}
