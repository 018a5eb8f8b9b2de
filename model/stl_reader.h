// Reads one triangle mesh from an ASCII STL file into an array of facets.
#pragma once

#include <cstdint>
#include <iosfwd>

// One triangle: the unit normal computed from the vertices, then the three vertices as read.
struct Facet
{
    float normal[3]; // unit normal; the zero vector for a facet without area
    float v1[3];     // first vertex (x, y, z)
    float v2[3];     // second vertex
    float v3[3];     // third vertex
};
static_assert(sizeof(Facet) == 12 * sizeof(float), "a facet is twelve contiguous floats");

// Reads the ASCII STL file `fileName`. On success returns a new[]-allocated array of exactly
// *countOut facets in file order (null when the file holds none). On any failure writes the
// two-line report to standard output, sets *countOut to 0 and returns null. Never throws a
// format error; only exhausted memory passes to the caller.
Facet *loadStl(const char *fileName, std::int32_t *countOut);

// The same reader over an already opened stream, for tests and tools that read from memory.
Facet *loadStlFromStream(std::istream &in, std::int32_t *countOut);

// The unit normal of the triangle v1, v2, v3 (counter-clockwise seen from its front), computed
// in single precision, or in double precision where that would overflow or underflow; the zero
// vector for a triangle without area, and the undivided cross product for vertices that are not
// all finite.
void facetNormal(const float v1[3], const float v2[3], const float v3[3], float out[3]);
