#include "control/ModelOpening.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <Inventor/SbTime.h>
#include <Inventor/nodes/SoSeparator.h>

#include <chrono>
#include <iterator>
#include <set>
#include <sstream>
#include <thread>

namespace {

using ModelOpeningScene = AssembledScene;

// A braced tetrahedron-like body of seven points, so that the arrow keys still find theirs.
const char* bracedBody = "OFF\n7 7 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 1 0\n1 0 1\n0 1 1\n"
                         "3 0 1 2\n3 0 1 3\n3 0 2 3\n3 1 2 3\n3 4 5 6\n2 0 6\n2 1 4\n";

/// Follows the opening on the main loop's behalf until it is over, for at most ten seconds.
void followToTheEnd(ProgramState& state) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (state.opening.loader.stage() != ModelLoader::Stage::idle &&
           std::chrono::steady_clock::now() < end) {
        followOpening(state, SbTime::getTimeOfDay().getValue());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// The dialog shows at first every file the program opens: the scenes, the bodies and the models.
TEST(ModelFileFilters, TheFirstTakesEverySceneBodyAndModel) {
    const std::vector<std::string> filters = modelFileFilters();
    ASSERT_EQ(filters.size(), 5u);
    const std::string& first = filters.front();
    std::istringstream patterns(
        first.substr(first.find('(') + 1, first.find(')') - first.find('(') - 1));
    std::multiset<std::string> shown(std::istream_iterator<std::string>(patterns),
                                     std::istream_iterator<std::string>{});
    for (const char* pattern : {"*.toml", "*.toff", "*.off", "*.obj", "*.ply", "*.stl", "*.gltf",
                                "*.glb", "*.dae", "*.3ds", "*.fbx", "*.blend"}) {
        EXPECT_EQ(shown.count(pattern), 1u) << pattern;
    }
    EXPECT_EQ(filters.back(), "All files (*)");
}

TEST_F(ModelOpeningScene, AnOpenedBodyTakesTheOldOnesPlaceAndNReadsItAgain) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const int worldChildren = worldSeparator->getNumChildren();
    pressKeyCapturing(SoKeyboardEvent::NUMBER_1);
    const float stiffness = mpSystem->stiffness();
    const std::string path = writeFile("braced.off", bracedBody);

    ::testing::internal::CaptureStderr();
    openModel(state, path);
    EXPECT_EQ(mpSystem->numPoints(), 8) << "the old body stays until the new one is read";
    followToTheEnd(state);
    ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(mpSystem->numPoints(), 7);
    EXPECT_EQ(worldSeparator->getNumChildren(), worldChildren);
    EXPECT_EQ(worldSeparator->getChild(worldChildren - 1), mpSystem->surfaceRoot());
    EXPECT_EQ(mpSystem->stiffness(), stiffness) << "the old body's stiffness is kept";
    EXPECT_EQ(state.bodies.source(0).name, path);
    EXPECT_EQ(state.opening.lastFolder, path.substr(0, path.find_last_of('/') + 1));

    pressKeyCapturing(SoKeyboardEvent::N);
    EXPECT_EQ(mpSystem->numPoints(), 7) << "N reads the opened file";
    EXPECT_EQ(mpSystem->stiffness(), 85.0f) << "with the command-line values";
}

TEST_F(ModelOpeningScene, AFileThatCannotBeUsedLeavesTheBodyAndSaysWhy) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    MpSystem* body = mpSystem;
    const std::string path = writeFile("cut.toff", "TOFF\n4 1 0\n0 0 0 0 0\n");
    ::testing::internal::CaptureStderr();
    openModel(state, path);
    followToTheEnd(state);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(mpSystem, body);
    EXPECT_TRUE(mpSystemReady);
    EXPECT_NE(said.find(path + ": Malformed mesh file"), std::string::npos) << said;
    const std::vector<std::string> shown = openingLines(state, SbTime::getTimeOfDay().getValue());
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(shown.front().find("cut.toff"), std::string::npos);
    EXPECT_TRUE(openingLines(state, state.notice.until + 1).empty()) << "for a few seconds";
}

TEST_F(ModelOpeningScene, EscGivesUpAReadingAndSaysSo) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    MpSystem* body = mpSystem;
    std::string large = "OFF\n1000000 1 0\n";
    for (int k = 0; k < 1000000; ++k) {
        large += "0 0 1\n";
    }
    const std::string path = writeFile("large.off", large + "2 0 1\n");
    ::testing::internal::CaptureStderr();
    openModel(state, path);
    pressKey(SoKeyboardEvent::ESCAPE);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(state.opening.loader.stage(), ModelLoader::Stage::idle);
    EXPECT_NE(said.find(path + ": opening cancelled\n"), std::string::npos) << said;
    EXPECT_EQ(state.notice.text, path + ": opening cancelled");
    followToTheEnd(state);
    EXPECT_EQ(mpSystem, body) << "the body stays";
    EXPECT_FALSE(cancelOpening(state)) << "nothing left to give up";
}

} // namespace
