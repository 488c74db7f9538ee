#include "tests/scene/AssembledScene.h"
#include "tests/scene/SceneInvariants.h"

#include "tests/scene/KeyPresses.h"

#include <Inventor/sensors/SoTimerSensor.h>

#include <cmath>
#include <limits>
#include <utility>

// Every numeric option at its edges: absent, zero, negative, huge, non-numeric, "nan", "inf".
// The program starts, runs with balls flying, and keeps its whole state finite; a time step
// that cannot be waited for leaves the timer waking now and then for one to be set.

namespace {

enum class Motion { Moves, Still };

struct OptionCase {
    const char* name;
    std::vector<std::string> options;
    /// settings.timeStep as read; NaN stands for "not a number".
    float timeStep;
    double interval;
    Motion body;
    Motion balls;
};

const float nan = std::numeric_limits<float>::quiet_NaN();
const float inf = std::numeric_limits<float>::infinity();
const double usualInterval = static_cast<double>(0.012f) / 3.0;

/// The usual run options with option `name` given `value`, or left out when `value` is null.
std::vector<std::string> with(const std::string& name, const char* value) {
    const std::pair<const char*, const char*> usual[] = {
        {"-d", "0.02"}, {"-m", "1"}, {"-s", "85"}, {"-t", "0.012"}};
    std::vector<std::string> options;
    for (const auto& [option, usualValue] : usual) {
        const char* chosen = name == option ? value : usualValue;
        if (chosen != nullptr) {
            options.push_back(option);
            options.push_back(chosen);
        }
    }
    return options;
}

const OptionCase optionCases[] = {
    {"NoOptions", {}, 0, idleTimerInterval, Motion::Still, Motion::Still},
    {"NoTimeStep", with("-t", nullptr), 0, idleTimerInterval, Motion::Still, Motion::Still},
    {"NoMass", with("-m", nullptr), 0.012f, usualInterval, Motion::Still, Motion::Moves},
    {"NoStiffness", with("-s", nullptr), 0.012f, usualInterval, Motion::Moves, Motion::Moves},
    {"NoDamping", with("-d", nullptr), 0.012f, usualInterval, Motion::Moves, Motion::Moves},
    {"ZeroTimeStep", with("-t", "0"), 0, idleTimerInterval, Motion::Still, Motion::Still},
    {"AllZero",
     {"-d", "0", "-m", "0", "-s", "0", "-t", "0"},
     0,
     idleTimerInterval,
     Motion::Still,
     Motion::Still},
    {"NegativeTimeStep", with("-t", "-0.012"), -0.012f, idleTimerInterval, Motion::Still,
     Motion::Still},
    {"NegativeMass", with("-m", "-1"), 0.012f, usualInterval, Motion::Still, Motion::Moves},
    {"NegativeStiffness", with("-s", "-85"), 0.012f, usualInterval, Motion::Moves, Motion::Moves},
    {"NegativeDamping", with("-d", "-0.02"), 0.012f, usualInterval, Motion::Moves, Motion::Moves},
    {"HugeTimeStep", with("-t", "1e30"), 1e30f, maxTimerInterval, Motion::Still, Motion::Still},
    {"HugeMass", with("-m", "1e30"), 0.012f, usualInterval, Motion::Moves, Motion::Moves},
    {"HugeStiffness", with("-s", "1e30"), 0.012f, usualInterval, Motion::Moves, Motion::Moves},
    {"HugeDamping", with("-d", "1e30"), 0.012f, usualInterval, Motion::Moves, Motion::Moves},
    {"TimeStepBeyondSinglePrecision", with("-t", "1e39"), inf, idleTimerInterval, Motion::Still,
     Motion::Still},
    {"NonNumericTimeStep", with("-t", "abc"), 0, idleTimerInterval, Motion::Still, Motion::Still},
    {"NonNumericMass", with("-m", "heavy"), 0.012f, usualInterval, Motion::Still, Motion::Moves},
    {"NanTimeStep", with("-t", "nan"), nan, idleTimerInterval, Motion::Still, Motion::Still},
    {"NanMass", with("-m", "nan"), 0.012f, usualInterval, Motion::Still, Motion::Moves},
    {"NanStiffness", with("-s", "nan"), 0.012f, usualInterval, Motion::Moves, Motion::Moves},
    {"NanDamping", with("-d", "nan"), 0.012f, usualInterval, Motion::Moves, Motion::Moves},
    {"InfTimeStep", with("-t", "inf"), inf, idleTimerInterval, Motion::Still, Motion::Still},
    {"MinusInfTimeStep", with("-t", "-inf"), -inf, idleTimerInterval, Motion::Still, Motion::Still},
    {"InfMass", with("-m", "inf"), 0.012f, usualInterval, Motion::Still, Motion::Moves},
    {"InfStiffness", with("-s", "inf"), 0.012f, usualInterval, Motion::Moves, Motion::Moves},
    {"InfDamping", with("-d", "inf"), 0.012f, usualInterval, Motion::Moves, Motion::Moves},
};

void PrintTo(const OptionCase& c, std::ostream* out) {
    *out << c.name;
}

class OptionEdges : public AssembledScene, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(OptionEdges, StartsAndRunsWithAFiniteState) {
    const OptionCase& c = GetParam();
    ASSERT_TRUE(assemble(cubeMesh(), c.options));
    if (std::isnan(c.timeStep)) {
        EXPECT_TRUE(std::isnan(settings.timeStep));
    } else {
        EXPECT_EQ(c.timeStep, settings.timeStep);
    }
    EXPECT_EQ(c.interval, timerSensor->getInterval().getValue());

    const std::vector<SoNode*> fixed = fixedWorldChildren();
    const std::vector<SbVec3f> bodyStart(mpSystem->positions(),
                                         mpSystem->positions() + mpSystem->numPoints());
    pressKey(SoKeyboardEvent::P);
    pressKey(SoKeyboardEvent::SPACE);
    const SbVec3f launch = ballSet.at(0).position();
    tick();
    const bool ballMoved = ballSet.at(0).position() != launch;

    // Long enough for shots to cross the arena and fall out of it.
    for (int t = 1; t < 1500; ++t) {
        if (t % 100 == 0) {
            pressKey(SoKeyboardEvent::SPACE);
            ASSERT_TRUE(worldLayoutHolds(fixed)) << "after a shot at tick " << t;
        }
        const int ballsBefore = ballSet.size();
        tick(t % 3 == 2);
        ASSERT_TRUE(stateIsFinite()) << "tick " << t;
        if (ballSet.size() != ballsBefore) {
            ASSERT_TRUE(worldLayoutHolds(fixed)) << "after a ball fell at tick " << t;
        }
    }
    const std::vector<SbVec3f> bodyEnd(mpSystem->positions(),
                                       mpSystem->positions() + mpSystem->numPoints());
    EXPECT_EQ(c.body == Motion::Moves, bodyEnd != bodyStart);
    EXPECT_EQ(c.balls == Motion::Moves, ballMoved);
    EXPECT_TRUE(worldLayoutHolds(fixed));
}

INSTANTIATE_TEST_SUITE_P(Options, OptionEdges, ::testing::ValuesIn(optionCases),
                         [](const ::testing::TestParamInfo<OptionCase>& info) {
                             return std::string(info.param.name);
                         });

// The interval rule on its own, at the limits of the window toolkit's timers.
TEST(TimerInterval, IsAThirdOfTheStepWithinTheTimersReach) {
    EXPECT_EQ(static_cast<double>(0.012f) / 3.0, timerInterval(0.012f).getValue());
    EXPECT_EQ(0.0, timerInterval(0.0f).getValue());
    EXPECT_EQ(maxTimerInterval, timerInterval(3.0f * maxTimerInterval).getValue());
    EXPECT_EQ(maxTimerInterval, timerInterval(1e30f).getValue());
    EXPECT_EQ(maxTimerInterval, timerInterval(std::numeric_limits<float>::max()).getValue());
    for (float bad : {-0.012f, -1e30f, nan, inf, -inf}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(0.0, timerInterval(bad).getValue());
    }
    // Well inside the 2^31 milliseconds the toolkit's timers count to.
    EXPECT_LT(maxTimerInterval * 1000.0, 2147483647.0);
}

} // namespace
