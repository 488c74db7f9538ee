#include "app/Sensors.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

namespace {

using Sensors = AssembledScene;

std::vector<SbVec3f> positionsOf(const MpSystem& body) {
    return std::vector<SbVec3f>(body.positions(), body.positions() + body.numPoints());
}

std::vector<SbVec3f> surfacePoints() {
    const SoMFVec3f& points = mpSystem->surfaceCoordinates()->point;
    return std::vector<SbVec3f>(points.getValues(0), points.getValues(0) + points.getNum());
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

// The idle call used to schedule itself again, so that the main loop never slept and redrew
// the same picture hundreds of times a second. It now fires once for each frame that the ticks
// find due; the three cases below asserted the old re-arming and now assert that it is gone.
TEST_F(Sensors, IdleCallCopiesTheBodyIntoItsSurfaceOnce) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    timerCallback(nullptr, timerSensor);
    ASSERT_NE(surfacePoints(), positionsOf(*mpSystem));

    idleCallback(nullptr, idleSensor);
    EXPECT_EQ(surfacePoints(), positionsOf(*mpSystem));
    EXPECT_FALSE(idleSensor->isScheduled());
}

TEST_F(Sensors, IdleCallLeavesTheSurfaceAloneWhileTheBodyIsNotReady) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const std::vector<SbVec3f> drawn = surfacePoints();
    timerCallback(nullptr, timerSensor);
    mpSystemReady = false;

    idleCallback(nullptr, idleSensor);
    EXPECT_EQ(surfacePoints(), drawn);
    EXPECT_FALSE(idleSensor->isScheduled());
}

TEST_F(Sensors, IdleCallLeavesTheSensorItIsGivenUnscheduled) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    SoIdleSensor other;
    idleCallback(nullptr, &other);
    EXPECT_FALSE(other.isScheduled());
    EXPECT_FALSE(idleSensor->isScheduled());
}

TEST_F(Sensors, TheTimerRunsEveryDueTickInOrderThenAsksForAFrame) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    std::unique_ptr<MpSystem> twin = twinBody();
    pressKey(SoKeyboardEvent::P);
    idleSensor->unschedule();
    // Held up as by a slow frame: about six ticks fall due meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(25));

    dueTicksCallback(&state, timerSensor);
    const int64_t ran = state.ticks.ticksRun();
    EXPECT_GE(ran, 5);
    EXPECT_LE(ran, state.ticks.maxTicksPerCall());
    for (int64_t tick = 0; tick < ran; ++tick) {
        twin->step(0.012f);
    }
    EXPECT_EQ(positionsOf(*mpSystem), positionsOf(*twin)) << "each a whole tick, in order";
    EXPECT_TRUE(idleSensor->isScheduled()) << "a frame is due after ticks";
}

} // namespace

namespace {

// Without a time step nothing falls due and the timer only wakes now and then; the first time
// step that key 2 sets gives the ticks their grid.
TEST_F(Sensors, WithoutATimeStepTheLoopSleepsUntilKeyTwoSetsOne) {
    ASSERT_TRUE(assemble(cubeMesh(), {"-d", "0.02", "-m", "1", "-s", "85"}));
    EXPECT_EQ(timerSensor->getInterval().getValue(), idleTimerInterval);
    pressKey(SoKeyboardEvent::P);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    dueTicksCallback(&state, timerSensor);
    EXPECT_EQ(state.ticksRun, 0);
    EXPECT_FALSE(idleSensor->isScheduled() && state.ticks.ticksRun() > 0);

    pressKeyCapturing(SoKeyboardEvent::NUMBER_2);
    dueTicksCallback(&state, timerSensor);
    EXPECT_EQ(timerSensor->getInterval().getValue(), static_cast<double>(0.0031f) / 3.0);
    EXPECT_TRUE(timerSensor->isScheduled());
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    dueTicksCallback(&state, timerSensor);
    EXPECT_GE(state.ticksRun, 5);
}

} // namespace
