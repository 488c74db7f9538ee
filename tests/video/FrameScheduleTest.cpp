// Which tick ends which video frame: a video plays at the program's target pace, three
// simulated seconds a second of it at 30 frames, however the ticks ran.

#include "video/FrameSchedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

/// Runs `ticks` ticks and lists the ticks (from 1) that end at least one frame.
std::vector<int64_t> framingTicks(FrameSchedule& schedule, int ticks) {
    std::vector<int64_t> framing;
    for (int tick = 1; tick <= ticks; ++tick) {
        if (schedule.framesEndingWithTick() > 0) {
            framing.push_back(tick);
        }
    }
    return framing;
}

} // namespace

TEST(FrameScheduleTest, ThreeSecondsOfVideoAreSevenHundredFiftyTicksOfTheBundledStep) {
    // A tick of 0.012 s is 0.004 s of the timer's grid: 8 1/3 ticks a frame.
    FrameSchedule schedule(0.012f, 30);
    const std::vector<int64_t> framing = framingTicks(schedule, 750);
    EXPECT_EQ(schedule.frames(), 90);
    ASSERT_EQ(framing.size(), 90u);
    EXPECT_EQ(framing[0], 9);
    EXPECT_EQ(framing[1], 17);
    EXPECT_EQ(framing[2], 25);
    EXPECT_EQ(framing.back(), 750);
    for (size_t k = 1; k < framing.size(); ++k) {
        EXPECT_GE(framing[k] - framing[k - 1], 8) << k;
        EXPECT_LE(framing[k] - framing[k - 1], 9) << k;
    }
}

TEST(FrameScheduleTest, TheCountFollowsTheGridWithoutDriftOverAnHour) {
    FrameSchedule schedule(0.012f, 30);
    EXPECT_EQ(schedule.framesAfter(250 * 3600), 30 * 3600);
    EXPECT_EQ(schedule.framesAfter(250 * 3600 - 1), 30 * 3600 - 1);
    FrameSchedule odd(0.0151f, 25);
    EXPECT_EQ(odd.framesAfter(10000), 1258); // 10000 * 0.0151 / 3 * 25 = 1258.33
}

TEST(FrameScheduleTest, ATickLongerThanAFrameEndsSeveralWhichShowTheSameState) {
    FrameSchedule schedule(0.3f, 30); // 0.1 s of the grid a tick: three frames
    EXPECT_EQ(schedule.framesEndingWithTick(), 3);
    EXPECT_EQ(schedule.framesEndingWithTick(), 3);
    EXPECT_EQ(schedule.frames(), 6);
}

TEST(FrameScheduleTest, WithoutAGridEveryTickEndsAFrame) {
    for (float step : {0.0f, -0.01f}) {
        FrameSchedule schedule(step, 30);
        EXPECT_EQ(framingTicks(schedule, 5).size(), 5u) << step;
    }
}
