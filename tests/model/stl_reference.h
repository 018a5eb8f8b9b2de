// The STL reader written the plain way, on `istream >> float` in the classic locale: the oracle
// that the reader must match bit for bit (differential tests and the fuzzer).
#pragma once

#include "model/stl_reader.h"

#include <string>
#include <vector>

struct ReferenceRead
{
    std::vector<Facet> facets;
    std::string_view message; // the failure's message (readable text), empty on success
};

ReferenceRead referenceRead(std::string_view bytes);

// The reader's report of the failure `message` (readable text) as a pipe gets it: Big5, by iconv.
std::string stlReport(std::string_view message);

// How what the reader gave for `bytes` (console text, array, count) differs from the reference:
// empty when the report, the count and every bit of every facet agree.
std::string differenceFromReference(std::string_view bytes, const std::string &console,
                                    const Facet *facets, std::int32_t count);
