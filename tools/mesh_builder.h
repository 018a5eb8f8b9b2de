// An indexed triangle mesh for the mesh generator, the closed solids it is built from, and the
// writer that turns it into ASCII STL text.
#pragma once

#include <string>
#include <vector>

// A point in model units.
struct Vec3
{
    double x;
    double y;
    double z;
};

// Triangles over shared vertices: a shared corner is one vertex, so it is written with the same
// text in every facet that uses it and the facets meet exactly.
struct Mesh
{
    std::vector<Vec3> vertices; // every corner once
    std::vector<int> triangles; // three vertex indices a triangle, counter-clockwise outside
};

// Appends a vertex and returns its index.
int addVertex(Mesh &mesh, Vec3 point);

// Appends the triangle a, b, c, turned if need be so that its front faces along `outward`.
void addTriangle(Mesh &mesh, int a, int b, int c, Vec3 outward);

// Appends the triangle a, b, c of a convex solid, turned to face away from `inner`, a point
// inside the solid.
void addConvexTriangle(Mesh &mesh, int a, int b, int c, Vec3 inner);

// A convex solid lofted through rings: the rings (all of one length, first to last, each a closed
// loop of corners) are joined by quads, then each end is closed either by a fan to a pole point
// or, without a pole, by the end ring's own flat polygon. Every facet faces away from the solid's
// middle, which for a convex solid is the outside.
struct ConvexLoft
{
    std::vector<std::vector<Vec3>> rings; // first ring first
    bool hasBottomPole;                   // close the first ring with a fan to bottomPole
    Vec3 bottomPole;
    bool hasTopPole; // close the last ring with a fan to topPole
    Vec3 topPole;
};
void addConvexLoft(Mesh &mesh, const ConvexLoft &loft);

// The union of the cells of a rectilinear lattice, lifted from z0 up to a flat top: xs and ys are
// the lattice lines in ascending order, inside[j * (xs.size() - 1) + i] says whether the cell
// between xs[i]..xs[i + 1] and ys[j]..ys[j + 1] is solid. The top lies at z1 along ys[0] and rises
// by topRise for each unit of y, so it may lean back. Each solid cell gets its top and bottom and
// a wall on every side it shares with an empty cell, so neighbours meet along whole edges and the
// result is one closed surface. Two solid cells that touch only at a corner would make four walls
// meet at one edge; the lattice must not hold them (the call aborts if it does).
void addCellSolid(Mesh &mesh, const std::vector<double> &xs, const std::vector<double> &ys,
                  const std::vector<bool> &inside, double z0, double z1, double topRise);

// The mesh as ASCII STL text: "solid name", the facets with the unit normal of their written
// vertices, "endsolid name", each line ended by a line feed. Aborts on a facet without area.
std::string formatAsciiStl(const Mesh &mesh, const char *solidName);
