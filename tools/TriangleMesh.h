#pragma once

#include <Inventor/SbVec2f.h>
#include <Inventor/SbVec3f.h>

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

/// A closed triangle surface as the generators build it: one texture coordinate per point
/// (empty when the body has none) and triangles wound counter-clockwise seen from outside.
struct TriangleMesh {
    std::vector<SbVec3f> points;
    std::vector<SbVec2f> texCoords;
    std::vector<std::array<int32_t, 3>> triangles;
};

/// The two mesh file forms the program reads: "OFF" (positions) and "TOFF" (positions and a
/// texture coordinate pair on each vertex line).
enum class MeshForm { Off, Toff };

/// Number of distinct undirected edges; a closed surface has 3/2 of its triangle count.
int64_t countEdges(const TriangleMesh& mesh);

/// Writes the mesh as text in the given form. A non-empty comment becomes a "#" line after the
/// keyword. Toff needs one texture coordinate per point; without them it writes nothing and
/// returns false. Returns false as well when the stream fails.
bool writeMesh(const TriangleMesh& mesh, MeshForm form, std::ostream& out,
               const std::string& comment = std::string());

/// The same as text, for tests and benchmarks that read a mesh from memory.
std::string meshText(const TriangleMesh& mesh, MeshForm form);
