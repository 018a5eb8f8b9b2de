// The STL reader written the plain way, on formatted stream extraction: the oracle that the
// fast reader is compared with, by the differential tests and by the fuzzer's invariant check.
#pragma once

#include "model/stl_reader.h"

#include <string_view>
#include <vector>

// What a reference read gives: the facets, or the message of the failure (Big5, one of the
// messages in stl_messages.h; empty on success).
struct ReferenceRead
{
    std::vector<Facet> facets;
    std::string_view message;
};

// Reads `bytes` as the reader reads a stream: numbers are what `>> float` takes in the classic
// locale, a word is what `>> setw(256) >>` takes with the rest of a longer word skipped, and the
// data ending where a facet keyword would stand, or right after a facet's last word, ends the
// facet list.
ReferenceRead referenceReadBytes(std::string_view bytes);

// Reads the file `fileName` (null, missing and directories fail as the reader's do).
ReferenceRead referenceReadFile(const char *fileName);
