#include "appstate/OnScreenText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

StatusValues running() {
    StatusValues values;
    values.hasBody = true;
    values.points = 642;
    values.springs = 2241;
    values.balls = 2;
    values.ballLimit = 6;
    values.stiffness = 85;
    values.damping = 0.04f;
    values.timeStep = 0.012f;
    values.running = true;
    values.simulatedTime = 12.3456;
    values.pace = 2.996;
    values.targetPace = 3;
    return values;
}

TEST(OnScreenText, StatusNamesTheBodyTheBallsTheSwitchesTheTimeAndThePace) {
    EXPECT_EQ(statusLines(running()), (std::vector<std::string>{
                                          "642 points  2241 springs  balls 2 of 6",
                                          "stiffness 85  damping 0.04  time step 0.012",
                                          "t 12.346 s  pace 3.00 of 3.00 s/s",
                                      }));
}

TEST(OnScreenText, FallingBehindShowsAsSlowMotionWithItsFactor) {
    StatusValues values = running();
    values.pace = 0.36;
    values.ranShare = 0.12;
    values.slowMotion = true;
    EXPECT_EQ(statusLines(values).back(), "t 12.346 s  pace 0.36 of 3.00 s/s  SLOW MOTION x0.12");
}

TEST(OnScreenText, StoppedOrWithoutABodyTheStatusSaysOnlyWhatThereIs) {
    StatusValues values = running();
    values.running = false;
    values.hasBody = false;
    values.simulatedTime = 0.012;
    EXPECT_EQ(statusLines(values),
              (std::vector<std::string>{"no body  balls 2 of 6", "time step 0.012",
                                        "t 0.012 s  stopped"}));
    EXPECT_EQ(std::string(pausedHint()), "P: start  H: help");
}

} // namespace
