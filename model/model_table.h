// The five meshes of the scene: their files, their records and the flat vertex and normal
// arrays that GL draws from. No GL here; the upload and drawing are in model_gpu.cpp.
#pragma once

#include "model/stl_reader.h"

#include <cstddef>
#include <cstdint>

// Model indices.
inline constexpr std::int32_t MODEL_BOARD = 0; // the board
inline constexpr std::int32_t MODEL_GRID = 1;  // the grid lines on the board
inline constexpr std::int32_t MODEL_STONE = 2; // one stone, drawn for every stone and the cursor
inline constexpr std::int32_t MODEL_BLACK_WINS = 3; // banner shown when black has won
inline constexpr std::int32_t MODEL_WHITE_WINS = 4; // banner shown when white has won
inline constexpr int MODEL_COUNT = 5;

// The mesh files, by model index, opened by these bare names in the working directory.
inline constexpr std::size_t MODEL_FILE_NAME_SIZE = 100;
inline constexpr char modelFileNames[MODEL_COUNT][MODEL_FILE_NAME_SIZE] = {
    "plane.STL",      // MODEL_BOARD
    "lines.STL",      // MODEL_GRID
    "circle.STL",     // MODEL_STONE
    "black wins.STL", // MODEL_BLACK_WINS
    "white wins.STL", // MODEL_WHITE_WINS
};

// Floats per facet in each flat array: three vertices of three coordinates.
inline constexpr int FLOATS_PER_FACET = 9;

// One mesh, from its facets as read to its pair of GL buffers.
struct ModelRecord
{
    float *vertexArray;         // facetCount * 9 floats: each facet's three vertices, x y z
    float *normalArray;         // facetCount * 9 floats: each facet's normal, once per vertex
    Facet *facets;              // the facets as read; null when the file failed or held none
    std::int32_t facetCount;    // number of facets; 0 for an empty model
    std::uint32_t vertexBuffer; // GL buffer holding a copy of vertexArray
    std::uint32_t normalBuffer; // GL buffer holding a copy of normalArray
};
// One request for two buffer names fills both: the pair must lie side by side.
static_assert(offsetof(ModelRecord, normalBuffer) ==
                  offsetof(ModelRecord, vertexBuffer) + sizeof(std::uint32_t),
              "normalBuffer directly follows vertexBuffer");

// The program's five models, indexed by model index: zero before main runs, filled once at
// start-up and never released.
extern ModelRecord ModelTable[MODEL_COUNT];

// Builds the record's flat-shaded vertex and normal arrays from its facets: each facet's three
// vertices carry its own normal. An empty model gets two zero-length arrays.
void prepareMesh(ModelRecord *record);
