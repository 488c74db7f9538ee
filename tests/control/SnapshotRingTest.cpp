// The ring of snapshots: one each simulated second, the last five, and the one to go back to.

#include "control/SnapshotRing.h"
#include "CoinEnvironment.h"
#include "balls/BallSet.h"
#include "control/EnergyHistory.h"
#include "mpsystem/MpSystem.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <vector>

namespace {

std::unique_ptr<MpSystem> smallBody() {
    std::istringstream mesh("OFF 3 1 0\n0 1 0\n1 1 0\n0 2 0\n3 0 1 2\n");
    testing::internal::CaptureStderr();
    auto body = std::make_unique<MpSystem>(mesh, 0.0f, 1.0f, 50.0f);
    testing::internal::GetCapturedStderr();
    return body;
}

/// A ring that took a snapshot at each of `times`, sound or not as `sound` says.
struct FilledRing {
    FilledRing(const std::vector<double>& times, const std::vector<bool>& sound) {
        bodies.push_back(body.get());
        ring.prepare(bodies, 6);
        for (size_t k = 0; k < times.size(); ++k) {
            ring.take(times[k], static_cast<int64_t>(k), 0.012f, sound[k], bodies, balls);
        }
    }
    std::unique_ptr<MpSystem> body = smallBody();
    std::vector<MpSystem*> bodies;
    BallSet balls;
    SnapshotRing ring;
};

TEST(SnapshotRing, OneEachSimulatedSecondTheLastFive) {
    FilledRing filled({}, {});
    SnapshotRing& ring = filled.ring;
    EXPECT_TRUE(ring.due(0.3)) << "the first snapshot is due at once";
    for (double time = 0.3; time < 9; time += 0.012) {
        if (ring.due(time)) {
            ring.take(time, 0, 0.012f, true, filled.bodies, filled.balls);
        }
    }
    ASSERT_EQ(ring.size(), SnapshotRing::capacity);
    for (int k = 0; k < ring.size(); ++k) {
        EXPECT_NEAR(ring.at(k).time, 4 + k, 0.012) << k;
    }
    auto other = smallBody();
    EXPECT_TRUE(ring.preparedFor(filled.bodies));
    EXPECT_FALSE(ring.preparedFor({other.get()})) << "another body, even of the same file";
}

struct ChoiceCase {
    const char* name;
    double now;
    bool backToSound;
    std::vector<bool> sound;
    double chosen;
};

class SnapshotChoice : public testing::TestWithParam<ChoiceCase> {};

// Backspace goes back about two seconds; to undo trouble, to the newest sound moment.
TEST_P(SnapshotChoice, GoesBackAboutTwoSecondsOrToTheNewestSoundMoment) {
    const ChoiceCase& c = GetParam();
    FilledRing filled({3, 4, 5, 6, 7}, c.sound);
    const int k = filled.ring.choose(c.now, c.backToSound);
    ASSERT_GE(k, 0);
    EXPECT_EQ(filled.ring.at(k).time, c.chosen);
}

const std::vector<bool> allSound{true, true, true, true, true};

INSTANTIATE_TEST_SUITE_P(
    Moments, SnapshotChoice,
    testing::Values(
        ChoiceCase{"just_after_a_snapshot", 7.0, false, allSound, 5},
        ChoiceCase{"late_in_a_second", 7.9, false, allSound, 6},
        ChoiceCase{"early_in_a_second", 7.3, false, allSound, 5},
        ChoiceCase{"nothing_old_enough", 4.2, false, allSound, 3},
        ChoiceCase{
            "blown_up_after_the_time_step_changed", 7.5, true, {true, true, true, false, false}, 5},
        ChoiceCase{"blown_up_at_the_start", 7.5, true, {false, false, false, false, false}, 6},
        ChoiceCase{"newest_is_sound", 7.5, true, allSound, 7}),
    [](const testing::TestParamInfo<ChoiceCase>& info) { return info.param.name; });

TEST(SnapshotRing, GoingOnFromASnapshotForgetsTheNewerOnes) {
    FilledRing filled({3, 4, 5, 6, 7}, allSound);
    filled.ring.keepUpTo(2);
    EXPECT_EQ(filled.ring.size(), 3);
    EXPECT_FALSE(filled.ring.due(5.5));
    EXPECT_TRUE(filled.ring.due(6.0));
    EXPECT_EQ(filled.ring.at(filled.ring.choose(5.0, false)).time, 3);
}

// The plot keeps its history up to the moment gone back to and goes on from there.
TEST(EnergyHistory, FollowsTheSimulationBack) {
    auto body = smallBody();
    EnergyHistory history;
    for (int tick = 1; tick <= 500; ++tick) {
        history.record(tick * 0.012, *body);
    }
    const int before = history.size();
    history.rewindTo(3.0);
    EXPECT_LT(history.size(), before);
    ASSERT_GT(history.size(), 0);
    EXPECT_LE(history.sample(history.size() - 1).time, 3.0);
    EXPECT_GT(history.sample(history.size() - 1).time, 3.0 - EnergyHistory::spacing);
    const int kept = history.size();
    history.record(3.012, *body);
    history.record(3.1, *body);
    EXPECT_EQ(history.size(), kept + 1);
    EXPECT_EQ(history.sample(0).time, 0.012) << "the samples from before stay";
}

} // namespace
