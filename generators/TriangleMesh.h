#pragma once

#include <Inventor/SbVec2f.h>
#include <Inventor/SbVec3f.h>

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

/// A closed triangle surface as the generators build it: one texture coordinate per point
/// (empty when the body has none), triangles wound counter-clockwise seen from outside, and
/// struts across the inside.
struct TriangleMesh {
    std::vector<SbVec3f> points;
    std::vector<SbVec2f> texCoords;
    std::vector<std::array<int32_t, 3>> triangles;
    /// Pairs of points joined by a spring of their own. A shell of edge springs alone has no
    /// stiffness against bending and folds up like paper under its weight; struts keep it in
    /// shape. They are written as faces of two vertices after the triangles, which the reader
    /// turns into springs without adding anything to the drawn surface.
    std::vector<std::array<int32_t, 2>> struts;
};

/// Which struts a generator adds: none, or one from every point to the point opposite it
/// through the body's centre.
enum class Bracing { None, ThroughCentre };

/// The two mesh file forms the program reads: "OFF" (positions) and "TOFF" (positions and a
/// texture coordinate pair on each vertex line).
enum class MeshForm { Off, Toff };

/// Number of distinct undirected point pairs joined by a triangle edge or a strut: the number of
/// springs the program makes of the mesh. A closed surface without struts has 3/2 of its
/// triangle count.
int64_t countEdges(const TriangleMesh& mesh);

/// The most springs (distinct triangle edges and struts) that meet at one point; 0 without
/// points.
int32_t mostSpringsAtAPoint(const TriangleMesh& mesh);

/// Writes the mesh as text in the given form: the triangles as faces of three vertices, then the
/// struts as faces of two. A non-empty comment becomes a "#" line after the keyword, and a
/// `pressure` above 0 a record "# pressure P" after it, which asks the program for a gas of that
/// pressure inside the surface (readers without it skip it as a comment). Toff needs one
/// texture coordinate per point; without them it writes nothing and returns false. Returns false as
/// well when the stream fails.
bool writeMesh(const TriangleMesh& mesh, MeshForm form, std::ostream& out,
               const std::string& comment = std::string(), float pressure = 0.0f);

/// The same as text, for tests and benchmarks that read a mesh from memory.
std::string meshText(const TriangleMesh& mesh, MeshForm form);
