#include "tests/mpsystem/LoadMesh.h"

#include <algorithm>

namespace {

/// What the reader wrote after the last complete line of progress, and the body it left.
struct Rejected {
    LoadedMesh mesh;
    std::string lastLine;
};

Rejected reject(const std::string& text) {
    Rejected r{loadMesh(text), ""};
    const std::string& log = r.mesh.log;
    EXPECT_FALSE(log.empty());
    EXPECT_EQ(log.back(), '\n') << log;
    const auto start = log.rfind('\n', log.size() - 2);
    r.lastLine = log.substr(start == std::string::npos ? 0 : start + 1);
    r.lastLine.pop_back();
    return r;
}

/// The error line, its copy in loadError(), exactly one such line, and an empty body.
void expectRejected(const std::string& text, const std::string& message) {
    SCOPED_TRACE(text);
    const Rejected r = reject(text);
    const MpSystem& body = *r.mesh.body;
    EXPECT_EQ(r.lastLine, "Malformed mesh file: " + message);
    EXPECT_EQ(body.loadError(), r.lastLine);
    EXPECT_FALSE(body.isLoaded());
    const std::string& log = r.mesh.log;
    std::size_t lines = 0;
    for (auto at = log.find("Malformed"); at != std::string::npos;
         at = log.find("Malformed", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, 1u);
    EXPECT_EQ(log.find("Start rendering scene..."), std::string::npos);
    EXPECT_EQ(body.numPoints(), 0);
    EXPECT_EQ(body.numSprings(), 0);
    EXPECT_EQ(body.numFaceIndices(), 0);
}

} // namespace

TEST(MalformedMesh, TextInPlaceOfANumber) {
    expectRejected("OFF\nfour 2 0\n", "the header has no valid point count");
    expectRejected("OFF\n4 two 0\n", "the header has no valid face count");
    expectRejected("OFF\n4 2 none\n0 0 0\n", "the header has no valid edge count");
    expectRejected("OFF\n3 1 0\n0 0 0\n1 x 0\n0 1 0\n3 0 1 2\n",
                   "vertex 1 has a coordinate that is not a valid number");
    expectRejected("TOFF\n3 1 0\n0 0 0 0 0\n1 0 0 u 0\n0 1 0 0 1\n3 0 1 2\n",
                   "vertex 1 has a texture coordinate that is not a valid number");
    expectRejected("OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\nthree 0 1 2\n",
                   "face 0 has a vertex count that is not a valid number");
    expectRejected("OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n3 0 b 2\n",
                   "face 1 has a vertex index that is not a valid number");
}

TEST(MalformedMesh, FileEndingEarlyInEachPart) {
    expectRejected("OFF\n", "the file ends in the header");
    expectRejected("OFF 3 1", "the file ends in the header");
    expectRejected("OFF\n8 6 12\n0 0 0\n1 0 0\n1 1",
                   "the file ends in vertex 2 (the header announced 8)");
    expectRejected("OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
                   "the file ends in face 1 (the header announced 2)");
    expectRejected("OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1",
                   "the file ends in face 0 (the header announced 1)");
}

TEST(MalformedMesh, OpenProgressLineIsEndedBeforeTheMessage) {
    const Rejected r = reject("OFF\n8 6 12\n0 0 0\n1 0 0\n1 1");
    EXPECT_EQ(r.mesh.log,
              "Reading points...\n(8 points)   [-0\n"
              "Malformed mesh file: the file ends in vertex 2 (the header announced 8)\n");
    const Rejected header = reject("OFF -1 0 0\n");
    EXPECT_EQ(header.mesh.log,
              "Malformed mesh file: the header gives a negative point count (-1)\n");
}

TEST(MalformedMesh, NegativeCounts) {
    expectRejected("OFF -4 2 0\n", "the header gives a negative point count (-4)");
    expectRejected("OFF 4 -2 0\n", "the header gives a negative face count (-2)");
}

TEST(MalformedMesh, NegativeEdgeCountIsIgnoredLikeAnyOther) {
    LoadedMesh m = loadMesh("OFF 4 2 -7\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n3 0 1 2\n3 2 1 3\n");
    EXPECT_TRUE(m.body->isLoaded()) << m.body->loadError();
    EXPECT_EQ(m.body->numSprings(), 5);
}

TEST(MalformedMesh, CountsBeyondTheFileAllocateNothingForThem) {
    // Reserving two thousand million points up front would need tens of gigabytes.
    expectRejected("OFF 2000000000 1 0\n0 0 0\n",
                   "the file ends in vertex 1 (the header announced 2000000000)");
    expectRejected("OFF 3 2000000000 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
                   "the file ends in face 1 (the header announced 2000000000)");
    expectRejected("OFF 3 1 0\n0 0 0\n1 0 0\n0 1 0\n2000000000 0 1 2\n",
                   "the file ends in face 0 (the header announced 1)");
    expectRejected("OFF 99999999999 1 0\n", "the header has no valid point count");
}

TEST(MalformedMesh, VertexIndexOutsideThePoints) {
    expectRejected("OFF\n8 3 0\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n"
                   "3 0 1 2\n3 1 2 3\n3 4 12 5\n",
                   "face 2 has vertex index 12 outside 0..7");
    expectRejected("OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 -1 2\n",
                   "face 0 has vertex index -1 outside 0..2");
    expectRejected("OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n",
                   "face 0 has vertex index 3 outside 0..2");
    expectRejected("OFF\n0 1 0\n3 0 1 2\n", "face 0 has vertex index 0 but the mesh has no points");
}

TEST(MalformedMesh, FaceWithFewerThanTwoVertices) {
    const std::string points = "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n";
    expectRejected(points + "1 0\n", "face 0 has 1 vertex; a face needs at least 2");
    expectRejected(points + "0\n", "face 0 has 0 vertices; a face needs at least 2");
    expectRejected(points + "-3 0 1 2\n", "face 0 has -3 vertices; a face needs at least 2");
}

TEST(MalformedMesh, NumbersBeyondSinglePrecision) {
    expectRejected("OFF\n3 1 0\n0 0 0\n1e39 0 0\n0 1 0\n3 0 1 2\n",
                   "vertex 1 has coordinate 1e+39, beyond single precision");
    expectRejected("OFF\n3 1 0\n0 0 0\n0 0 -5e38\n0 1 0\n3 0 1 2\n",
                   "vertex 1 has coordinate -5e+38, beyond single precision");
    expectRejected("OFF\n3 1 0\n0 0 0\n1e400 0 0\n0 1 0\n3 0 1 2\n",
                   "vertex 1 has a coordinate that is not a valid number");
    expectRejected("OFF\n3 1 0\n0 0 0\ninf 0 0\n0 1 0\n3 0 1 2\n",
                   "vertex 1 has a coordinate that is not a valid number");
    expectRejected("OFF\n3 1 0\n0 0 0\nnan 0 0\n0 1 0\n3 0 1 2\n",
                   "vertex 1 has a coordinate that is not a valid number");
    expectRejected("TOFF\n3 1 0\n0 0 0 0 0\n1 0 0 1e39 0\n0 1 0 0 1\n3 0 1 2\n",
                   "vertex 1 has a texture coordinate that is not a valid number");
}

TEST(MalformedMesh, SpringTooLongForSinglePrecision) {
    // Every point is representable, but the square of the last edge's length is not.
    expectRejected("OFF\n3 2 0\n0 0 0\n1 0 0\n1e20 0 0\n2 0 1\n2 1 2\n",
                   "face 1 joins points 1 and 2, too far apart for single precision");
}

TEST(MalformedMesh, EmptyBodyIsSafeToUse) {
    const Rejected r = reject("OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 9\n");
    MpSystem& body = *r.mesh.body;
    EXPECT_EQ(body.pointPosition(0), SbVec3f(0, 0, 0));
    body.addExternalForce(1, SbVec3f(30, 0, 0));
    body.step(0.01f);
    EXPECT_EQ(body.numPoints(), 0);
}

TEST(MalformedMesh, TrailingTextAfterTheFacesIsNotRead) {
    LoadedMesh m = loadMesh(std::string(twoTriangles()) + "# not a comment here\n3 x y z\n");
    EXPECT_TRUE(m.body->isLoaded());
}
