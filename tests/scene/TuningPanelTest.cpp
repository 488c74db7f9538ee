// The tuning panel's model in the assembled scene: it shows what keys 1, 2, 3 and N leave,
// what it sets reaches the body and the keys, Reset and the materials, the stable time step
// in the status, and the energy recorded only while the plot is shown.

#include "control/TuningPanel.h"
#include "control/Simulation.h"
#include "control/StatusReport.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <cmath>

namespace {

using TuningPanelScene = AssembledScene;

std::string pressQuietly(SoKeyboardEvent::Key key) {
    return pressKeyCapturing(key).out;
}

/// The status's line of the switched values.
std::string timeStepLine(const ProgramState& state) {
    for (const std::string& line : statusLines(currentStatus(state))) {
        if (line.find("time step ") != std::string::npos) {
            return line;
        }
    }
    return "";
}

TEST_F(TuningPanelScene, FollowsKeysOneTwoThreeAndN) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    TuningPanel& panel = state.tuning;
    EXPECT_EQ(panel.value(Tunable::stiffness), 85.0f);
    EXPECT_EQ(panel.value(Tunable::damping), 0.02f);
    EXPECT_EQ(panel.value(Tunable::timeStep), 0.012f);
    EXPECT_EQ(panel.value(Tunable::mass), 1.25f);

    pressQuietly(SoKeyboardEvent::NUMBER_1);
    pressQuietly(SoKeyboardEvent::NUMBER_2);
    pressQuietly(SoKeyboardEvent::NUMBER_3);
    EXPECT_EQ(panel.value(Tunable::stiffness), 120.0f);
    EXPECT_EQ(panel.value(Tunable::timeStep), 0.0151f);
    EXPECT_EQ(panel.value(Tunable::damping), 0.04f);

    panel.setValue(Tunable::mass, 2.0f);
    pressQuietly(SoKeyboardEvent::N);
    EXPECT_EQ(panel.value(Tunable::stiffness), 85.0f) << "N rebuilds with the command line's";
    EXPECT_EQ(panel.value(Tunable::damping), 0.02f);
    EXPECT_EQ(panel.value(Tunable::mass), 1.25f);
    EXPECT_EQ(panel.value(Tunable::timeStep), 0.0151f) << "N leaves the time step";
}

TEST_F(TuningPanelScene, SetValuesReachTheBodyAndTheKeysCycleOnFromThem) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    TuningPanel& panel = state.tuning;
    panel.setValue(Tunable::stiffness, 300.0f);
    EXPECT_EQ(pressQuietly(SoKeyboardEvent::NUMBER_1), "stiffness: 335\n");
    panel.setValue(Tunable::damping, 0.3f);
    EXPECT_EQ(pressQuietly(SoKeyboardEvent::NUMBER_3), "damping: 0.02\n");
    panel.setValue(Tunable::timeStep, 0.001f);
    EXPECT_EQ(pressQuietly(SoKeyboardEvent::NUMBER_2), "timeStep: 0.0041\n");
    panel.setValue(Tunable::mass, 0.5f);
    EXPECT_EQ(mpSystem->masses()[0], 0.75f) << "a point below y = 0 weighs 1.5 times";
    EXPECT_EQ(mpSystem->masses()[2], 0.5f);

    panel.setValue(Tunable::stiffness, 1e6f);
    EXPECT_EQ(panel.value(Tunable::stiffness), 2000.0f) << "held to the panel's range";
    panel.setValue(Tunable::timeStep, NAN);
    EXPECT_EQ(panel.value(Tunable::timeStep), 0.0041f);
}

TEST_F(TuningPanelScene, ResetAndMaterialsSetTheirValuesTogether) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    TuningPanel& panel = state.tuning;
    const MaterialPreset& firm = materialPresets().back();
    panel.applyPreset(firm);
    EXPECT_EQ(panel.value(Tunable::stiffness), firm.stiffness);
    EXPECT_EQ(panel.value(Tunable::damping), firm.damping);
    EXPECT_EQ(panel.value(Tunable::mass), firm.mass);
    pressQuietly(SoKeyboardEvent::NUMBER_2);
    panel.reset();
    EXPECT_EQ(panel.value(Tunable::stiffness), 85.0f);
    EXPECT_EQ(panel.value(Tunable::damping), 0.02f);
    EXPECT_EQ(panel.value(Tunable::mass), 1.25f);
    EXPECT_EQ(panel.value(Tunable::timeStep), 0.012f);
}

// A number typed beyond a slider's range is held to it with a word, one within it silently.
TEST_F(TuningPanelScene, TypedValuesBeyondTheRangeAreHeldToItAndSaidSo) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    TuningPanel& panel = state.tuning;
    EXPECT_EQ(panel.typeValue(Tunable::stiffness, 99999.0f),
              "stiffness 99999 is beyond its range of 5 to 2000: set to 2000");
    EXPECT_EQ(panel.value(Tunable::stiffness), 2000.0f);
    EXPECT_EQ(panel.typeValue(Tunable::damping, -1.0f),
              "damping -1 is beyond its range of 0 to 0.5: set to 0");
    EXPECT_EQ(panel.value(Tunable::damping), 0.0f);
    EXPECT_EQ(panel.typeValue(Tunable::timeStep, 0.02f), "");
    EXPECT_EQ(panel.value(Tunable::timeStep), 0.02f);
    EXPECT_EQ(panel.typeValue(Tunable::mass, NAN), "") << "not a number: nothing set";
    EXPECT_EQ(panel.value(Tunable::mass), 1.25f);
}

// The material box shows the material whose values the body has, and none once one changes.
TEST_F(TuningPanelScene, TheCurrentMaterialIsTheOneWhoseValuesTheBodyHas) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    TuningPanel& panel = state.tuning;
    EXPECT_EQ(panel.currentPreset(), -1) << "the run options have mass 1.25";
    for (size_t k = 0; k < materialPresets().size(); ++k) {
        panel.applyPreset(materialPresets()[k]);
        EXPECT_EQ(panel.currentPreset(), static_cast<int>(k)) << materialPresets()[k].name;
    }
    panel.setValue(Tunable::damping, 0.05f);
    EXPECT_EQ(panel.currentPreset(), -1);
}

TEST_F(TuningPanelScene, TheStatusWarnsOnlyBeyondTheStableTimeStep) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    TuningPanel& panel = state.tuning;
    const float stable = panel.stableTimeStep();
    ASSERT_TRUE(std::isfinite(stable));
    EXPECT_LT(0.012f, stable);
    EXPECT_EQ(timeStepLine(state), "stiffness 85  damping 0.02  time step 0.012");
    for (const std::string& line : statusLines(currentStatus(state))) {
        EXPECT_EQ(line.find("UNSTABLE"), std::string::npos) << line;
    }

    panel.setValue(Tunable::stiffness, 2000.0f);
    panel.setValue(Tunable::mass, 0.05f);
    EXPECT_LT(panel.stableTimeStep(), 0.3f * stable) << "stiffer and lighter, a shorter step";
    EXPECT_TRUE(panel.beyondStableTimeStep());
    const std::vector<std::string> lines = statusLines(currentStatus(state));
    EXPECT_EQ(lines.back().rfind("UNSTABLE beyond time step 0.0", 0), 0u) << lines.back();
}

TEST_F(TuningPanelScene, EnergyIsRecordedOnlyWhileThePlotIsShown) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    for (int tick = 0; tick < 50; ++tick) {
        tickSimulation(state);
    }
    EXPECT_EQ(state.energy.size(), 0);
    pressKey(SoKeyboardEvent::F3);
    ASSERT_TRUE(state.energyPlotShown);
    const int ticks = 3000; // 36 simulated seconds
    for (int tick = 0; tick < ticks; ++tick) {
        tickSimulation(state);
    }
    const int n = state.energy.size();
    const double newest = state.energy.sample(n - 1).time;
    EXPECT_NEAR(newest, state.simulatedTime, EnergyHistory::spacing);
    EXPECT_LE(newest - state.energy.sample(0).time, EnergyHistory::span);
    EXPECT_NEAR(n, EnergyHistory::span / EnergyHistory::spacing, 10) << "a sample a spacing";
    EXPECT_GT(state.energy.sample(n - 1).energy.height, 0) << "measured above the floor";
    pressKey(SoKeyboardEvent::F3);
    EXPECT_EQ(state.energy.size(), 0);
}

} // namespace
