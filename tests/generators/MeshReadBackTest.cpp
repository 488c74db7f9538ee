// The program's own mesh reader takes the generated text as the generator meant it.

#include "CoinEnvironment.h"
#include "generators/BundledData.h"
#include "generators/Icosphere.h"
#include "generators/RoundedBox.h"
#include "generators/TriangleMesh.h"
#include "mpsystem/MpSystem.h"

#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

namespace {

/// Reads a mesh text into a body, keeping the reader's progress lines out of the test log.
struct ReadBody {
    std::string log;
    std::unique_ptr<MpSystem> body;

    explicit ReadBody(const std::string& text) {
        std::istringstream in(text);
        std::ostringstream captured;
        std::streambuf* old = std::cerr.rdbuf(captured.rdbuf());
        body = std::make_unique<MpSystem>(in, 0.04f, 1.0f, 85.0f);
        std::cerr.rdbuf(old);
        log = captured.str();
    }
};

void expectBodyIsMesh(const MpSystem& body, const TriangleMesh& mesh, bool withTex) {
    ASSERT_TRUE(body.isLoaded()) << body.loadError();
    ASSERT_EQ(body.numPoints(), int(mesh.points.size()));
    EXPECT_EQ(body.numSprings(), int(mesh.triangles.size()) * 3 / 2 + int(mesh.struts.size()));
    // Struts add springs only: the drawn surface is the triangles alone.
    ASSERT_EQ(body.numFaceIndices(), int(mesh.triangles.size()) * 4);
    EXPECT_EQ(body.hasFileTexCoords(), withTex);
    for (int i = 0; i < body.numPoints(); ++i) {
        for (int a = 0; a < 3; ++a) {
            EXPECT_NEAR(body.positions()[i][a], mesh.points[i][a], 1e-6f);
        }
        if (withTex) {
            EXPECT_NEAR(body.texCoords()[i][0], mesh.texCoords[i][0], 1e-6f);
            EXPECT_NEAR(body.texCoords()[i][1], mesh.texCoords[i][1], 1e-6f);
        }
    }
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(body.faceIndices()[4 * t + k], mesh.triangles[t][k]);
        }
        EXPECT_EQ(body.faceIndices()[4 * t + 3], -1);
    }
}

} // namespace

TEST(MeshReadBack, IcosphereToffBecomesABodyWithSpringsOnEveryEdge) {
    TriangleMesh ball = makeIcosphere(3, 4.0f, SbVec3f(0, 0, 0));
    std::ostringstream text;
    ASSERT_TRUE(writeMesh(ball, MeshForm::Toff, text, "a comment the reader skips"));
    ReadBody read(text.str());
    expectBodyIsMesh(*read.body, ball, true);
    EXPECT_NE(read.log.find("(642 points)"), std::string::npos) << read.log;
    EXPECT_NE(read.log.find("A total number of edges: 1920\n"), std::string::npos) << read.log;
}

TEST(MeshReadBack, BracedIcosphereGetsOneMoreSpringPerStrut) {
    TriangleMesh ball = makeIcosphere(3, 4.0f, SbVec3f(0, 0, 3), Bracing::ThroughCentre);
    ReadBody read(meshText(ball, MeshForm::Toff));
    expectBodyIsMesh(*read.body, ball, true);
    EXPECT_NE(read.log.find("A total number of edges: 2241\n"), std::string::npos) << read.log;
    // The struts come after the surface's edges, in the file's order.
    const int surfaceSprings = 1920;
    for (size_t k = 0; k < ball.struts.size(); ++k) {
        const SpringEnds& spring = read.body->springs()[surfaceSprings + k];
        EXPECT_EQ(spring.a, ball.struts[k][0]);
        EXPECT_EQ(spring.b, ball.struts[k][1]);
        EXPECT_NEAR(read.body->restLengths()[surfaceSprings + k], 8.0, 1e-5);
    }
}

TEST(MeshReadBack, RoundedBoxOffBecomesABodyWithSpringsOnEveryEdge) {
    TriangleMesh box = makeRoundedBox(SbVec3f(3, 2, 2), 0.75f, 4, 2, SbVec3f(0, 0, 0));
    ReadBody read(meshText(box, MeshForm::Off));
    expectBodyIsMesh(*read.body, box, false);

    TriangleMesh braced =
        makeRoundedBox(SbVec3f(3, 2, 2), 0.75f, 4, 2, SbVec3f(0, 0, 0), Bracing::ThroughCentre);
    ReadBody readBraced(meshText(braced, MeshForm::Off));
    expectBodyIsMesh(*readBraced.body, braced, false);
}

TEST(MeshReadBack, BundledBodiesLoadFromTheirFiles) {
    for (const char* name : {"ball.toff", "box.off"}) {
        std::ifstream in(std::string(PLIMMERTON_SOURCE_DIR) + "/data/" + name);
        ASSERT_TRUE(in.is_open()) << name;
        std::ostringstream text;
        text << in.rdbuf();
        ReadBody read(text.str());
        ASSERT_TRUE(read.body->isLoaded()) << name << ": " << read.body->loadError();
        // The arrow keys push points 1, 2, 5 and 6.
        EXPECT_GE(read.body->numPoints(), 7) << name;
        // One spring per edge of the closed surface, and one strut across the body per pair
        // of points.
        int triangles = read.body->numFaceIndices() / 4;
        EXPECT_EQ(read.body->numSprings(), triangles * 3 / 2 + read.body->numPoints() / 2) << name;
    }
}
