#include "appstate/OnScreenText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

StatusValues running() {
    StatusValues values;
    values.bodyName = "ball.toff";
    values.hasBody = true;
    values.mass = 0.3f;
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
                                          "ball.toff",
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
              (std::vector<std::string>{"ball.toff", "no body  balls 2 of 6", "time step 0.012",
                                        "t 0.012 s  stopped"}));
    EXPECT_EQ(std::string(pausedHint()), "P: start  H: help");

    values.bodyName = "a-model-with-a-name-far-too-long-for-a-small-window.toff";
    EXPECT_EQ(statusLines(values).front(), "a-model-with-a-name-...r-a-small-window.toff");
}

// Options left out count as 0: the status says what each missing value does and what the
// bundled run uses instead of showing a frozen body.
TEST(OnScreenText, MissingValuesAreNamedWithWhatTheBundledRunUses) {
    StatusValues values = running();
    values.mass = 0;
    values.stiffness = 0;
    values.timeStep = 0;
    const std::vector<std::string> lines = statusLines(values);
    EXPECT_EQ(
        std::vector<std::string>(lines.begin() + 4, lines.end()),
        (std::vector<std::string>{
            "mass 0: the points cannot move;", "  the bundled run uses -m 0.3",
            "stiffness 0: the springs do not hold the body;", "  the bundled run uses -s 85",
            "time step 0: the simulation does not advance;", "  the bundled run uses -t 0.012"}));

    values.hasBody = false;
    EXPECT_EQ(statusLines(values).size(), 6u) << "without a body only the time step is missing";
}

struct TroubleCase {
    const char* name;
    BodyPlace place;
    float timeStep;
    double rewindSeconds;
    std::vector<std::string> lines;
    std::string message;
};

class BodyTrouble : public testing::TestWithParam<TroubleCase> {};

// What became of the body and the keys that undo it: two lines of the status, as narrow as
// the rest of it, and one on standard error with the stable time step that was exceeded.
TEST_P(BodyTrouble, TheStatusNamesItAndTheKeysThatUndoIt) {
    const TroubleCase& c = GetParam();
    StatusValues values = running();
    values.bodyPlace = c.place;
    values.caughtTimeStep = c.timeStep;
    values.caughtStableTimeStep = 0.047f;
    values.rewindSeconds = c.rewindSeconds;
    std::vector<std::string> status = statusLines(values);
    status.erase(status.begin(), status.begin() + 4);
    EXPECT_EQ(status, c.lines);
    for (const std::string& line : status) {
        EXPECT_LE(line.size(), 44u) << line;
    }
    EXPECT_EQ(bodyTroubleMessage(values), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Places, BodyTrouble,
    testing::Values(
        TroubleCase{"in_the_arena", BodyPlace::inArena, 0.012f, 2, {}, ""},
        TroubleCase{
            "blown_up_past_the_stable_step",
            BodyPlace::blownUp,
            0.05f,
            2,
            {"the body blew up at time step 0.05:", "  Backspace goes back 2 s, N rebuilds"},
            "the body blew up at time step 0.05 (stable up to 0.047): Backspace goes back "
            "2 s, N rebuilds"},
        TroubleCase{
            "blown_up_within_it",
            BodyPlace::blownUp,
            0.012f,
            0.7,
            {"the body blew up at time step 0.012:", "  Backspace goes back 0.7 s, N rebuilds"},
            "the body blew up at time step 0.012: Backspace goes back 0.7 s, N rebuilds"},
        TroubleCase{"out_of_reach_with_nothing_to_go_back_to",
                    BodyPlace::outOfReach,
                    0.012f,
                    -1,
                    {"the body left the arena's reach:", "  N rebuilds"},
                    "the body left the arena's reach: N rebuilds"},
        TroubleCase{"out_of_the_arena",
                    BodyPlace::outOfArena,
                    0.012f,
                    2.26,
                    {"the body is out of the arena:", "  Backspace goes back 2.3 s, N rebuilds"},
                    "the body is out of the arena: Backspace goes back 2.3 s, N rebuilds"},
        TroubleCase{"below_the_floor",
                    BodyPlace::belowFloor,
                    0.012f,
                    1.5,
                    {"the body is below the floor:", "  Backspace goes back 1.5 s, N rebuilds"},
                    "the body is below the floor: Backspace goes back 1.5 s, N rebuilds"}),
    [](const testing::TestParamInfo<TroubleCase>& info) { return info.param.name; });

} // namespace
