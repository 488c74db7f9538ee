#pragma once

#include "generators/TriangleMesh.h"

/// Springs of a sheet of n x n points, by kind: structural along its rows and columns, shear
/// along both diagonals of each square, bending across two steps of a row or a column.
struct SheetSprings {
    int64_t structural;
    int64_t shear;
    int64_t bending;
    int64_t total() const { return structural + shear + bending; }
};

/// 2 n (n - 1), 2 (n - 1)^2 and 2 n (n - 2) for n of 2 or more (no bending springs below 3).
SheetSprings sheetSpringCounts(int n);

/// A square sheet of `side` units with n x n points, upright, its top edge centred on
/// `topCentre` and running along the level unit direction `across`: point r n + c lies on row r
/// (row 0 at the top) and column c (column 0 at topCentre - across side / 2), so the corners are
/// 0 and n - 1 at the top, n (n - 1) and n^2 - 1 at the bottom. Each square is two triangles,
/// wound counter-clockwise seen from the side that down x across points to (-x for an `across`
/// of +z), whose edges are the structural springs and one diagonal; the other diagonal and the
/// bending springs are struts. Texture coordinates run with the columns (u) and up the rows
/// (v). n is held to 2 .. 2048.
TriangleMesh makeSheet(int n, float side, const SbVec3f& topCentre, const SbVec3f& across);
