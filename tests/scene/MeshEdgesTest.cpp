#include "tests/scene/AssembledScene.h"
#include "tests/scene/SceneInvariants.h"

#include "app/Teardown.h"
#include "tests/scene/KeyPresses.h"

#include <sstream>

// Meshes at their edges, placed where the balls start (so that every ball starts inside the
// body, a point even sitting exactly at the ball's centre) and in the middle of the arena (where
// the body falls onto the floor): the program starts, runs with balls and the arrow keys'
// pushes, and keeps its state finite, or refuses the mesh with one clear line and builds
// nothing.

namespace {

std::string number(float x) {
    std::ostringstream out;
    out.precision(9);
    out << x;
    return out.str();
}

/// "x y z" of `origin` + (dx, dy, dz), printed so that it reads back as the same floats.
std::string point(const SbVec3f& origin, float dx, float dy, float dz) {
    return number(origin[0] + dx) + " " + number(origin[1] + dy) + " " + number(origin[2] + dz) +
           "\n";
}

using MeshText = std::string (*)(const SbVec3f& origin);

struct MeshCase {
    const char* name;
    MeshText text;
    int points;
    int springs;
    int triangles;
};

const MeshCase loadableMeshes[] = {
    {"SinglePoint", [](const SbVec3f& o) { return "OFF\n1 0 0\n" + point(o, 0, 0, 0); }, 1, 0, 0},
    {"NoPoints", [](const SbVec3f&) { return std::string("OFF\n0 0 0\n"); }, 0, 0, 0},
    {"SevenPointsNoFaces",
     [](const SbVec3f& o) {
         std::string text = "OFF\n7 0 0\n";
         for (int i = 0; i < 7; ++i) {
             text += point(o, 0.1f * i, 0.05f * i, 0);
         }
         return text;
     },
     7, 0, 0},
    {"DuplicatePoints",
     [](const SbVec3f& o) {
         return "OFF\n3 1 0\n" + point(o, 0, 0, 0) + point(o, 0, 0, 0) + point(o, 0, 0, 0) +
                "3 0 1 2\n";
     },
     3, 3, 1},
    {"ZeroLengthEdge",
     [](const SbVec3f& o) {
         return "OFF\n3 2 0\n" + point(o, 0, 0, 0) + point(o, 0.5f, 0, 0) + point(o, 0, 0.5f, 0) +
                "3 0 0 1\n2 1 2\n";
     },
     3, 3, 1},
    {"SevenPointFan",
     [](const SbVec3f& o) {
         // A hexagon around point 0, six triangles: exactly the points the arrow keys push.
         std::string text = "OFF\n7 6 12\n" + point(o, 0, 0, 0);
         const float ring[6][2] = {{0.5f, 0},  {0.25f, 0.43f},   {-0.25f, 0.43f},
                                   {-0.5f, 0}, {-0.25f, -0.43f}, {0.25f, -0.43f}};
         for (const auto& corner : ring) {
             text += point(o, corner[0], 0.2f, corner[1]);
         }
         for (int i = 1; i <= 6; ++i) {
             text += "3 0 " + std::to_string(i) + " " + std::to_string(i % 6 + 1) + "\n";
         }
         return text;
     },
     7, 12, 6},
};

struct Placement {
    const char* name;
    bool atMuzzle;
};

const Placement placements[] = {{"AtTheMuzzle", true}, {"InTheArena", false}};

void PrintTo(const MeshCase& c, std::ostream* out) {
    *out << c.name;
}
void PrintTo(const Placement& p, std::ostream* out) {
    *out << p.name;
}

class MeshEdges : public AssembledScene,
                  public ::testing::WithParamInterface<std::tuple<MeshCase, Placement>> {
protected:
    /// Where the balls start: read from a scene assembled once for the purpose, then released.
    SbVec3f muzzle() {
        EXPECT_TRUE(assemble(cubeMesh(), runOptions()));
        const SbVec3f launch = cannon->launchPoint();
        releaseApplication();
        return launch;
    }
};

// The arrow keys and END push points 1, 2, 5 and 6, whether the body has them or not.
const SoKeyboardEvent::Key pushes[] = {SoKeyboardEvent::LEFT_ARROW, SoKeyboardEvent::RIGHT_ARROW,
                                       SoKeyboardEvent::UP_ARROW, SoKeyboardEvent::DOWN_ARROW,
                                       SoKeyboardEvent::END};

TEST_P(MeshEdges, LoadsAndRunsWithAFiniteState) {
    const auto& [mesh, placement] = GetParam();
    const SbVec3f origin = placement.atMuzzle ? muzzle() : SbVec3f(0, 0, 0);
    ASSERT_TRUE(assemble(mesh.text(origin), runOptions())) << readerOutput;
    ASSERT_TRUE(mpSystem->isLoaded());
    EXPECT_EQ(mesh.points, mpSystem->numPoints());
    EXPECT_EQ(mesh.springs, mpSystem->numSprings());
    EXPECT_EQ(4 * mesh.triangles, mpSystem->numFaceIndices());
    if (placement.atMuzzle && mesh.points > 0) {
        EXPECT_EQ(cannon->launchPoint(), mpSystem->pointPosition(0));
    }

    const std::vector<SoNode*> fixed = fixedWorldChildren();
    pressKey(SoKeyboardEvent::P);
    for (int t = 0; t < 800; ++t) {
        if (t % 20 == 10) {
            pressKey(pushes[t / 20 % 5]);
        }
        if (t % 40 == 0) {
            pressKey(SoKeyboardEvent::SPACE);
            ASSERT_TRUE(worldLayoutHolds(fixed)) << "after a shot at tick " << t;
        }
        const int ballsBefore = ballSet.size();
        tick(t % 4 == 3);
        ASSERT_TRUE(stateIsFinite()) << "tick " << t;
        if (ballSet.size() != ballsBefore) {
            ASSERT_TRUE(worldLayoutHolds(fixed)) << "after a ball fell at tick " << t;
        }
    }
    EXPECT_TRUE(worldLayoutHolds(fixed));
}

INSTANTIATE_TEST_SUITE_P(Meshes, MeshEdges,
                         ::testing::Combine(::testing::ValuesIn(loadableMeshes),
                                            ::testing::ValuesIn(placements)),
                         [](const ::testing::TestParamInfo<std::tuple<MeshCase, Placement>>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    std::get<1>(info.param).name;
                         });

using RefusedMesh = AssembledScene;

/// The last line the reader wrote.
std::string lastLine(const std::string& log) {
    std::string text = log;
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text.substr(text.rfind('\n') + 1);
}

// A face must have two corners to make a spring; the program ends with status 1 after this
// line, before any window is shown, and keeps nothing it built.
TEST_F(RefusedMesh, FacesOfFewerThanTwoVerticesStopTheStartWithOneLine) {
    const std::pair<const char*, const char*> faces[] = {
        {"1 0\n", "Malformed mesh file: face 0 has 1 vertex; a face needs at least 2"},
        {"0\n", "Malformed mesh file: face 0 has 0 vertices; a face needs at least 2"},
        {"-3 0 1 2\n", "Malformed mesh file: face 0 has -3 vertices; a face needs at least 2"}};
    for (const auto& [face, message] : faces) {
        SCOPED_TRACE(face);
        EXPECT_FALSE(assemble(std::string("OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n") + face));
        EXPECT_EQ(message, lastLine(readerOutput));
        EXPECT_EQ(nullptr, sceneRoot);
        EXPECT_EQ(nullptr, worldSeparator);
        EXPECT_EQ(nullptr, timerSensor);
        releaseApplication();
    }
}

} // namespace
