// The contacts between bodies: the search by patches and grid against every pair, and the runs
// of several bodies against the plain passes and across thread counts, bit for bit.

#include "BodiesRun.h"
#include "CoinEnvironment.h"
#include "balls/BodyContacts.h"
#include "bodyoutput/PositionChecksum.h"
#include "common/Workers.h"
#include "generators/Icosphere.h"
#include "generators/RoundedBox.h"
#include "mpsystem/MeshReader.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <iostream>
#include <random>
#include <sstream>
#include <tuple>

namespace {

BodyMesh meshOf(const std::string& text) {
    std::istringstream in(text);
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    BodyMesh mesh = MeshReader(in).read(1);
    std::cerr.rdbuf(progress);
    return mesh;
}

/// Bodies of a random cloud: small spheres and thin slabs strewn over a few units, each then
/// crumpled by moving every point a random way by up to a spring's length or two, so that
/// bodies overlap one another and fold onto themselves.
struct Cloud {
    std::vector<std::unique_ptr<MpSystem>> rest;
    std::vector<BodyMesh> crumpled;
};

Cloud randomCloud(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    Cloud cloud;
    const int bodies = 3 + static_cast<int>(random() % 3);
    for (int k = 0; k < bodies; ++k) {
        const SbVec3f centre(1.5f * unit(random), 1.5f * unit(random), 1.5f * unit(random));
        const TriangleMesh shape =
            k % 3 == 2 ? makeRoundedBox(SbVec3f(1, 0.05f, 1), 0.02f, 8, 1, centre)
                       : makeIcosphere(2 + k % 2, 1, centre, Bracing::ThroughCentre);
        const std::string text = meshText(shape, MeshForm::Off);
        cloud.rest.push_back(std::make_unique<MpSystem>(meshOf(text), 0.0f, 0.0f));
        BodyMesh mesh = meshOf(text);
        const float reach = k % 3 == 2 ? 0.5f : 0.3f;
        for (SbVec3f& p : mesh.positions) {
            p += SbVec3f(unit(random) - 0.5f, unit(random) - 0.5f, unit(random) - 0.5f) * reach;
        }
        cloud.crumpled.push_back(std::move(mesh));
    }
    return cloud;
}

std::vector<MpSystem*> pointersTo(const std::vector<std::unique_ptr<MpSystem>>& bodies) {
    std::vector<MpSystem*> pointers;
    for (const auto& body : bodies) {
        pointers.push_back(body.get());
    }
    return pointers;
}

testing::AssertionResult sameForces(const std::vector<MpSystem*>& a,
                                    const std::vector<MpSystem*>& b) {
    for (size_t k = 0; k < a.size(); ++k) {
        if (std::memcmp(a[k]->externalForces(), b[k]->externalForces(),
                        sizeof(SbVec3f) * a[k]->numPoints()) != 0) {
            return testing::AssertionFailure() << "body " << k << "'s forces differ";
        }
    }
    return testing::AssertionSuccess();
}

class BodyContactSearch : public testing::TestWithParam<std::tuple<unsigned, int>> {
protected:
    void SetUp() override { setWorkerCount(std::get<1>(GetParam())); }
    void TearDown() override { setWorkerCount(INT_MAX); }
};

} // namespace

TEST_P(BodyContactSearch, FindsTheSamePushesAsEveryPairOnRandomCloudsBitForBit) {
    const Cloud cloud = randomCloud(std::get<0>(GetParam()));
    BodyContacts contacts;
    for (const auto& body : cloud.rest) {
        contacts.add(*body);
    }
    std::vector<std::unique_ptr<MpSystem>> copies[3];
    for (auto& copy : copies) {
        for (const BodyMesh& mesh : cloud.crumpled) {
            copy.push_back(std::make_unique<MpSystem>(mesh, 0.0f, 0.0f));
        }
    }
    const std::vector<MpSystem*> everyPair = pointersTo(copies[0]);
    const std::vector<MpSystem*> plain = pointersTo(copies[1]);
    const std::vector<MpSystem*> fast = pointersTo(copies[2]);
    contacts.accumulateAllPairs(everyPair);
    contacts.accumulatePlain(plain);
    contacts.accumulate(fast);
    ASSERT_EQ(workersFor(32LL * contacts.searchedPoints()), std::get<1>(GetParam()))
        << "the threads this run is for";
    EXPECT_TRUE(sameForces(everyPair, plain));
    EXPECT_TRUE(sameForces(everyPair, fast));

    // The cloud is a real test: most points are pushed, some in every body.
    int pushed = 0;
    int total = 0;
    for (const MpSystem* body : everyPair) {
        int pushedHere = 0;
        for (int i = 0; i < body->numPoints(); ++i) {
            pushedHere += body->externalForces()[i] != SbVec3f(0, 0, 0) ? 1 : 0;
        }
        EXPECT_GT(pushedHere, 0);
        pushed += pushedHere;
        total += body->numPoints();
    }
    EXPECT_GT(pushed, total / 4);
}

INSTANTIATE_TEST_SUITE_P(SeedsAndThreads, BodyContactSearch,
                         testing::Combine(testing::Values(1u, 2u, 3u, 4u, 5u),
                                          testing::Values(1, 2)),
                         [](const testing::TestParamInfo<std::tuple<unsigned, int>>& info) {
                             return "Seed" + std::to_string(std::get<0>(info.param)) + "Threads" +
                                    std::to_string(std::get<1>(info.param));
                         });

class OneBundledBody : public testing::TestWithParam<const char*> {};

TEST_P(OneBundledBody, TicksAsWithoutThePassWhenItsOwnPointsDoNotPush) {
    // The run script's options: falling, landing, bouncing, resting.
    BodiesRun withContacts(1);
    BodiesRun arenaOnly(1);
    withContacts.contacts().bodyContacts().setSelfContacts(false);
    MpSystem& a = withContacts.add(dataFile(GetParam()), SbVec3f(0, 0, 0), 0.04f, 0.3f, 85);
    MpSystem& b = arenaOnly.add(dataFile(GetParam()), SbVec3f(0, 0, 0), 0.04f, 0.3f, 85);
    bool landed = false;
    for (int tick = 0; tick < 1500; ++tick) {
        for (MpSystem* body : {&a, &b}) {
            body->step(0.012f);
        }
        withContacts.contacts().accumulateContactForces();
        arenaOnly.contacts().accumulateArenaContactForces();
        ASSERT_EQ(0, std::memcmp(a.positions(), b.positions(), sizeof(SbVec3f) * a.numPoints()))
            << "tick " << tick;
        ASSERT_EQ(
            0, std::memcmp(a.externalForces(), b.externalForces(), sizeof(SbVec3f) * a.numPoints()))
            << "tick " << tick;
        for (int i = 0; i < a.numPoints() && !landed; ++i) {
            landed = a.positions()[i][1] < -15;
        }
    }
    EXPECT_TRUE(landed);
}

INSTANTIATE_TEST_SUITE_P(BallAndBox, OneBundledBody, testing::Values("ball.toff", "box.off"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param).substr(0, 3);
                         });

TEST(SeveralBodies, ThreeBodyRunMatchesThePlainPassesAndIsTheSameOnOneAndTwoThreads) {
    // A ball, the box on it and a second ball beside, dropped together: they land, press on
    // each other and roll.
    const std::string ball = dataFile("ball.toff");
    const std::string box = dataFile("box.off");
    auto build = [&](BodiesRun& run) {
        run.add(ball, SbVec3f(0, 0, 0), 0.04f, 0.3f, 85);
        run.add(box, SbVec3f(0.5f, 8.5f, 0), 0.04f, 0.3f, 85);
        run.add(ball, SbVec3f(6, 2, -1), 0.04f, 0.3f, 85);
    };
    BodiesRun plain(1);
    BodiesRun oneThread(1);
    BodiesRun twoThreads(1);
    for (BodiesRun* run : {&plain, &oneThread, &twoThreads}) {
        build(*run);
    }
    int touching = 0;
    for (int tick = 0; tick < 600; ++tick) {
        plain.tickPlain(0.012f);
        setWorkerCount(1);
        oneThread.tick(0.012f);
        setWorkerCount(2);
        twoThreads.tick(0.012f);
        setWorkerCount(INT_MAX);
        touching += twoThreads.contacts().bodyContacts().searchedPoints() > 0 ? 1 : 0;
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(0, std::memcmp(plain.body(k).positions(), twoThreads.body(k).positions(),
                                     sizeof(SbVec3f) * plain.body(k).numPoints()))
                << "body " << k << ", tick " << tick;
            ASSERT_EQ(0, std::memcmp(plain.body(k).externalForces(),
                                     twoThreads.body(k).externalForces(),
                                     sizeof(SbVec3f) * plain.body(k).numPoints()))
                << "body " << k << ", tick " << tick;
        }
    }
    const std::vector<MpSystem*> one{&oneThread.body(0), &oneThread.body(1), &oneThread.body(2)};
    const std::vector<MpSystem*> two{&twoThreads.body(0), &twoThreads.body(1), &twoThreads.body(2)};
    EXPECT_EQ(bodiesChecksum(one), bodiesChecksum(two));
    EXPECT_GT(touching, 300) << "the bodies spent most of the run on each other";
}
