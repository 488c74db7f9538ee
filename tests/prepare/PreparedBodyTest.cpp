// Prepared bodies in the program's own physics and reader: braced, a body that is not round
// keeps its shape on the floor where its bare shell folds; it stands where the ball stands,
// the right way up, with its key points in place and its texture coordinates.

#include "ModelFiles.h"
#include "balls/CollisionWorld.h"
#include "generators/Icosphere.h"
#include "generators/RoundedBox.h"
#include "mpsystem/MpSystem.h"
#include "prepare/Preparation.h"
#include "prepare/PrincipalExtents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <sstream>

namespace {

struct Level {
    float stiffness;
    float timeStep;
};

/// What a drop onto the floor left of the body.
struct Drop {
    /// The smallest share of a principal extent that the body kept.
    double leastShare = 0;
    bool finiteAndInside = true;
    float lowest = 0;
};

/// Reads the body with the program's reader and runs it on the floor, as the timer does; with
/// `inflated`, at the pressure of the README's rule (MpSystem::holdingPressure).
Drop dropOnFloor(const TriangleMesh& body, const Level& level, int ticks, bool inflated = false) {
    std::istringstream text(meshText(body, MeshForm::Toff));
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    MpSystem mp(text, 0.04f, 0.3f, level.stiffness);
    std::cerr.rdbuf(progress);
    EXPECT_TRUE(mp.isLoaded()) << mp.loadError();
    if (inflated) {
        EXPECT_TRUE(mp.setPressure(mp.holdingPressure())) << mp.pressureProblem();
    }
    CollisionWorld world;
    world.addWall(Wall{SbVec3f(0, -15, 0), 15});
    world.addBody(&mp);
    const auto before = principalExtents(mp.positions(), mp.numPoints());
    for (int k = 0; k < ticks; ++k) {
        mp.step(level.timeStep);
        world.accumulateContactForces();
    }
    Drop drop;
    const auto after = principalExtents(mp.positions(), mp.numPoints());
    drop.leastShare = std::min({after[0] / before[0], after[1] / before[1], after[2] / before[2]});
    drop.lowest = INFINITY;
    for (int i = 0; i < mp.numPoints(); ++i) {
        const SbVec3f& p = mp.positions()[i];
        drop.finiteAndInside = drop.finiteAndInside && std::isfinite(p[0]) && std::isfinite(p[1]) &&
                               std::isfinite(p[2]) && std::fabs(p[0]) < 16 &&
                               std::fabs(p[2]) < 16 && p[1] > -16;
        drop.lowest = std::min(drop.lowest, p[1]);
    }
    return drop;
}

TriangleMesh prepared(const std::string& text, const char* suffix,
                      const PrepareOptions& options = PrepareOptions()) {
    TempFile file(suffix);
    file.write(text);
    TriangleMesh body;
    PrepareReport report;
    EXPECT_EQ(prepareModel(file.path(), options, body, report), "");
    return body;
}

/// A box three times as long as it is wide and high: struts through its centre alone would
/// let it flatten.
TriangleMesh longBox() {
    return makeRoundedBox(SbVec3f(3, 1, 1), 0.4f, 4, 2, SbVec3f(5, 7, -2));
}

SbVec3f extent(const TriangleMesh& mesh, SbVec3f* centre = nullptr) {
    SbVec3f low = mesh.points[0];
    SbVec3f high = mesh.points[0];
    for (const SbVec3f& p : mesh.points) {
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], p[a]);
            high[a] = std::max(high[a], p[a]);
        }
    }
    if (centre != nullptr) {
        *centre = (low + high) * 0.5f;
    }
    return high - low;
}

bool onSurface(const TriangleMesh& mesh, int32_t point) {
    return std::any_of(mesh.triangles.begin(), mesh.triangles.end(), [point](const auto& t) {
        return t[0] == point || t[1] == point || t[2] == point;
    });
}

} // namespace

class PreparedBodyOnTheFloor : public testing::TestWithParam<Level> {};

TEST_P(PreparedBodyOnTheFloor, KeepsTheShapeOfALongBoxWhoseBareShellFolds) {
    const TriangleMesh body = prepared(objText(longBox()), ".obj");
    const Drop braced = dropOnFloor(body, GetParam(), 3000);
    EXPECT_TRUE(braced.finiteAndInside);
    EXPECT_GE(braced.leastShare, 0.6);
    EXPECT_NEAR(braced.lowest, -15.0f, 1.0f) << "resting on the floor";

    TriangleMesh bare = body;
    bare.struts.clear();
    EXPECT_LT(dropOnFloor(bare, GetParam(), 3000).leastShare, 0.6)
        << "a body that keeps its shape without struts proves nothing about them";
}

TEST_P(PreparedBodyOnTheFloor, OpenBowlPreparesAndStaysFinite) {
    TriangleMesh bowl = makeIcosphere(3, 1.0f, SbVec3f(0, 0, 0), Bracing::None);
    bowl.triangles.erase(std::remove_if(bowl.triangles.begin(), bowl.triangles.end(),
                                        [&bowl](const auto& t) {
                                            return bowl.points[t[0]][1] > 0.1f ||
                                                   bowl.points[t[1]][1] > 0.1f ||
                                                   bowl.points[t[2]][1] > 0.1f;
                                        }),
                         bowl.triangles.end());
    const TriangleMesh body = prepared(meshText(bowl, MeshForm::Off), ".off");
    ASSERT_FALSE(body.struts.empty());
    const Drop drop = dropOnFloor(body, GetParam(), 3000);
    EXPECT_TRUE(drop.finiteAndInside);
    EXPECT_NEAR(drop.lowest, -15.0f, 1.0f);
}

TEST_P(PreparedBodyOnTheFloor, HeldByTheGasWithoutStrutsKeepsItsShape) {
    PrepareOptions options;
    options.pressure = 30;
    const TriangleMesh models[] = {longBox(),
                                   makeRoundedBox(SbVec3f(3, 2, 2), 0.75f, 4, 2, SbVec3f(0, 0, 0)),
                                   makeIcosphere(3, 1.0f, SbVec3f(0, 0, 0))};
    for (const TriangleMesh& model : models) {
        TempFile file(".obj");
        file.write(objText(model));
        TriangleMesh body;
        PrepareReport report;
        ASSERT_EQ(prepareModel(file.path(), options, body, report), "");
        ASSERT_EQ(report.pressure, 30.0f) << report.pressureProblem;
        EXPECT_EQ(report.bracing.struts, 0) << "one piece needs no ties";
        EXPECT_EQ(static_cast<int64_t>(body.struts.size()), report.bendingSprings);
        EXPECT_LE(countEdges(body), static_cast<int64_t>(body.points.size()) * 7 / 2)
            << "at most 3.5 springs a point";
        const Drop held = dropOnFloor(body, GetParam(), 4000, true);
        EXPECT_TRUE(held.finiteAndInside);
        EXPECT_GE(held.leastShare, 0.85) << model.points.size() << " points";
        EXPECT_NEAR(held.lowest, -15.0f, 1.0f) << "resting on the floor";
        EXPECT_LT(dropOnFloor(body, GetParam(), 4000).leastShare, 0.6)
            << "without the gas the same body folds";
    }
}

TEST(PreparedBody, AnOpenSurfaceAskedForPressureIsBracedAndSaysWhy) {
    TriangleMesh bowl = makeIcosphere(3, 1.0f, SbVec3f(0, 0, 0), Bracing::None);
    bowl.triangles.resize(bowl.triangles.size() - 3);
    PrepareOptions options;
    options.pressure = 30;
    TempFile file(".obj");
    file.write(objText(bowl));
    TriangleMesh body;
    PrepareReport report;
    ASSERT_EQ(prepareModel(file.path(), options, body, report), "");
    EXPECT_EQ(report.pressure, 0.0f);
    EXPECT_NE(report.pressureProblem.find("on one triangle only (holes)"), std::string::npos)
        << report.pressureProblem;
    EXPECT_GT(report.bracing.struts, 0);
}

INSTANTIATE_TEST_SUITE_P(KeyLevels, PreparedBodyOnTheFloor,
                         testing::Values(Level{85, 0.012f}, Level{50, 0.012f},
                                         Level{120, 0.0182f}));

TEST(PreparedBody, StandsWhereTheBallStandsWithItsKeyPointsOnTheSurface) {
    const TriangleMesh body = prepared(objText(longBox()), ".obj");
    SbVec3f centre;
    const SbVec3f size = extent(body, &centre);
    EXPECT_NEAR(std::max({size[0], size[1], size[2]}), 8.0f, 1e-3f);
    EXPECT_NEAR((centre - SbVec3f(0, 0, 3)).length(), 0.0f, 1e-3f);
    ASSERT_GE(body.points.size(), 7u);
    EXPECT_LE(body.points.size(), static_cast<size_t>(defaultPointBudget));
    for (const SbVec3f& p : body.points) {
        EXPECT_LE(p[1], body.points[0][1]) << "point 0, the headcam's, is the highest";
    }
    for (int32_t key : {0, 1, 2, 5, 6}) {
        EXPECT_TRUE(onSurface(body, key)) << "point " << key;
    }
    EXPECT_GT(body.points[1][0], centre[0] + 3.9f) << "points 1, 2, 5, 6 lie around the body";
    EXPECT_LT(body.points[2][0], centre[0] - 3.9f);
    EXPECT_GT(body.points[5][2], centre[2] + 1.2f);
    EXPECT_LT(body.points[6][2], centre[2] - 1.2f);

    std::vector<int> springs(body.points.size(), 0);
    std::istringstream text(meshText(body, MeshForm::Toff));
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    MpSystem mp(text, 0.04f, 0.3f, 85.0f);
    std::cerr.rdbuf(progress);
    for (int s = 0; s < mp.numSprings(); ++s) {
        ++springs[mp.springs()[s].a];
        ++springs[mp.springs()[s].b];
    }
    EXPECT_LE(*std::max_element(springs.begin(), springs.end()), defaultMaxSpringsPerPoint)
        << "more springs at a point make the step unstable at the stiffest level";
}

TEST(PreparedBody, ZUpStlStandsUpAndIsWelded) {
    const TriangleMesh tower = makeRoundedBox(SbVec3f(1, 1, 3), 0, 2, 0, SbVec3f(0, 0, 0));
    TempFile file(".stl");
    file.write(stlText(tower));
    for (UpAxis up : {UpAxis::Z, UpAxis::Y}) {
        PrepareOptions options;
        options.up = up;
        TriangleMesh body;
        PrepareReport report;
        ASSERT_EQ(prepareModel(file.path(), options, body, report), "");
        EXPECT_EQ(report.pointsRead, static_cast<int64_t>(3 * tower.triangles.size()));
        EXPECT_EQ(report.pointsWelded, static_cast<int64_t>(tower.points.size()));
        const SbVec3f size = extent(body);
        if (up == UpAxis::Z) {
            EXPECT_NEAR(size[1], 8.0f, 1e-3f) << "standing";
            EXPECT_NEAR(size[2], 8.0f / 3, 1e-3f);
        } else {
            EXPECT_NEAR(size[1], 8.0f / 3, 1e-3f) << "lying as the file has it";
        }
    }
}

TEST(PreparedBody, KeepsTheModelsTextureCoordinatesElseWrapsTheImageAsTheReaderDoes) {
    TriangleMesh box = longBox();
    for (const SbVec3f& p : box.points) {
        box.texCoords.emplace_back((p[0] - 2) / 6, (p[1] - 6) / 2);
    }
    const TriangleMesh textured = prepared(objText(box), ".obj");
    // The model's coordinates were u = (x - 2) / 6; the body is the model moved and scaled by
    // 8 / 6, so u follows x on the body with slope 1 / 8.
    for (size_t i = 0; i < textured.points.size(); ++i) {
        EXPECT_NEAR(textured.texCoords[i][0], (textured.points[i][0] + 4) / 8, 1e-4f);
    }

    const TriangleMesh plain = prepared(objText(longBox()), ".obj");
    std::istringstream text(meshText(plain, MeshForm::Off));
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    MpSystem mp(text, 0.04f, 0.3f, 85.0f);
    std::cerr.rdbuf(progress);
    ASSERT_EQ(mp.numPoints(), static_cast<int>(plain.points.size()));
    for (int i = 0; i < mp.numPoints(); ++i) {
        // u wraps around: 0 and 1 are the same seam.
        const float du = std::fabs(plain.texCoords[i][0] - mp.texCoords()[i][0]);
        EXPECT_LT(std::min(du, 1 - du), 1e-4f) << "point " << i;
        EXPECT_NEAR(plain.texCoords[i][1], mp.texCoords()[i][1], 1e-4f) << "point " << i;
    }
}
