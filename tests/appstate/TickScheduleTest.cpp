#include "appstate/TickSchedule.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Ticks every 4 ms (a time step of 0.012), frames at 60 a second, the clock starting at 1000 s.
const double base = 1000;
const double tick = 0.004;
const double frame = 1.0 / 60;

struct Calls {
    int ticks = 0;
    int frames = 0;
};

// The timer's calls at `times`, each taking its due ticks and, when due, a frame.
Calls callAt(TickSchedule& schedule, const std::vector<double>& times) {
    Calls calls;
    for (double now : times) {
        calls.ticks += schedule.takeDueTicks(now, 0.012f);
        calls.frames += schedule.takeFrame(now) ? 1 : 0;
    }
    return calls;
}

TEST(TickSchedule, EveryTickThatFellDueRunsOnceInItsTurn) {
    TickSchedule schedule(base, tick, frame);
    EXPECT_EQ(schedule.maxTicksPerCall(), 25);
    // Calls late by various amounts, some while frames held the loop up for 50 to 90 ms.
    const double offsets[] = {0.0041, 0.0085, 0.0602, 0.0603, 0.1502, 0.151, 0.2405, 0.3002};
    int64_t expected = 0;
    for (double offset : offsets) {
        const int64_t before = schedule.ticksRun();
        const int run = schedule.takeDueTicks(base + offset, 0.012f);
        expected = static_cast<int64_t>(std::floor(offset / tick));
        EXPECT_EQ(schedule.ticksRun(), before + run);
        EXPECT_EQ(schedule.ticksRun(), expected) << "at " << offset << " s";
    }
    EXPECT_EQ(schedule.ticksGivenUp(), 0);
}

TEST(TickSchedule, CatchingUpStopsAtATenthOfASecondAndTheRestIsGivenUp) {
    TickSchedule schedule(base, tick, frame);
    EXPECT_EQ(schedule.takeDueTicks(base + 0.5001, 0.012f), 25);
    EXPECT_EQ(schedule.ticksGivenUp(), 100);
    // The schedule goes on from now, not from the ticks given up.
    EXPECT_EQ(schedule.takeDueTicks(base + 0.5041, 0.012f), 1);
    EXPECT_EQ(schedule.ticksGivenUp(), 100);
}

TEST(TickSchedule, NothingRunsAndNothingIsDrawnWhileNothingIsDue) {
    TickSchedule schedule(base, tick, frame);
    EXPECT_EQ(callAt(schedule, {base + 0.001, base + 0.002, base + 0.0039}).ticks, 0);
    EXPECT_FALSE(schedule.takeFrame(base + 0.5)) << "no tick ran, the picture is the same";
    const Calls first = callAt(schedule, {base + 0.0045});
    EXPECT_EQ(first.ticks, 1);
    EXPECT_EQ(first.frames, 1);
    const Calls again = callAt(schedule, {base + 0.0046, base + 0.0079});
    EXPECT_EQ(again.ticks, 0);
    EXPECT_EQ(again.frames, 0);
}

TEST(TickSchedule, FramesComeAtMostAtTheDisplaysRate) {
    TickSchedule schedule(base, tick, frame);
    std::vector<double> everyTick;
    for (int k = 1; k <= 2500; ++k) {
        everyTick.push_back(base + k * tick + 0.0001);
    }
    const Calls tenSeconds = callAt(schedule, everyTick);
    EXPECT_EQ(tenSeconds.ticks, 2500);
    EXPECT_LE(tenSeconds.frames, 601);
    EXPECT_GE(tenSeconds.frames, 599) << "one frame in every frame interval that had a tick";
}

TEST(TickSchedule, TheTimerSleepsUntilTheTickFromWhichTheNextFrameCanBeDrawn) {
    TickSchedule schedule(base, tick, frame);
    callAt(schedule, {base + 0.0041});
    // Frame taken in the first frame interval; the next begins at 16.7 ms, tick 5 is at 20 ms.
    EXPECT_NEAR(schedule.nextWake(base + 0.0042), base + 0.020, 1e-9);
    // A frame held up past that: the next tick on the grid.
    EXPECT_NEAR(schedule.nextWake(base + 0.0503), base + 0.052, 1e-9);
    EXPECT_EQ(TickSchedule(base, 0, frame).nextWake(base + 1), 0);
}

TEST(TickSchedule, PaceIsMeasuredAndFallingBehindIsSlowMotion) {
    TickSchedule schedule(base, tick, frame);
    EXPECT_DOUBLE_EQ(schedule.targetPace(0.012f), 0.012f / tick);
    std::vector<double> oneSecond;
    for (int k = 1; k <= 251; ++k) {
        oneSecond.push_back(base + k * tick + 0.0001);
    }
    callAt(schedule, oneSecond);
    EXPECT_NEAR(schedule.measuredPace(), 3.0, 0.02);
    EXPECT_FALSE(schedule.slowMotion());

    // Every call a quarter of a second late: 25 ticks run of 62 or 63 due.
    std::vector<double> stalled;
    for (int k = 1; k <= 8; ++k) {
        stalled.push_back(base + 1.0041 + k * 0.25);
    }
    callAt(schedule, stalled);
    EXPECT_TRUE(schedule.slowMotion());
    EXPECT_NEAR(schedule.ranShare(), 0.4, 0.01);
    EXPECT_NEAR(schedule.measuredPace(), 1.2, 0.02);
}

TEST(TickSchedule, AStartOwesNoTickForTheTimeStoodStill) {
    TickSchedule schedule(base, tick, frame);
    callAt(schedule, {base + 0.0041});
    schedule.restart(base + 60);
    EXPECT_LT(schedule.measuredPace(), 0) << "measured anew";
    EXPECT_EQ(schedule.takeDueTicks(base + 60.0001, 0.012f), 0);
    EXPECT_EQ(schedule.takeDueTicks(base + 60.0041, 0.012f), 1);
    EXPECT_EQ(schedule.ticksGivenUp(), 0);
}

TEST(TickSchedule, AClockSetBackKeepsTheGridFromThere) {
    TickSchedule schedule(base, tick, frame);
    callAt(schedule, {base + 10.0001});
    EXPECT_EQ(schedule.takeDueTicks(base + 5.0001, 0.012f), 0);
    EXPECT_EQ(schedule.takeDueTicks(base + 5.0041, 0.012f), 1);
}

// A time step of 0 moves nothing: ticking for it would only keep the loop busy.
TEST(TickSchedule, WithoutAnIntervalNoTickFallsDue) {
    TickSchedule schedule(base, 0, frame);
    const auto calls = callAt(schedule, {base, base, base + 0.001, base + 10});
    EXPECT_EQ(calls.ticks, 0);
    EXPECT_EQ(calls.frames, 0);
    EXPECT_EQ(schedule.targetPace(0.012f), 0);
}

} // namespace
