#include "CoinEnvironment.h"
#include "tests/mpsystem/LoadMesh.h"

#include "common/GlobalView.h"
#include "generators/Icosphere.h"
#include "mpsystem/surface/BodySurface.h"

#include <Inventor/SoPickedPoint.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoRayPickAction.h>
#include <Inventor/details/SoFaceDetail.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

namespace {

/// The window's view when the program starts.
const SbViewportRegion defaultWindow(500, 390);

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/// The bundled ball's shape made finer: radius 4 around (0, 0, 3).
std::string ballText(int level) {
    return meshText(makeIcosphere(level, 4.0f, SbVec3f(0, 0, 3)), MeshForm::Toff);
}

/// A body and its surface in a scene with a camera, drawn (as far as the processor's part of
/// a frame goes) by a callback action in the window's default size.
class ViewedBody {
public:
    explicit ViewedBody(const std::string& text) : mesh_(loadMesh(text)) {
        root_->ref();
        root_->addChild(camera_);
        root_->addChild(mesh_.body->buildSurface(1, 1, 1, 0, ""));
    }
    ~ViewedBody() { root_->unref(); }

    MpSystem& body() { return *mesh_.body; }
    BodySurface& surface() { return *mesh_.body->surface(); }
    const SurfaceLevels& levels() { return surface().levels(); }
    SurfaceStripSet& strips() { return *surface().strips(); }
    const SbVec3f* drawnPoints() { return surface().coordinates()->point.getValues(0); }

    /// Looks at the ball's centre from `distance` away, along the default view's direction.
    void lookFrom(float distance) {
        const SbVec3f centre(0, 0, 3);
        SbVec3f away(-10, 15, 47);
        away.normalize();
        camera_->position = centre + distance * away;
        camera_->pointAt(centre, SbVec3f(0, 1, 0));
    }
    /// Chooses the level and brings its normals up to date, as a frame does.
    bool drawFrame() {
        bool fast = false;
        SoCallbackAction action(defaultWindow);
        action.addPreCallback(
            SurfaceStripSet::getClassTypeId(),
            [](void* result, SoCallbackAction* a, const SoNode* node) {
                SurfaceStripSet* strips =
                    const_cast<SurfaceStripSet*>(static_cast<const SurfaceStripSet*>(node));
                *static_cast<bool*>(result) = strips->updateNormals(a->getState());
                return SoCallbackAction::CONTINUE;
            },
            &fast);
        action.apply(root_);
        return fast;
    }
    SoSeparator* root() { return root_; }

private:
    LoadedMesh mesh_;
    SoSeparator* root_ = new SoSeparator;
    SoPerspectiveCamera* camera_ = new SoPerspectiveCamera;
};

/// A ball with more triangles (81,920) than the default view shows of it, made once.
class LargeBall : public testing::Test {
protected:
    static const std::string& text() {
        static const std::string made = ballText(6);
        return made;
    }
};

} // namespace

struct LevelsCase {
    const char* what;
    std::string text;
    bool levels;
};

class WhichBodiesHaveLevels : public testing::TestWithParam<LevelsCase> {};

TEST_P(WhichBodiesHaveLevels, OnlyThoseBeyondTheBound) {
    ViewedBody viewed(GetParam().text);
    ASSERT_TRUE(viewed.body().isLoaded());
    EXPECT_EQ(viewed.levels().numLevels() > 0, GetParam().levels);
    // A body drawn whole draws through its own index list, as it always has.
    viewed.lookFrom(60);
    EXPECT_TRUE(viewed.drawFrame());
    EXPECT_EQ(viewed.strips().levelDrawn() > 0, GetParam().levels);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, WhichBodiesHaveLevels,
    testing::Values(
        LevelsCase{"bundled ball", fileText(PLIMMERTON_SOURCE_DIR "/data/ball.toff"), false},
        LevelsCase{"bundled box", fileText(PLIMMERTON_SOURCE_DIR "/data/box.off"), false},
        LevelsCase{"ball of 20480 triangles", ballText(5), false},
        LevelsCase{"ball of 81920 triangles", ballText(6), true}),
    [](const testing::TestParamInfo<LevelsCase>& info) { return std::to_string(info.index); });

TEST_F(LargeBall, LevelsKeepTheBodysOwnPointsEachWithinTheFinerOnes) {
    ViewedBody viewed(text());
    const SurfaceLevels& levels = viewed.levels();
    ASSERT_GE(levels.numLevels(), 3);
    EXPECT_EQ(levels.numTriangles(0), 81920);
    std::set<int32_t> finer;
    for (int p = 0; p < viewed.body().numPoints(); ++p) {
        finer.insert(p);
    }
    float finerError = 0.0f;
    for (int i = 1; i <= levels.numLevels(); ++i) {
        SCOPED_TRACE(i);
        const SurfaceLevels::Level& level = levels.level(i);
        EXPECT_LE(level.numTriangles(), levels.numTriangles(i - 1) / 2);
        const std::set<int32_t> points(level.points.begin(), level.points.end());
        EXPECT_TRUE(std::is_sorted(level.points.begin(), level.points.end()));
        EXPECT_EQ(points.size(), level.points.size());
        EXPECT_TRUE(std::includes(finer.begin(), finer.end(), points.begin(), points.end()));
        finer = points;
        // Every triangle joins points of the level and faces outward: none of the folds and
        // slivers the simplifier leaves on a sphere, whose normals would make points sharp.
        for (size_t k = 0; k < level.faceIndices.size(); k += 4) {
            ASSERT_EQ(level.faceIndices[k + 3], -1);
            SbVec3f corner[3];
            for (size_t c = 0; c < 3; ++c) {
                ASSERT_EQ(points.count(level.faceIndices[k + c]), 1u);
                corner[c] = viewed.body().pointPosition(level.faceIndices[k + c]);
            }
            SbVec3f normal = (corner[1] - corner[0]).cross(corner[2] - corner[0]);
            normal.normalize();
            SbVec3f radial = (corner[0] + corner[1] + corner[2]) / 3 - SbVec3f(0, 0, 3);
            radial.normalize();
            ASSERT_GT(normal.dot(radial), 0.5f) << "triangle " << k / 4;
        }
        EXPECT_GT(level.error, finerError);
        finerError = level.error;
        // The outline: no triangle's centre lies farther inside the sphere than a hundredth of
        // its size (8), nor more than a few times the error the level claims.
        float deepest = 0.0f;
        for (size_t k = 0; k < level.faceIndices.size(); k += 4) {
            SbVec3f centre(0, 0, 0);
            for (size_t c = 0; c < 3; ++c) {
                centre += viewed.body().pointPosition(level.faceIndices[k + c]) / 3.0f;
            }
            deepest = std::max(deepest, 4.0f - (centre - SbVec3f(0, 0, 3)).length());
        }
        EXPECT_LE(deepest, SurfaceLevels::largestError * 8.0f);
        EXPECT_LE(deepest, 4 * level.error);
    }
}

TEST_F(LargeBall, CoarserLevelsAsTheSurfaceShrinksOnTheScreen) {
    ViewedBody viewed(text());
    const SurfaceLevels& levels = viewed.levels();
    const int coarsest = levels.numLevels();
    ASSERT_GT(coarsest, 0);
    // Tiny on the screen: the coarsest; larger and larger: never coarser.
    EXPECT_EQ(levels.chooseLevel(1.0f, 0.1f), coarsest);
    int last = coarsest;
    for (float pixelsAcross = 4; pixelsAcross < 4000; pixelsAcross *= 1.5f) {
        const int level = levels.chooseLevel(pixelsAcross * pixelsAcross, pixelsAcross / 8);
        EXPECT_LE(level, last) << pixelsAcross;
        const int facing = levels.numTriangles(level) / 2;
        if (level > 0) {
            EXPECT_LE(pixelsAcross * pixelsAcross, SurfaceLevels::trianglePixels * facing);
            EXPECT_LE(levels.level(level).error * pixelsAcross / 8, SurfaceLevels::errorPixels);
        }
        last = level;
    }
    EXPECT_EQ(last, 0) << "a ball 4000 pixels across is drawn whole";
    // Few pixels, but a level's error would show at this scale.
    const float tooFine = 2 * SurfaceLevels::errorPixels / levels.level(coarsest).error;
    EXPECT_LT(levels.chooseLevel(1.0f, tooFine), coarsest);
    for (float bad : {-1.0f, NAN, INFINITY}) {
        EXPECT_EQ(levels.chooseLevel(bad, 1.0f), 0) << bad;
        EXPECT_EQ(levels.chooseLevel(1.0f, bad), 0) << bad;
    }
}

TEST_F(LargeBall, TheViewChoosesTheLevelAndOnlyItsPointsMove) {
    ViewedBody viewed(text());
    // From the default view's distance the ball is about 70 pixels across.
    viewed.lookFrom(52);
    ASSERT_TRUE(viewed.drawFrame());
    const int far = viewed.strips().levelDrawn();
    ASSERT_GT(far, 0);
    const SurfaceLevels::Level& level = viewed.levels().level(far);
    EXPECT_EQ(viewed.strips().normals().numTriangles(), level.numTriangles());

    // The next copy moves the level's points only.
    for (int i = 0; i < 5; ++i) {
        viewed.body().step(0.01f);
    }
    viewed.body().updateScene();
    const SbVec3f* drawn = viewed.drawnPoints();
    std::vector<bool> inLevel(viewed.body().numPoints(), false);
    for (int32_t p : level.points) {
        inLevel[p] = true;
        ASSERT_EQ(drawn[p], viewed.body().pointPosition(p)) << p;
    }
    const int other =
        static_cast<int>(std::find(inLevel.begin(), inLevel.end(), false) - inLevel.begin());
    ASSERT_LT(other, viewed.body().numPoints());
    EXPECT_NE(drawn[other], viewed.body().pointPosition(other)) << "not drawn, not moved";

    // The bounding box is the level's, with its moved points.
    SbBox3f expected;
    for (int32_t p : level.points) {
        expected.extendBy(viewed.body().pointPosition(p));
    }
    SoGetBoundingBoxAction box(defaultWindow);
    box.apply(viewed.root());
    EXPECT_EQ(box.getBoundingBox().getMin(), expected.getMin());
    EXPECT_EQ(box.getBoundingBox().getMax(), expected.getMax());

    // A pick finds a triangle of the level, whose corners are where the body is.
    SoRayPickAction pick(defaultWindow);
    pick.setRay(SbVec3f(0.1f, -0.3f, 20), SbVec3f(0, 0, -1));
    pick.apply(viewed.root());
    const SoPickedPoint* picked = pick.getPickedPoint();
    ASSERT_NE(picked, nullptr);
    ASSERT_TRUE(picked->getDetail()->isOfType(SoFaceDetail::getClassTypeId()));
    const SoFaceDetail* face = static_cast<const SoFaceDetail*>(picked->getDetail());
    ASSERT_EQ(face->getNumPoints(), 3);
    for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(inLevel[face->getPoint(c)->getCoordinateIndex()]);
    }
    EXPECT_NEAR(picked->getPoint()[2], 7.0f, 0.05f) << "the ball's front";

    // Close up, a finer level is drawn at once, with all its points where the body is.
    viewed.lookFrom(7);
    ASSERT_TRUE(viewed.drawFrame());
    const int near = viewed.strips().levelDrawn();
    EXPECT_LT(near, far);
    for (int p = 0; p < viewed.body().numPoints(); ++p) {
        if (near == 0 || std::binary_search(viewed.levels().level(near).points.begin(),
                                            viewed.levels().level(near).points.end(), p)) {
            ASSERT_EQ(drawn[p], viewed.body().pointPosition(p)) << p;
        }
    }
}

TEST_F(LargeBall, AllTrianglesWhenAskedOrWhenTheIndexListChanges) {
    setenv("PLIMMERTON_ALL_TRIANGLES", "1", 1);
    {
        ViewedBody whole(text());
        EXPECT_EQ(whole.levels().numLevels(), 0);
    }
    const std::string endless(100000, '1');
    for (const std::string& value :
         {std::string(), std::string("0"), std::string("yes"), endless}) {
        setenv("PLIMMERTON_ALL_TRIANGLES", value.c_str(), 1);
        testing::internal::CaptureStderr();
        const bool wanted = BodySurface::levelsWanted();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(wanted) << value.size();
        if (value.size() > 1) {
            EXPECT_THAT(said, testing::EndsWith("PLIMMERTON_ALL_TRIANGLES is neither 0 nor 1: "
                                                "large bodies are drawn in levels\n"));
        } else {
            EXPECT_EQ(said, "");
        }
    }
    unsetenv("PLIMMERTON_ALL_TRIANGLES");

    ViewedBody viewed(text());
    viewed.lookFrom(52);
    ASSERT_TRUE(viewed.drawFrame());
    ASSERT_GT(viewed.strips().levelDrawn(), 0);
    // Levels belong to the index list they were made from.
    viewed.strips().coordIndex.setNum(4 * 80000);
    EXPECT_EQ(viewed.strips().levels(), nullptr);
    ASSERT_TRUE(viewed.drawFrame());
    EXPECT_EQ(viewed.strips().levelDrawn(), 0);
    EXPECT_EQ(viewed.strips().normals().numTriangles(), 80000);
}

TEST(SurfaceLevelsOfAnySurface, DamagedSurfacesKeepTheirOwnPoints) {
    // The large ball with faults no sound surface has, more of them for each seed: triangles
    // with a corner twice, triangles repeated or turned over, points moved onto others, and
    // triangles between random points; the last seed is nothing but random triangles.
    const TriangleMesh ball = makeIcosphere(6, 4.0f, SbVec3f(0, 0, 3));
    const int points = static_cast<int>(ball.points.size());
    for (uint32_t seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        const uint32_t faultsIn100 = seed == 4 ? 100 : 3 * seed - 2;
        std::vector<SbVec3f> at = ball.points;
        std::vector<int32_t> indices;
        auto any = [&]() { return static_cast<int32_t>(random() % points); };
        for (const auto& t : ball.triangles) {
            int32_t a = t[0];
            int32_t b = t[1];
            int32_t c = t[2];
            if (random() % 100 < faultsIn100) {
                switch (random() % 5) {
                case 0:
                    b = a;
                    break;
                case 1:
                    indices.insert(indices.end(), {a, b, c, -1});
                    break;
                case 2:
                    std::swap(b, c);
                    break;
                case 3:
                    at[a] = at[b];
                    break;
                default:
                    a = any();
                    b = any();
                    c = any();
                    break;
                }
            }
            indices.insert(indices.end(), {a, b, c, -1});
        }
        SurfaceLevels levels;
        levels.build(indices.data(), static_cast<int>(indices.size()), at.data(), points);
        if (seed < 3) {
            EXPECT_GT(levels.numLevels(), 0) << "a surface that is mostly one";
        }
        for (int i = 1; i <= levels.numLevels(); ++i) {
            const SurfaceLevels::Level& level = levels.level(i);
            EXPECT_LE(level.numTriangles(), levels.numTriangles(i - 1) / 2);
            for (size_t k = 0; k < level.faceIndices.size(); ++k) {
                const int32_t p = level.faceIndices[k];
                ASSERT_TRUE(k % 4 == 3
                                ? p == -1
                                : std::binary_search(level.points.begin(), level.points.end(), p));
            }
            ASSERT_FALSE(level.points.empty());
            EXPECT_GE(level.points.front(), 0);
            EXPECT_LT(level.points.back(), points);
        }
    }
    // Lists that are not whole triangles of the points get no levels.
    std::vector<int32_t> beyond(4 * (SurfaceLevels::largestWholeSurface + 1), 0);
    for (size_t k = 3; k < beyond.size(); k += 4) {
        beyond[k] = -1;
    }
    const SbVec3f one(0, 0, 0);
    SurfaceLevels levels;
    beyond[0] = 1;
    levels.build(beyond.data(), static_cast<int>(beyond.size()), &one, 1);
    EXPECT_EQ(levels.numLevels(), 0);
    levels.build(beyond.data(), static_cast<int>(beyond.size()) - 1, &one, 1);
    EXPECT_EQ(levels.numLevels(), 0);
}

TEST_F(LargeBall, ALevelHoldsUntilTheBodyIsATenthSmaller) {
    ViewedBody viewed(text());
    std::vector<float> distances;
    for (float d = 8; d < 150; d *= 1.02f) {
        distances.push_back(d);
    }
    // Moving away the levels only grow coarser, coming back only finer; a coarser level is
    // taken up farther away than where it is left coming back.
    std::vector<int> away;
    for (float d : distances) {
        viewed.lookFrom(d);
        ASSERT_TRUE(viewed.drawFrame());
        away.push_back(viewed.strips().levelDrawn());
    }
    std::vector<int> back(distances.size());
    for (size_t i = distances.size(); i-- > 0;) {
        viewed.lookFrom(distances[i]);
        ASSERT_TRUE(viewed.drawFrame());
        back[i] = viewed.strips().levelDrawn();
    }
    EXPECT_TRUE(std::is_sorted(away.begin(), away.end()));
    EXPECT_TRUE(std::is_sorted(back.begin(), back.end()));
    EXPECT_EQ(away.front(), 0);
    EXPECT_EQ(away.back(), viewed.levels().numLevels());
    int held = 0;
    for (size_t i = 0; i < distances.size(); ++i) {
        EXPECT_LE(away[i], back[i]) << distances[i];
        held += away[i] < back[i] ? 1 : 0;
    }
    EXPECT_GE(held, 3) << "distances at which moving away still holds the finer level";
}
