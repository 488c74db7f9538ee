#pragma once

#include "CoinEnvironment.h"
#include "balls/BallLightSet.h"
#include "balls/BallSet.h"
#include "balls/BallShots.h"

#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSeparator.h>

#include <gtest/gtest.h>

/// A world separator as the start-up leaves it (two nodes of the arena after the balls) with
/// empty ball lists, and checks of the ball layout at its front.
class BallScene : public ::testing::Test {
protected:
    static constexpr unsigned eightLights = 8;

    void SetUp() override {
        world = new SoSeparator;
        world->ref();
        ground = new SoCube;
        surface = new SoCube;
        world->addChild(ground);
        world->addChild(surface);
    }
    void TearDown() override {
        balls.clear();
        lights.clear();
        world->unref();
    }

    void shootFrom(const SbVec3f& launchPoint, const SbVec3f& direction = SbVec3f(0, 1, 0)) {
        shootBall(balls, lights, *world, launchPoint, direction, eightLights);
    }

    /// Ball k's light at child 2(n-1-k), its separator right after, the arena behind them.
    void expectLayout() {
        const int n = balls.size();
        ASSERT_EQ(n, lights.size());
        ASSERT_EQ(2 * n + 2, world->getNumChildren());
        for (int k = 0; k < n; ++k) {
            EXPECT_EQ(lights.at(k), world->getChild(2 * (n - 1 - k))) << "light of ball " << k;
            EXPECT_EQ(balls.at(k).root(), world->getChild(2 * (n - 1 - k) + 1))
                << "separator of ball " << k;
        }
        EXPECT_EQ(ground, world->getChild(2 * n));
        EXPECT_EQ(surface, world->getChild(2 * n + 1));
    }

    BallSet balls;
    BallLightSet lights;
    SoSeparator* world = nullptr;
    SoCube* ground = nullptr;
    SoCube* surface = nullptr;
};
