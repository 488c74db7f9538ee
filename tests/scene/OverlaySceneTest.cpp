#include "app/OverlayScene.h"
#include "appstate/OnScreenText.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

namespace {

using Overlay = AssembledScene;

bool refresh(OverlayScene& overlay) {
    return overlay.update(currentStatus(), helpPanelShown, SbVec2s(640, 480));
}

TEST_F(Overlay, ShowsTheStatusTheHintWhileStoppedAndThePanelOnH) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    OverlayScene overlay;
    EXPECT_TRUE(refresh(overlay));
    EXPECT_EQ(overlay.statusShown(), statusLines(currentStatus()));
    EXPECT_EQ(overlay.statusShown().front(), "8 points  18 springs  balls 0 of 6");
    EXPECT_TRUE(overlay.hintShown());
    EXPECT_FALSE(overlay.helpShown());
    EXPECT_FALSE(refresh(overlay)) << "nothing changed, nothing to redraw";

    pressKey(SoKeyboardEvent::P);
    EXPECT_TRUE(refresh(overlay));
    EXPECT_FALSE(overlay.hintShown());
    EXPECT_EQ(overlay.statusShown().back(), "t 0.000 s  pace ... of 3.00 s/s");

    pressKeyCapturing(SoKeyboardEvent::H);
    EXPECT_TRUE(refresh(overlay));
    EXPECT_TRUE(overlay.helpShown());
    pressKeyCapturing(SoKeyboardEvent::H);
    EXPECT_TRUE(refresh(overlay));
    EXPECT_FALSE(overlay.helpShown());
}

} // namespace
