#pragma once

#include "app/Sensors.h"
#include "appstate/Globals.h"
#include "balls/Ball.h"
#include "control/Cannon.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

// Checks of the whole application state that must hold after every tick, idle call and key,
// whatever the options, the mesh and the history. They return an AssertionResult naming the
// first thing that is wrong, so that long runs can check often and report once.

inline bool isFiniteVector(const SbVec3f& v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

inline std::string describe(const SbVec3f& v) {
    return "(" + std::to_string(v[0]) + ", " + std::to_string(v[1]) + ", " + std::to_string(v[2]) +
           ")";
}

/// The children that the start-up put into worldSeparator between the balls and the body's
/// surface: the ground, the cannon, then the pillars. Taken right after the assembly, before any
/// ball is shot.
inline std::vector<SoNode*> fixedWorldChildren() {
    std::vector<SoNode*> fixed;
    for (int i = 0; i + 1 < worldSeparator->getNumChildren(); ++i) {
        fixed.push_back(worldSeparator->getChild(i));
    }
    return fixed;
}

/// Every position and velocity of the body and the balls, and where the balls' nodes and
/// companion lights stand, are finite numbers.
inline ::testing::AssertionResult stateIsFinite() {
    if (mpSystemReady && mpSystem != nullptr) {
        for (int i = 0; i < mpSystem->numPoints(); ++i) {
            if (!isFiniteVector(mpSystem->positions()[i]) ||
                !isFiniteVector(mpSystem->velocities()[i])) {
                return ::testing::AssertionFailure()
                       << "body point " << i << " at " << describe(mpSystem->positions()[i])
                       << " moving " << describe(mpSystem->velocities()[i]);
            }
        }
    }
    for (int k = 0; k < ballSet.size(); ++k) {
        const Ball& ball = ballSet.at(k);
        if (!isFiniteVector(ball.position()) || !isFiniteVector(ball.velocity()) ||
            !isFiniteVector(ball.transform()->translation.getValue()) ||
            !isFiniteVector(ballLightSet.at(k)->location.getValue())) {
            return ::testing::AssertionFailure()
                   << "ball " << k << " at " << describe(ball.position()) << " moving "
                   << describe(ball.velocity());
        }
    }
    return ::testing::AssertionSuccess();
}

/// The children of worldSeparator: with n live balls, 2n ball children newest first (the
/// companion light, then the ball's separator), then the start-up's `fixed` children unchanged,
/// then the body's surface last while a body is in place. The collision world holds exactly
/// the current body.
inline ::testing::AssertionResult worldLayoutHolds(const std::vector<SoNode*>& fixed) {
    const int n = ballSet.size();
    if (ballLightSet.size() != n) {
        return ::testing::AssertionFailure()
               << n << " balls but " << ballLightSet.size() << " companion lights";
    }
    const bool hasBody = mpSystemReady && mpSystem != nullptr;
    const int expected = 2 * n + static_cast<int>(fixed.size()) + (hasBody ? 1 : 0);
    if (worldSeparator->getNumChildren() != expected) {
        return ::testing::AssertionFailure() << worldSeparator->getNumChildren()
                                             << " children in the world, expected " << expected;
    }
    for (int k = 0; k < n; ++k) {
        if (worldSeparator->getChild(2 * (n - 1 - k)) != ballLightSet.at(k) ||
            worldSeparator->getChild(2 * (n - 1 - k) + 1) != ballSet.at(k).root()) {
            return ::testing::AssertionFailure()
                   << "ball " << k << " of " << n << " is not at its place in the world";
        }
    }
    for (std::size_t j = 0; j < fixed.size(); ++j) {
        if (worldSeparator->getChild(2 * n + static_cast<int>(j)) != fixed[j]) {
            return ::testing::AssertionFailure() << "start-up child " << j << " has moved";
        }
    }
    if (hasBody && worldSeparator->getChild(expected - 1) != mpSystem->surfaceRoot()) {
        return ::testing::AssertionFailure() << "the body's surface is not the last child";
    }
    const std::vector<MpSystem*>& bodies = collisionWorld.bodies();
    const bool contactsHoldTheBody =
        hasBody ? (bodies.size() == 1 && bodies[0] == mpSystem) : bodies.empty();
    if (!contactsHoldTheBody) {
        return ::testing::AssertionFailure()
               << "the collision world holds " << bodies.size() << " bodies";
    }
    return ::testing::AssertionSuccess();
}

/// One turn of the main loop while the animation runs: a tick, then, unless `skipIdle`, an
/// idle call (a busy loop may tick several times between two idle calls).
inline void tick(bool skipIdle = false) {
    timerCallback(nullptr, timerSensor);
    if (!skipIdle) {
        idleCallback(nullptr, idleSensor);
    }
}
