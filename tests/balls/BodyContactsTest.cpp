// Contacts between bodies and within one body: the law on hand-worked pairs, which pairs of one
// body touch, and the world of several bodies.

#include "balls/BodyContacts.h"
#include "CoinEnvironment.h"
#include "balls/BallSet.h"
#include "balls/CollisionWorld.h"
#include "balls/ContactTimeStep.h"
#include "common/Finite.h"
#include "generators/Icosphere.h"
#include "generators/RoundedBox.h"
#include "mpsystem/MeshReader.h"
#include "mpsystem/MpSystem.h"
#include "mpsystem/StableTimeStep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

BodyMesh meshOf(const std::string& text, float mass = 1) {
    std::istringstream in(text);
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    BodyMesh mesh = MeshReader(in).read(mass);
    std::cerr.rdbuf(progress);
    return mesh;
}

std::unique_ptr<MpSystem> bodyOf(const std::string& text, const SbVec3f& offset = SbVec3f(0, 0, 0),
                                 float mass = 1) {
    BodyMesh mesh = meshOf(text, mass);
    for (SbVec3f& p : mesh.positions) {
        p += offset;
    }
    return std::make_unique<MpSystem>(std::move(mesh), 0.0f, 0.0f);
}

/// One triangle with sides 1, 1 and the square root of 2: its median side is 1, its points'
/// radius half that. A loose point has none, so it touches the triangle's points below 0.5.
const char* triangle = "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
const char* point = "OFF\n1 0 0\n0 0 0\n";

std::string dataFile(const std::string& name) {
    std::ifstream in(std::string(PLIMMERTON_SOURCE_DIR) + "/data/" + name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool allZero(const MpSystem& body) {
    for (int i = 0; i < body.numPoints(); ++i) {
        if (body.externalForces()[i] != SbVec3f(0, 0, 0)) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(BodyContactLaw, OverlappingPointsOfTwoBodiesPushApartByTheirDepthEquallyAndOppositely) {
    // The triangle's point 1, at (1, 0, 0), and the loose point at (1.18, 0.24, 0): 0.3 apart,
    // 0.2 deep; the triangle's other points are further than 0.5 from it.
    std::unique_ptr<MpSystem> a = bodyOf(triangle);
    std::unique_ptr<MpSystem> b = bodyOf(point, SbVec3f(1.18f, 0.24f, 0));
    BodyContacts contacts;
    contacts.add(*a);
    contacts.add(*b);
    EXPECT_EQ(contacts.shape(0).radius(), 0.5f);
    EXPECT_EQ(contacts.shape(1).radius(), 0.0f);
    contacts.accumulate({a.get(), b.get()});

    // 600 per unit of depth along the line between them: 120 along (0.6, 0.8).
    const SbVec3f onB = b->externalForces()[0];
    EXPECT_NEAR(onB[0], 72, 1e-3);
    EXPECT_NEAR(onB[1], 96, 1e-3);
    EXPECT_EQ(onB[2], 0);
    EXPECT_EQ(onB, -a->externalForces()[1]) << "equal and opposite to the bit";
    EXPECT_EQ(a->externalForces()[0], SbVec3f(0, 0, 0));
    EXPECT_EQ(a->externalForces()[2], SbVec3f(0, 0, 0));
}

TEST(BodyContactLaw, PairsAtTheirContactDistanceOrAtOnePlacePushNothing) {
    // One loose point exactly 0.5 from the triangle's point 1, another on it; two loose points
    // touch nothing, having no size.
    std::unique_ptr<MpSystem> a = bodyOf(triangle);
    std::unique_ptr<MpSystem> b = bodyOf(point, SbVec3f(1.5f, 0, 0));
    std::unique_ptr<MpSystem> c = bodyOf(point, SbVec3f(1, 0, 0));
    std::unique_ptr<MpSystem> d = bodyOf(point, SbVec3f(1.25f, 0, 0));
    BodyContacts contacts;
    for (const MpSystem* body : {a.get(), b.get(), c.get(), d.get()}) {
        contacts.add(*body);
    }
    contacts.accumulate({a.get(), b.get(), c.get(), d.get()});
    contacts.accumulateAllPairs({a.get(), b.get(), c.get(), d.get()});
    EXPECT_TRUE(allZero(*b));
    EXPECT_TRUE(allZero(*c));
    // Only the last one, 0.25 from the triangle's point 1, pushes: 150 in each of both passes.
    EXPECT_EQ(d->externalForces()[0], SbVec3f(300, 0, 0));
    EXPECT_EQ(a->externalForces()[1], SbVec3f(-300, 0, 0));
    EXPECT_EQ(a->externalForces()[0], SbVec3f(0, 0, 0));
    EXPECT_EQ(a->externalForces()[2], SbVec3f(0, 0, 0));
}

class BodyAtRest : public testing::TestWithParam<const char*> {};

TEST_P(BodyAtRest, FeelsNoContactOfItsOwnWhereverItIsMovedOrTurned) {
    const std::string name = GetParam();
    std::string text;
    if (name == "sphere") {
        text =
            meshText(makeIcosphere(5, 3, SbVec3f(0, 0, 0), Bracing::ThroughCentre), MeshForm::Off);
    } else if (name == "thin slab") {
        text = meshText(makeRoundedBox(SbVec3f(3, 0.1f, 3), 0.05f, 12, 1, SbVec3f(0, 0, 0)),
                        MeshForm::Off);
    } else {
        text = dataFile(name);
    }
    std::unique_ptr<MpSystem> body = bodyOf(text);
    BodyContacts contacts;
    contacts.add(*body);
    contacts.accumulate({body.get()});
    EXPECT_EQ(contacts.searchedPoints(), 0) << "nothing near enough to be searched";
    contacts.accumulatePlain({body.get()});
    contacts.accumulateAllPairs({body.get()});
    EXPECT_TRUE(allZero(*body));
    EXPECT_GT(contacts.shape(0).radius(), 0);

    // The same shape turned and moved far away is still at rest.
    BodyMesh mesh = meshOf(text);
    for (SbVec3f& p : mesh.positions) {
        p = SbVec3f(-p[2], p[1], p[0]) + SbVec3f(300, -40, 1000);
    }
    MpSystem turned(std::move(mesh), 0, 0);
    contacts.accumulateAllPairs({&turned});
    contacts.accumulate({&turned});
    EXPECT_TRUE(allZero(turned));
}

INSTANTIATE_TEST_SUITE_P(BundledAndMade, BodyAtRest,
                         testing::Values("ball.toff", "box.off", "sphere", "thin slab"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

TEST(BodyContactRules, RadiusIsHalfTheMedianSurfaceSpringWhateverTheStruts) {
    const TriangleMesh plain = makeIcosphere(3, 4, SbVec3f(0, 0, 0));
    const TriangleMesh braced = makeIcosphere(3, 4, SbVec3f(0, 0, 0), Bracing::ThroughCentre);
    std::unique_ptr<MpSystem> a = bodyOf(meshText(plain, MeshForm::Off));
    std::unique_ptr<MpSystem> b = bodyOf(meshText(braced, MeshForm::Off));
    BodyContacts contacts;
    contacts.add(*a);
    contacts.add(*b);
    EXPECT_EQ(contacts.shape(0).radius(), contacts.shape(1).radius()) << "struts play no part";
    // A level-3 sphere of radius 4 has sides of about 0.5 to 0.7.
    EXPECT_GT(contacts.shape(0).radius(), 0.25f);
    EXPECT_LT(contacts.shape(0).radius(), 0.35f);

    // A body of loose points has no spacing to tell: its points are points, and meet another
    // body's spheres only.
    std::unique_ptr<MpSystem> loose = bodyOf("OFF\n2 0 0\n0 0 0\n0.01 0 0\n");
    contacts.add(*loose);
    EXPECT_EQ(contacts.shape(2).radius(), 0);
    contacts.accumulate({a.get(), b.get(), loose.get()});
    EXPECT_TRUE(allZero(*loose));
}

TEST(BodyContactRules, TheTwoSidesOfAThinPartPushOnlyWhenSqueezedCloserThanAtRest) {
    // A slab 0.2 thick, its sides about half a spring apart: well inside each other's reach,
    // yet at rest they feel nothing.
    const TriangleMesh slab = makeRoundedBox(SbVec3f(3, 0.1f, 3), 0.05f, 12, 1, SbVec3f(0, 0, 0));
    std::unique_ptr<MpSystem> body = bodyOf(meshText(slab, MeshForm::Off));
    BodyContacts contacts;
    contacts.add(*body);
    const BodyContactShape& shape = contacts.shape(0);
    ASSERT_LT(0.2f, shape.contactDistance()) << "the sides are within reach";
    ASSERT_FALSE(shape.pointsWithNearPartners().empty()) << "the sides face each other";

    // Squeezed to half its thickness: the sides push each other apart, and nowhere else.
    BodyMesh mesh = meshOf(meshText(slab, MeshForm::Off));
    for (SbVec3f& p : mesh.positions) {
        p[1] *= 0.5f;
    }
    MpSystem squeezed(std::move(mesh), 0, 0);
    contacts.accumulate({&squeezed});
    int up = 0;
    int down = 0;
    for (int i = 0; i < squeezed.numPoints(); ++i) {
        const SbVec3f f = squeezed.externalForces()[i];
        const float y = squeezed.positions()[i][1];
        EXPECT_TRUE(f == SbVec3f(0, 0, 0) || f[1] * y > 0) << "point " << i << " pushed outward";
        up += f[1] > 0 ? 1 : 0;
        down += f[1] < 0 ? 1 : 0;
    }
    EXPECT_GT(up, 50);
    EXPECT_GT(down, 50);
}

TEST(BodyContactRules, CrowdedFabricNeverPushesButFacesPressedTogetherDo) {
    const TriangleMesh sphere = makeIcosphere(4, 3, SbVec3f(0, 0, 0));
    std::unique_ptr<MpSystem> rest = bodyOf(meshText(sphere, MeshForm::Off));
    BodyContacts contacts;
    contacts.add(*rest);
    const float contact = contacts.shape(0).contactDistance();

    // Shrunk to half its size, every point crowds its neighbours closer than the contact
    // distance, yet no two points that were three contact distances apart come within it.
    BodyMesh mesh = meshOf(meshText(sphere, MeshForm::Off));
    for (SbVec3f& p : mesh.positions) {
        p *= 0.5f;
    }
    MpSystem shrunk(std::move(mesh), 0, 0);
    ASSERT_LT(
        (shrunk.positions()[sphere.triangles[0][0]] - shrunk.positions()[sphere.triangles[0][1]])
            .length(),
        contact);
    contacts.accumulate({&shrunk});
    contacts.accumulateAllPairs({&shrunk});
    EXPECT_TRUE(allZero(shrunk));

    // Squeezed into a flat disc, its two faces push each other apart across it.
    mesh = meshOf(meshText(sphere, MeshForm::Off));
    for (SbVec3f& p : mesh.positions) {
        p[1] *= 0.02f;
    }
    MpSystem disc(std::move(mesh), 0, 0);
    contacts.accumulate({&disc});
    int pushed = 0;
    for (int i = 0; i < disc.numPoints(); ++i) {
        const SbVec3f f = disc.externalForces()[i];
        const SbVec3f& p = disc.positions()[i];
        // Away from the rim, where the faces fold into each other.
        if (f != SbVec3f(0, 0, 0) && p[0] * p[0] + p[2] * p[2] < 4) {
            ++pushed;
            EXPECT_GT(f[1] * p[1], 0) << "point " << i << " is pushed back to its own face";
        }
    }
    EXPECT_GT(pushed, disc.numPoints() / 5) << "the faces, 0.12 apart, within " << contact;
}

TEST(BodyContactWorld, EveryBodyMeetsTheFloorTheBallsAndTheOthersAndRemovedOnesNothing) {
    CollisionWorld world;
    BallSet balls;
    world.setBalls(&balls);
    world.addWall(Wall{SbVec3f(0, -15, 0), 15});
    balls.append(std::make_unique<Ball>(SbVec3f(5, 0, 0), SbVec3f(0, 0, 0), 1, 0, 0));
    std::unique_ptr<MpSystem> first = bodyOf(triangle, SbVec3f(0, -15.5f, 0));
    std::unique_ptr<MpSystem> second = bodyOf(triangle, SbVec3f(4.5f, 0, 0));
    std::unique_ptr<MpSystem> third = bodyOf(triangle, SbVec3f(5.25f, 0.5f, 0));
    for (MpSystem* body : {first.get(), second.get(), third.get()}) {
        world.addBody(body);
    }
    world.accumulateContactForces();
    EXPECT_EQ(first->externalForces()[0], SbVec3f(0, 30, 0)) << "the floor";
    EXPECT_NE(second->externalForces()[1], SbVec3f(0, 0, 0)) << "the ball";
    EXPECT_NE(third->externalForces()[0], SbVec3f(0, 0, 0)) << "the ball and the second body";
    EXPECT_NE(balls.at(0).force(), SbVec3f(0, 0, 0));

    // Taken out, the second body is neither reached nor reaches the third.
    world.removeBody(second.get());
    world.removeBody(second.get());
    ASSERT_EQ(world.bodies().size(), 2u);
    EXPECT_EQ(world.bodyContacts().size(), 2);
    const SbVec3f secondBefore = second->externalForces()[1];
    second.reset();
    std::unique_ptr<MpSystem> alone = bodyOf(triangle, SbVec3f(5.25f, 0.5f, 0));
    CollisionWorld reference;
    reference.setBalls(&balls);
    reference.addWall(Wall{SbVec3f(0, -15, 0), 15});
    std::unique_ptr<MpSystem> firstAgain = bodyOf(triangle, SbVec3f(0, -15.5f, 0));
    reference.addBody(firstAgain.get());
    reference.addBody(alone.get());
    third->step(0);
    first->step(0);
    world.accumulateContactForces();
    reference.accumulateContactForces();
    EXPECT_EQ(third->externalForces()[0], alone->externalForces()[0]);
    EXPECT_EQ(first->externalForces()[0], firstAgain->externalForces()[0]);
    EXPECT_NE(secondBefore, SbVec3f(0, 0, 0));

    world.clearBodies();
    EXPECT_TRUE(world.bodies().empty());
    EXPECT_EQ(world.bodyContacts().size(), 0);
    world.accumulateContactForces();
    balls.clear();
}

TEST(BodyContactWorld, SceneTimeStepIsTheSmallestBodyBoundWithTheContactsBetweenThem) {
    CollisionWorld world;
    world.addWall(Wall{SbVec3f(0, -15, 0), 15});
    std::unique_ptr<MpSystem> ball = bodyOf(dataFile("ball.toff"), SbVec3f(0, 0, 0), 0.3f);
    std::unique_ptr<MpSystem> light = bodyOf(dataFile("ball.toff"), SbVec3f(10, 0, 0), 0.1f);
    ball->setStiffness(85);
    light->setStiffness(85);
    const StableTimeStep ballBound(*ball);
    const StableTimeStep lightBound(*light);
    world.addBody(ball.get());
    EXPECT_EQ(sceneTimeStep({&ballBound}, world), contactTimeStep(ballBound, *ball, world))
        << "one body alone: its bound among the floor's contacts";
    world.addBody(light.get());
    const float both = sceneTimeStep({&ballBound, &lightBound}, world);
    EXPECT_LT(both, contactTimeStep(lightBound, *light, world)) << "pressing on each other";
    EXPECT_LT(both, sceneTimeStep({&ballBound, nullptr}, world)) << "the lighter body sets it";
    EXPECT_GT(both, 0.0f);
}

TEST(BodyContactRules, EmptyDegenerateAndFarFlungBodiesAreTakenInWithoutHarm) {
    BodyMesh empty;
    MpSystem none(std::move(empty), 0, 0);
    std::unique_ptr<MpSystem> onePlace = bodyOf("OFF\n3 1 0\n1 1 1\n1 1 1\n1 1 1\n3 0 1 2\n");
    std::unique_ptr<MpSystem> huge = bodyOf("OFF\n4 2 0\n0 0 0\n1e30 0 0\n0 1e30 0\n-1e30 0 0\n"
                                            "3 0 1 2\n3 0 2 3\n");
    std::unique_ptr<MpSystem> near = bodyOf(triangle, SbVec3f(1, 1, 1));
    std::vector<MpSystem*> bodies{&none, onePlace.get(), huge.get(), near.get()};
    CollisionWorld world;
    for (MpSystem* body : bodies) {
        world.addBody(body);
    }
    world.accumulateContactForces();
    world.accumulatePlainContactForces();
    world.bodyContacts().accumulateAllPairs(bodies);
    for (const MpSystem* body : bodies) {
        for (int i = 0; i < body->numPoints(); ++i) {
            EXPECT_TRUE(isFinite(body->externalForces()[i]));
        }
    }
    EXPECT_EQ(world.bodyContacts().shape(1).radius(), 0) << "no spacing to tell";
    world.removeBody(huge.get());
    world.removeBody(&none);
    world.accumulateContactForces();
    EXPECT_EQ(world.bodies().size(), 2u);
}
