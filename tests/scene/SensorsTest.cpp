#include "app/Sensors.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"

#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <cmath>
#include <memory>

namespace {

using Sensors = AssembledScene;

std::vector<SbVec3f> positionsOf(const MpSystem& body) {
    return std::vector<SbVec3f>(body.positions(), body.positions() + body.numPoints());
}

std::vector<SbVec3f> surfacePoints() {
    const SoMFVec3f& points = mpSystem->surfaceCoordinates()->point;
    return std::vector<SbVec3f>(points.getValues(0), points.getValues(0) + points.getNum());
}

// A second body from the same file, to compare the ticks with plain steps.
std::unique_ptr<MpSystem> twinBody() {
    std::ifstream mesh(settings.meshFileName);
    ::testing::internal::CaptureStderr();
    auto body =
        std::make_unique<MpSystem>(mesh, settings.damping, settings.mass, settings.stiffness);
    ::testing::internal::GetCapturedStderr();
    return body;
}

TEST_F(Sensors, TickStepsTheBodyByTheCurrentTimeStep) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    std::unique_ptr<MpSystem> twin = twinBody();
    const std::vector<SbVec3f> start = positionsOf(*mpSystem);

    timerCallback(nullptr, timerSensor);
    twin->step(0.012f);
    EXPECT_EQ(positionsOf(*mpSystem), positionsOf(*twin));
    EXPECT_NE(positionsOf(*mpSystem), start);

    // A changed step (key 2) is what the next tick passes on; the tick rate stays.
    settings.timeStep = 0.0182f;
    timerCallback(nullptr, timerSensor);
    twin->step(0.0182f);
    EXPECT_EQ(positionsOf(*mpSystem), positionsOf(*twin));
    EXPECT_EQ(timerSensor->getInterval().getValue(), static_cast<double>(0.012f) / 3.0);
}

TEST_F(Sensors, TickLeavesTheBodyAloneWhileItIsNotReady) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const std::vector<SbVec3f> start = positionsOf(*mpSystem);
    mpSystemReady = false;
    timerCallback(nullptr, timerSensor);
    timerCallback(nullptr, timerSensor);
    EXPECT_EQ(positionsOf(*mpSystem), start);

    mpSystemReady = true;
    timerCallback(nullptr, timerSensor);
    EXPECT_NE(positionsOf(*mpSystem), start);
}

TEST_F(Sensors, TicksWithoutATimeStepMoveNothing) {
    ASSERT_TRUE(assemble(cubeMesh(), {"-d", "0.02", "-m", "1", "-s", "85"}));
    const std::vector<SbVec3f> start = positionsOf(*mpSystem);
    timerCallback(nullptr, timerSensor);
    EXPECT_EQ(positionsOf(*mpSystem), start);
}

TEST_F(Sensors, TicksKeepToOneScheduleAcrossStopsAndStarts) {
    const SbTime before = SbTime::getTimeOfDay();
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const SbTime base = timerSensor->getBaseTime();
    const double interval = timerSensor->getInterval().getValue();
    ASSERT_NEAR(interval, 0.004, 1e-9);
    EXPECT_GE(base, before) << "counted from start-up";
    EXPECT_LE(base, SbTime::getTimeOfDay());
    // Started, stopped and started again later (key P), the ticks stay on the schedule that
    // began at start-up instead of starting one anew from each start.
    for (int start = 0; start < 3; ++start) {
        const SbTime started = SbTime::getTimeOfDay();
        timerSensor->schedule();
        EXPECT_EQ(timerSensor->getBaseTime(), base);
        const double due = (timerSensor->getTriggerTime() - base).getValue() / interval;
        // Times of day in double precision resolve about a quarter of a microsecond.
        EXPECT_NEAR(due, std::round(due), 1e-3) << "start " << start;
        EXPECT_GT(timerSensor->getTriggerTime(), started) << "the next tick on the schedule";
        timerSensor->unschedule();
        const SbTime pause = SbTime::getTimeOfDay() + SbTime(0.003);
        while (SbTime::getTimeOfDay() < pause) {
        }
    }
}

TEST_F(Sensors, IdleCallCopiesTheBodyIntoItsSurfaceAndRearms) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    timerCallback(nullptr, timerSensor);
    ASSERT_NE(surfacePoints(), positionsOf(*mpSystem));

    idleCallback(nullptr, idleSensor);
    EXPECT_EQ(surfacePoints(), positionsOf(*mpSystem));
    EXPECT_TRUE(idleSensor->isScheduled());
}

TEST_F(Sensors, IdleCallLeavesTheSurfaceAloneWhileTheBodyIsNotReadyButRearms) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const std::vector<SbVec3f> drawn = surfacePoints();
    timerCallback(nullptr, timerSensor);
    mpSystemReady = false;

    idleCallback(nullptr, idleSensor);
    EXPECT_EQ(surfacePoints(), drawn);
    EXPECT_TRUE(idleSensor->isScheduled());
}

TEST_F(Sensors, IdleCallRearmsTheSensorItIsGiven) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    SoIdleSensor other;
    idleCallback(nullptr, &other);
    EXPECT_TRUE(other.isScheduled());
    EXPECT_FALSE(idleSensor->isScheduled());
    other.unschedule();
}

} // namespace
