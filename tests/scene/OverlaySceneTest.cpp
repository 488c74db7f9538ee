#include "app/OverlayScene.h"
#include "appstate/OnScreenText.h"
#include "control/ModelOpening.h"
#include "control/MouseGrab.h"
#include "control/Simulation.h"
#include "control/StatusReport.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <gmock/gmock.h>

#include <algorithm>

namespace {

using Overlay = AssembledScene;

// Pictures of the size the texts would take in a font of 8 by 16 pixels.
TextImage paintBlank(const std::vector<std::string>& lines, TextKind) {
    size_t longest = 0;
    for (const std::string& line : lines) {
        longest = std::max(longest, line.size());
    }
    TextImage image;
    image.box = SbVec2s(static_cast<short>(8 * longest), static_cast<short>(16 * lines.size()));
    image.size = SbVec2s(512, 256);
    image.pixels.assign(512 * 256 * 4, 0);
    return image;
}

bool refresh(const ProgramState& state, OverlayScene& overlay, double now = 0) {
    OverlayLine pull;
    pull.shown = grabLine(state.grab, pull.from, pull.to);
    return overlay.update(currentStatus(state), state.helpPanelShown, openingLines(state, now),
                          pull, SbVec2s(640, 480), now);
}

TEST_F(Overlay, ShowsTheStatusTheHintWhileStoppedAndThePanelOnH) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    OverlayScene overlay(paintBlank);
    EXPECT_TRUE(refresh(state, overlay));
    EXPECT_EQ(overlay.statusShown(), statusLines(currentStatus(state)));
    EXPECT_THAT(overlay.statusShown()[0], ::testing::EndsWith("_body.off"))
        << "the body's file without its folder";
    EXPECT_EQ(overlay.statusShown()[1], "8 points  18 springs  balls 0 of 6");
    EXPECT_TRUE(overlay.hintShown());
    EXPECT_FALSE(overlay.helpShown());
    EXPECT_FALSE(refresh(state, overlay)) << "nothing changed, nothing to redraw";

    pressKey(SoKeyboardEvent::P);
    EXPECT_TRUE(refresh(state, overlay));
    EXPECT_FALSE(overlay.hintShown());
    EXPECT_EQ(overlay.statusShown().back(), "t 0.000 s  pace ... of 3.00 s/s");

    pressKeyCapturing(SoKeyboardEvent::H);
    EXPECT_TRUE(refresh(state, overlay));
    EXPECT_TRUE(overlay.helpShown());
    pressKeyCapturing(SoKeyboardEvent::H);
    EXPECT_TRUE(refresh(state, overlay));
    EXPECT_FALSE(overlay.helpShown());
}

// While the animation runs, the clock alone repaints the status a few times a second; any
// other change shows at once.
TEST_F(Overlay, TheRunningClockRepaintsTheStatusOnlyAfterItsPeriod) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    OverlayScene overlay(paintBlank);
    pressKey(SoKeyboardEvent::P);
    ASSERT_TRUE(refresh(state, overlay, 10.0));
    const std::vector<std::string> first = overlay.statusShown();
    tickSimulation(state);
    EXPECT_FALSE(refresh(state, overlay, 10.1));
    EXPECT_EQ(overlay.statusShown(), first);
    EXPECT_TRUE(refresh(state, overlay, 10.0 + OverlayScene::clockPeriod));
    EXPECT_EQ(overlay.statusShown(), statusLines(currentStatus(state)));

    pressKeyCapturing(SoKeyboardEvent::NUMBER_1);
    EXPECT_TRUE(refresh(state, overlay, 10.3));
    EXPECT_EQ(overlay.statusShown(), statusLines(currentStatus(state)));
}

// While a part of the body is held, a line runs from the picked point to the target.
TEST_F(Overlay, AHeldBodyShowsItsPullUntilLetGo) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    OverlayScene overlay(paintBlank);
    refresh(state, overlay);
    EXPECT_FALSE(overlay.lineShown().shown);
    const SbVec3f corner = mpSystem->pointPosition(6);
    state.grab.grab(*mpSystem, 6, corner, SbPlane(SbVec3f(0, 0, 1), corner));
    state.grab.moveTarget(corner + SbVec3f(3, 0, 0));
    EXPECT_TRUE(refresh(state, overlay));
    ASSERT_TRUE(overlay.lineShown().shown);
    EXPECT_GT(overlay.lineShown().to[0], overlay.lineShown().from[0] + 10) << "to the right";
    state.grab.release();
    EXPECT_TRUE(refresh(state, overlay));
    EXPECT_FALSE(overlay.lineShown().shown);
}

} // namespace
