#include "generators/TriangleMesh.h"
#include "generators/Icosphere.h"
#include "generators/RoundedBox.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

/// Reads back what writeMesh wrote: keyword, an optional comment line, the counts, the
/// vertex lines and the triangle lines.
struct ReadBack {
    std::string keyword;
    std::string comment;
    long points = -1, faces = -1, edges = -1;
    TriangleMesh mesh;
    bool complete = false;
};

ReadBack readBack(const std::string& text, bool withTex) {
    ReadBack r;
    std::istringstream in(text);
    std::getline(in, r.keyword);
    if (in.peek() == '#') {
        std::getline(in, r.comment);
    }
    in >> r.points >> r.faces >> r.edges;
    for (long i = 0; i < r.points && in; ++i) {
        float x, y, z;
        in >> x >> y >> z;
        r.mesh.points.emplace_back(x, y, z);
        if (withTex) {
            float u, v;
            in >> u >> v;
            r.mesh.texCoords.emplace_back(u, v);
        }
    }
    for (long f = 0; f < r.faces && in; ++f) {
        int n;
        std::array<int32_t, 3> t;
        in >> n >> t[0] >> t[1] >> t[2];
        if (n != 3) {
            return r;
        }
        r.mesh.triangles.push_back(t);
    }
    std::string rest;
    in >> rest;
    r.complete = !in.bad() && rest.empty();
    return r;
}

void expectSameMesh(const TriangleMesh& read, const TriangleMesh& made, bool withTex) {
    ASSERT_EQ(read.points.size(), made.points.size());
    for (size_t i = 0; i < made.points.size(); ++i) {
        for (int a = 0; a < 3; ++a) {
            EXPECT_NEAR(read.points[i][a], made.points[i][a], 1e-6f);
        }
        if (withTex) {
            EXPECT_NEAR(read.texCoords[i][0], made.texCoords[i][0], 1e-6f);
            EXPECT_NEAR(read.texCoords[i][1], made.texCoords[i][1], 1e-6f);
        }
    }
    EXPECT_EQ(read.triangles, made.triangles);
}

} // namespace

TEST(MeshText, ToffCarriesPositionsTextureCoordinatesAndTriangles) {
    TriangleMesh made = makeIcosphere(2, 4.0f, SbVec3f(0.5f, 1, -2));
    std::ostringstream out;
    ASSERT_TRUE(writeMesh(made, MeshForm::Toff, out, "a test ball"));
    ReadBack r = readBack(out.str(), true);
    EXPECT_EQ(r.keyword, "TOFF");
    EXPECT_EQ(r.comment, "# a test ball");
    EXPECT_EQ(r.points, 162);
    EXPECT_EQ(r.faces, 320);
    EXPECT_EQ(r.edges, 480);
    EXPECT_TRUE(r.complete);
    expectSameMesh(r.mesh, made, true);
}

TEST(MeshText, OffCarriesPositionsOnly) {
    TriangleMesh made = makeRoundedBox(SbVec3f(3, 2, 2), 0.5f, 2, 1, SbVec3f(0, 0, 0));
    std::string text = meshText(made, MeshForm::Off);
    ReadBack r = readBack(text, false);
    EXPECT_EQ(r.keyword, "OFF");
    EXPECT_TRUE(r.comment.empty());
    EXPECT_EQ(r.points, long(made.points.size()));
    EXPECT_EQ(r.faces, long(made.triangles.size()));
    EXPECT_EQ(r.edges, long(made.triangles.size()) * 3 / 2);
    EXPECT_TRUE(r.complete);
    expectSameMesh(r.mesh, made, false);
    // Each vertex line holds exactly three numbers.
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    std::getline(lines, line);
    std::getline(lines, line);
    std::istringstream first(line);
    int numbers = 0;
    for (double value; first >> value;) {
        ++numbers;
    }
    EXPECT_EQ(numbers, 3);
}

TEST(MeshText, ToffWithoutTextureCoordinatesIsRefusedAndWritesNothing) {
    TriangleMesh box = makeRoundedBox(SbVec3f(1, 1, 1), 0.2f, 1, 1, SbVec3f(0, 0, 0));
    std::ostringstream out;
    EXPECT_FALSE(writeMesh(box, MeshForm::Toff, out));
    EXPECT_TRUE(out.str().empty());
    EXPECT_TRUE(meshText(box, MeshForm::Toff).empty());
}

TEST(MeshText, FailedStreamIsReported) {
    TriangleMesh ball = makeIcosphere(0, 1.0f, SbVec3f(0, 0, 0));
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    EXPECT_FALSE(writeMesh(ball, MeshForm::Off, out));
}

TEST(MeshText, EdgeCountCountsSharedEdgesOnce) {
    TriangleMesh two;
    two.points = {SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(0, 1, 0), SbVec3f(1, 1, 0)};
    two.triangles = {{0, 1, 2}, {2, 1, 3}};
    EXPECT_EQ(countEdges(two), 5);
    EXPECT_EQ(meshText(two, MeshForm::Off),
              "OFF\n4 2 5\n"
              "0.000000 0.000000 0.000000\n1.000000 0.000000 0.000000\n"
              "0.000000 1.000000 0.000000\n1.000000 1.000000 0.000000\n"
              "3 0 1 2\n3 2 1 3\n");
}

TEST(MeshText, StrutsFollowTheTrianglesAsFacesOfTwoAndCountAsSprings) {
    TriangleMesh two;
    two.points = {SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(0, 1, 0), SbVec3f(1, 1, 0)};
    two.triangles = {{0, 1, 2}, {2, 1, 3}};
    // The second strut joins the same points as a triangle edge: one spring for both.
    two.struts = {{0, 3}, {2, 1}};
    EXPECT_EQ(countEdges(two), 6);
    EXPECT_EQ(meshText(two, MeshForm::Off),
              "OFF\n4 4 6\n"
              "0.000000 0.000000 0.000000\n1.000000 0.000000 0.000000\n"
              "0.000000 1.000000 0.000000\n1.000000 1.000000 0.000000\n"
              "3 0 1 2\n3 2 1 3\n2 0 3\n2 2 1\n");
}
