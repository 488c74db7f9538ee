// The bundled bodies dropped into the start-up arena with the options the run script starts the
// program with, and at the key levels (1, 2, 3) a user can switch to: they fall, bounce, come to
// rest on the floor in their own shape, stay on the floor and never blow up.

#include "CoinEnvironment.h"
#include "appstate/Help.h"
#include "arena/Pillars.h"
#include "balls/CollisionWorld.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/nodes/SoSeparator.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace {

struct Levels {
    float damping;
    float mass;
    float stiffness;
    float timeStep;
};

/// The levels as the command line gives them.
std::string options(const Levels& l) {
    std::ostringstream out;
    out << "-d " << l.damping << " -m " << l.mass << " -s " << l.stiffness << " -t " << l.timeStep;
    return out.str();
}

/// The values of -d, -m, -s and -t in the option list of scripts/run.sh; a value the script
/// does not give stays not a number.
Levels runScriptLevels() {
    std::ifstream script(std::string(PLIMMERTON_SOURCE_DIR) + "/scripts/run.sh");
    std::map<std::string, float> values;
    for (std::string line; std::getline(script, line);) {
        if (line.rfind("options=(", 0) != 0) {
            continue;
        }
        std::istringstream words(line.substr(9));
        std::string option, value;
        while (words >> option >> value) {
            values[option] = std::strtof(value.c_str(), nullptr);
        }
    }
    auto get = [&values](const char* option) {
        auto found = values.find(option);
        return found != values.end() ? found->second : std::nanf("");
    };
    return {get("-d"), get("-m"), get("-s"), get("-t")};
}

/// Axis-aligned bounds of the body's points, their mean and the mean of their velocities.
struct BodyState {
    SbVec3f low{1e30f, 1e30f, 1e30f};
    SbVec3f high{-1e30f, -1e30f, -1e30f};
    SbVec3f meanVelocity{0, 0, 0};
    float fastest = 0;
    bool finite = true;

    explicit BodyState(const MpSystem& body) {
        for (int i = 0; i < body.numPoints(); ++i) {
            const SbVec3f& p = body.positions()[i];
            const SbVec3f& v = body.velocities()[i];
            for (int a = 0; a < 3; ++a) {
                finite = finite && std::isfinite(p[a]) && std::isfinite(v[a]);
                low[a] = std::min(low[a], p[a]);
                high[a] = std::max(high[a], p[a]);
            }
            meanVelocity += v;
            fastest = std::max(fastest, v.length());
        }
        meanVelocity /= float(std::max(1, body.numPoints()));
    }
    SbVec3f size() const { return high - low; }
};

/// A body read from data/, on the floor wall of the start-up arena among the pillars laid out
/// with `seed`, run tick by tick as the timer runs it: the body's step, then the contact pass.
class BodyInArena {
public:
    BodyInArena(const std::string& name, const Levels& levels, unsigned seed)
        : timeStep_(levels.timeStep) {
        std::ifstream mesh(std::string(PLIMMERTON_SOURCE_DIR) + "/data/" + name);
        std::streambuf* progress = std::cerr.rdbuf(nullptr);
        body_ = std::make_unique<MpSystem>(mesh, levels.damping, levels.mass, levels.stiffness);
        std::cerr.rdbuf(progress);
        world_ = new SoSeparator;
        world_->ref();
        layOutArena(world_, contacts_, seed);
        contacts_.addWall(Wall{SbVec3f(0, -15, 0), 15});
        contacts_.addBody(body_.get());
    }
    ~BodyInArena() { world_->unref(); }
    BodyInArena(const BodyInArena&) = delete;
    BodyInArena& operator=(const BodyInArena&) = delete;

    void tick() {
        body_->step(timeStep_);
        contacts_.accumulateContactForces();
    }
    const MpSystem& body() const { return *body_; }

private:
    float timeStep_;
    std::unique_ptr<MpSystem> body_;
    SoSeparator* world_;
    CollisionWorld contacts_;
};

/// Runs the body for `seconds` of simulated time and checks it all the way.
void expectLivelyAndStable(const std::string& name, const Levels& levels, unsigned seed,
                           float seconds) {
    SCOPED_TRACE(name + " with " + options(levels) + ", arena seed " + std::to_string(seed));
    BodyInArena run(name, levels, seed);
    ASSERT_TRUE(run.body().isLoaded()) << run.body().loadError();
    const SbVec3f startSize = BodyState(run.body()).size();

    bool touched = false;
    float fastestRise = 0;
    const long ticks = std::lround(seconds / levels.timeStep);
    for (long k = 0; k < ticks; ++k) {
        run.tick();
        const BodyState now(run.body());
        ASSERT_TRUE(now.finite) << "tick " << k;
        // The whole body stays over the floor, whose square has no walls around it.
        ASSERT_GT(now.low[0], -15) << "tick " << k;
        ASSERT_LT(now.high[0], 15) << "tick " << k;
        ASSERT_GT(now.low[2], -15) << "tick " << k;
        ASSERT_LT(now.high[2], 15) << "tick " << k;
        touched = touched || now.low[1] < -15;
        if (touched) {
            fastestRise = std::max(fastestRise, now.meanVelocity[1]);
        }
    }
    EXPECT_TRUE(touched) << "the body never reached the floor";
    // It landed at about 15 units/s; it leaves the floor again, not just sags.
    EXPECT_GT(fastestRise, 3.0f) << "no bounce";

    const BodyState end(run.body());
    EXPECT_LT(end.fastest, 1.0f) << "not at rest";
    // On the floor, in it no deeper than its soft penalty force lets a resting body sink.
    EXPECT_LT(end.low[1], -15.0f);
    EXPECT_GT(end.low[1], -15.6f);
    // In its own shape: a hollow shell of edge springs alone folds into a flat tangle a
    // quarter of its size.
    for (int a = 0; a < 3; ++a) {
        EXPECT_GT(end.size()[a], 0.6f * startSize[a]) << "axis " << a;
        EXPECT_LT(end.size()[a], 1.5f * startSize[a]) << "axis " << a;
    }
}

} // namespace

TEST(BundledBodyInArena, RunScriptOptionsAreOnTheKeyLevelsAndTheUsageExample) {
    const Levels run = runScriptLevels();
    // Keys 1, 2 and 3 cycle from the start value through their levels.
    EXPECT_TRUE(run.stiffness == 50 || run.stiffness == 85 || run.stiffness == 120) << options(run);
    EXPECT_TRUE(run.timeStep == 0.012f || run.timeStep == 0.0151f || run.timeStep == 0.0182f)
        << options(run);
    EXPECT_TRUE(run.damping == 0.02f || run.damping == 0.04f || run.damping == 0.06f)
        << options(run);
    EXPECT_GT(run.mass, 0) << options(run);

    std::ostringstream usage;
    std::streambuf* out = std::cout.rdbuf(usage.rdbuf());
    printUsage();
    std::cout.rdbuf(out);
    EXPECT_NE(usage.str().find("plimmerton -i data/ball.toff " + options(run)), std::string::npos)
        << usage.str();
}

TEST(BundledBodyInArena, BallWithTheRunScriptOptions) {
    const Levels run = runScriptLevels();
    for (unsigned seed : {1u, 2u}) {
        expectLivelyAndStable("ball.toff", run, seed, 90);
    }
}

TEST(BundledBodyInArena, BallAtTheLargestTimeStepWithTheOtherLevelsAtTheirEnds) {
    // The largest step is the one that can make the explicit step unstable; the softest
    // springs are the ones that let the shape go.
    const Levels run = runScriptLevels();
    for (float stiffness : {50.0f, 120.0f}) {
        for (float damping : {0.02f, 0.06f}) {
            expectLivelyAndStable("ball.toff", {damping, run.mass, stiffness, 0.0182f}, 3, 100);
        }
    }
}

TEST(BundledBodyInArena, BoxWithTheRunScriptOptions) {
    expectLivelyAndStable("box.off", runScriptLevels(), 1, 90);
}
