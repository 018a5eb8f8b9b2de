// Small meshes with known geometry for the GL tests, and the test scene built from them: a board
// square, one grid bar, a flat square stone and two banner plates at different places.
#pragma once

#include "model/stl_reader.h"
#include "tests/render/view_math.h"

#include <cstdint>
#include <vector>

Facet makeFacet(Vec3 normal, Vec3 a, Vec3 b, Vec3 c);

// A rectangle in the plane z = `z`, seen counter-clockwise from +z: two facets.
std::vector<Facet> rectangleFacingZ(double x0, double y0, double x1, double y1, double z);
// A rectangle in the plane y = `y`, seen counter-clockwise from +y: two facets.
std::vector<Facet> rectangleFacingY(double x0, double z0, double x1, double z1, double y);
// An axis-aligned box with outward normals: twelve facets.
std::vector<Facet> boxFacets(Vec3 low, Vec3 high);

// Hands `facets` to model k as loading would (a new[] array and its count), then prepares the
// record's vertex and normal arrays. An empty vector gives the empty model of a failed file.
void installModel(std::int32_t k, const std::vector<Facet> &facets);

// The test scene's geometry, each in its model's own coordinates.
inline constexpr double TEST_BOARD_LOW = 5.0;    // board square from (5, 5) ...
inline constexpr double TEST_BOARD_HIGH = 95.0;  // ... to (95, 95), at z = 0
inline constexpr double TEST_GRID_BAR_Y = 55.05; // grid bar's centre line, between columns 9 and 10
inline constexpr double TEST_GRID_BAR_HALF = 0.5; // the bar is one unit wide
inline constexpr double TEST_GRID_BAR_X0 = 10.0;  // and runs from x = 10 ...
inline constexpr double TEST_GRID_BAR_X1 = 90.0;  // ... to x = 90
inline constexpr double TEST_GRID_BAR_Z = 2.0;    // one unit above the board's plane
inline constexpr double TEST_STONE_HALF = 4.0;    // stone square: 8 x 8 around the cell, at y = 0
// Banner plates, both from y = -1 to 1 at z = 0; their probes are their centres.
inline constexpr Vec3 BLACK_BANNER_PROBE = {1.5, 0.0, 0.0}; // black-wins plate: x 0 .. 3
inline constexpr Vec3 WHITE_BANNER_PROBE = {5.5, 0.0, 0.0}; // white-wins plate: x 4 .. 7

// Installs the whole test scene into the model table (arrays prepared, nothing uploaded).
void installTestScene();
