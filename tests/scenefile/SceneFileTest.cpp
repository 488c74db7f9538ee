// Scene files written and read back: the same description to the bit, paths relative to the
// scene file, the bundled example, the check of the files a scene names, and a failed write
// that leaves the old file.

#include "scenefile/FloatText.h"
#include "scenefile/ScenePaths.h"
#include "scenefile/SceneReader.h"
#include "scenefile/SceneWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

template <typename Vec> bool sameBits(const Vec& a, const Vec& b, int n) {
    return std::memcmp(a.getValue(), b.getValue(), n * sizeof(float)) == 0;
}

void expectSameScene(const SceneDescription& a, const SceneDescription& b) {
    EXPECT_EQ(a.version, b.version);
    EXPECT_TRUE(sameBits(a.timeStep, b.timeStep));
    EXPECT_EQ(a.arenaSeed, b.arenaSeed);
    EXPECT_EQ(a.keys, b.keys);
    EXPECT_EQ(a.hasState, b.hasState);
    ASSERT_EQ(a.camera.has_value(), b.camera.has_value());
    if (a.camera) {
        EXPECT_TRUE(sameBits(a.camera->position, b.camera->position, 3));
        EXPECT_TRUE(sameBits(a.camera->orientation, b.camera->orientation, 4));
        EXPECT_TRUE(sameBits(a.camera->heightAngle, b.camera->heightAngle));
        EXPECT_TRUE(sameBits(a.camera->focalDistance, b.camera->focalDistance));
    }
    ASSERT_EQ(a.cannon.has_value(), b.cannon.has_value());
    if (a.cannon) {
        EXPECT_TRUE(sameBits(a.cannon->yaw, b.cannon->yaw, 4));
        EXPECT_TRUE(sameBits(a.cannon->tilt, b.cannon->tilt, 4));
    }
    ASSERT_EQ(a.bodies.size(), b.bodies.size());
    for (size_t k = 0; k < a.bodies.size(); ++k) {
        const BodyDescription& x = a.bodies[k];
        const BodyDescription& y = b.bodies[k];
        EXPECT_EQ(x.file, y.file) << k;
        EXPECT_EQ(x.picture, y.picture) << k;
        EXPECT_TRUE(sameBits(x.offset, y.offset, 3)) << k;
        EXPECT_TRUE(sameBits(x.rotation, y.rotation, 4)) << k;
        EXPECT_TRUE(sameBits(x.stiffness, y.stiffness) && sameBits(x.damping, y.damping) &&
                    sameBits(x.pointMass, y.pointMass) && sameBits(x.pressure, y.pressure))
            << k;
        EXPECT_EQ(x.pins, y.pins) << k;
    }
    ASSERT_EQ(a.balls.size(), b.balls.size());
    for (size_t k = 0; k < a.balls.size(); ++k) {
        EXPECT_TRUE(sameBits(a.balls[k].position, b.balls[k].position, 3)) << k;
        EXPECT_TRUE(sameBits(a.balls[k].velocity, b.balls[k].velocity, 3)) << k;
        EXPECT_TRUE(sameBits(a.balls[k].colour, b.balls[k].colour, 3)) << k;
    }
}

/// A float in [least, most] from any of its bit patterns' neighbourhoods: whole numbers, tenths,
/// subnormal numbers and random mantissas, the values whose text is easiest to get wrong.
float awkwardFloat(std::mt19937& random, float least, float most) {
    std::uniform_real_distribution<float> uniform(least, most);
    float x = uniform(random);
    switch (random() % 4) {
    case 0:
        x = std::round(x);
        break;
    case 1:
        x = std::round(x * 10) / 10;
        break;
    case 2:
        x = std::ldexp(static_cast<float>(random() % 1000), -140);
        break;
    }
    return std::clamp(x, least, most);
}

/// A unit quaternion as SbRotation would hold it.
Quaternion randomRotation(std::mt19937& random) {
    std::normal_distribution<float> normal;
    Quaternion q(normal(random), normal(random), normal(random), normal(random));
    q.normalize();
    return q;
}

SceneDescription randomScene(std::mt19937& random, const std::string& folder) {
    SceneDescription scene;
    scene.timeStep = awkwardFloat(random, 0.001f, 0.05f);
    if (random() % 2) {
        scene.arenaSeed = static_cast<uint32_t>(random());
    }
    scene.keys = random() % 2 ? "0:space,120:ctrl+o,121:f12" : "";
    scene.hasState = random() % 2;
    auto vector = [&](float least, float most) {
        return SbVec3f(awkwardFloat(random, least, most), awkwardFloat(random, least, most),
                       awkwardFloat(random, least, most));
    };
    if (random() % 2) {
        scene.camera =
            CameraDescription{vector(-100, 100), randomRotation(random),
                              awkwardFloat(random, 0.1f, 3.0f), awkwardFloat(random, 0.5f, 100)};
    }
    if (random() % 2) {
        scene.cannon = CannonDescription{randomRotation(random), randomRotation(random)};
    }
    const int bodies = 1 + random() % 4;
    for (int b = 0; b < bodies; ++b) {
        BodyDescription body;
        body.file =
            folder + (b % 2 ? "/models/body \"" + std::to_string(b) + "\".toff" : "/ball.toff");
        body.picture = b % 2 ? folder + "/pictures/body.tga" : "";
        body.offset = vector(-1e6f, 1e6f);
        body.rotation = randomRotation(random);
        body.stiffness = awkwardFloat(random, 0, 2000);
        body.damping = awkwardFloat(random, 0, 0.5f);
        body.pointMass = awkwardFloat(random, 0.05f, 5);
        body.pressure = awkwardFloat(random, 0, 100);
        for (int k = random() % 40; k > 0; --k) {
            body.pins.push_back(static_cast<int32_t>(random() % 200000));
        }
        scene.bodies.push_back(body);
    }
    for (int k = random() % 5; k > 0; --k) {
        scene.balls.push_back({vector(-30, 30), vector(-40, 40), vector(0, 1)});
    }
    return scene;
}

class SceneFileTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("plimmerton-scene-" + std::to_string(::getpid()) + "-" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path folder_;
};

} // namespace

TEST_F(SceneFileTest, AWrittenSceneReadsBackTheSameToTheBit) {
    std::mt19937 random(30);
    const std::string path = (folder_ / "scene.toml").string();
    for (int round = 0; round < 200; ++round) {
        const SceneDescription scene = randomScene(random, folder_.string());
        std::string problem;
        ASSERT_TRUE(writeSceneFile(path, scene, problem)) << problem << "\n"
                                                          << sceneText(scene, path);
        SceneDescription read;
        ASSERT_TRUE(readSceneFile(path, read, problem)) << problem;
        expectSameScene(scene, read);
        // Written again, the text is the same: nothing drifts from save to save.
        EXPECT_EQ(sceneText(read, path), sceneText(scene, path));
        if (HasFailure()) {
            FAIL() << "round " << round << ":\n" << sceneText(scene, path);
        }
    }
}

TEST(FloatTextTest, EveryKindOfFloatReadsBackThroughADouble) {
    std::mt19937 random(7);
    for (int k = 0; k < 200000; ++k) {
        uint32_t bits = static_cast<uint32_t>(random());
        float x = 0;
        std::memcpy(&x, &bits, sizeof x);
        if (!std::isfinite(x)) {
            continue;
        }
        const std::string text = floatText(x);
        ASSERT_NE(text.find_first_of(".e"), std::string::npos) << text;
        ASSERT_TRUE(sameBits(static_cast<float>(std::strtod(text.c_str(), nullptr)), x))
            << text << " from bits " << bits;
    }
    EXPECT_EQ(floatText(0.1f), "0.1");
    EXPECT_EQ(floatText(85.0f), "85.0");
    EXPECT_EQ(floatText(-0.0f), "-0.0");
}

TEST_F(SceneFileTest, PathsAreWrittenRelativeToTheSceneAndResolvedAgainstItsFolder) {
    EXPECT_EQ(pathInScene("/s/a/ball.toff", "/s/a/scene.toml"), "ball.toff");
    EXPECT_EQ(pathInScene("/s/models/ball.toff", "/s/a/scene.toml"), "../models/ball.toff");
    EXPECT_EQ(pathInScene("/usr/share/ball.toff", "/home/u/scene.toml"), "/usr/share/ball.toff");
    EXPECT_EQ(resolveScenePath("ball.toff", "scenes/a.toml"), "scenes/ball.toff");
    EXPECT_EQ(resolveScenePath("../m/ball.toff", "scenes/a/b.toml"), "scenes/m/ball.toff");
    EXPECT_EQ(resolveScenePath("/abs/ball.toff", "scenes/a.toml"), "/abs/ball.toff");
    EXPECT_EQ(resolveScenePath("ball.toff", "a.toml"), "ball.toff");
    EXPECT_EQ(stateFileName("scenes/moment.toml"), "scenes/moment.state");

    // A scene written in one folder names its bodies relative to it, and read from another
    // folder after both were moved, it still finds them.
    fs::create_directories(folder_ / "a/models");
    std::ofstream(folder_ / "a/models/ball.toff") << "OFF\n";
    SceneDescription scene;
    scene.bodies.push_back({});
    scene.bodies[0].file = (folder_ / "a/models/ball.toff").string();
    std::string problem;
    ASSERT_TRUE(writeSceneFile((folder_ / "a/scene.toml").string(), scene, problem)) << problem;
    fs::rename(folder_ / "a", folder_ / "b");
    const std::string moved = (folder_ / "b/scene.toml").string();
    SceneDescription read;
    ASSERT_TRUE(readSceneFile(moved, read, problem)) << problem;
    EXPECT_EQ(read.bodies[0].file, (folder_ / "b/models/ball.toff").string());
    EXPECT_TRUE(checkSceneFiles(read, moved, problem)) << problem;
}

TEST_F(SceneFileTest, TheFileCheckNamesTheFirstMissingFileAndWhereTheSceneNamesIt) {
    const std::string path = (folder_ / "scene.toml").string();
    std::ofstream(folder_ / "here.toff") << "OFF\n";
    std::ofstream(path) << "version = 1\nstate = true\n\n[[body]]\nfile = \"here.toff\"\n\n"
                           "[[body]]\nfile = \"here.toff\"\npicture = \"gone.tga\"\n";
    SceneDescription scene;
    std::string problem;
    ASSERT_TRUE(readSceneFile(path, scene, problem)) << problem;
    EXPECT_FALSE(checkSceneFiles(scene, path, problem));
    EXPECT_EQ(problem, path + ":9:11: body 2's picture '" + (folder_ / "gone.tga").string() +
                           "' cannot be opened: No such file or directory");
    scene.bodies[1].picture.clear();
    EXPECT_FALSE(checkSceneFiles(scene, path, problem));
    EXPECT_EQ(problem, path + ":2:9: the state file '" + (folder_ / "scene.state").string() +
                           "' cannot be opened: No such file or directory");
    scene.bodies[0].file = folder_.string();
    EXPECT_FALSE(checkSceneFiles(scene, path, problem));
    EXPECT_EQ(problem, path + ":5:8: body 1's file '" + folder_.string() +
                           "' cannot be opened: it is a folder");
}

TEST_F(SceneFileTest, ARefusedWriteLeavesTheOldFile) {
    const std::string path = (folder_ / "scene.toml").string();
    SceneDescription scene;
    scene.bodies.push_back({});
    scene.bodies[0].file = "ball.toff";
    std::string problem;
    ASSERT_TRUE(writeSceneFile(path, scene, problem)) << problem << "\n" << sceneText(scene, path);
    const std::string before = sceneText(scene, path);

    scene.bodies[0].stiffness = NAN;
    EXPECT_FALSE(writeSceneFile(path, scene, problem));
    EXPECT_NE(problem.find("'stiffness' of body 1 is nan, not a finite number"), std::string::npos)
        << problem;
    scene.bodies[0].stiffness = 1;
    EXPECT_FALSE(writeSceneFile((folder_ / "no/folder.toml").string(), scene, problem));
    EXPECT_EQ(problem, (folder_ / "no/folder.toml").string() +
                           ": cannot be written: No such file or directory");

    std::ifstream in(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), before);
    EXPECT_FALSE(fs::exists(path + ".partial"));
}

TEST(BundledSceneTest, TheFormatPagesExampleReads) {
    const std::string page = std::string(PLIMMERTON_SOURCE_DIR) + "/docs/scene-format.md";
    std::ifstream in(page);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    const size_t start = text.find("```toml\n");
    ASSERT_NE(start, std::string::npos);
    const size_t end = text.find("```", start + 8);
    SceneDescription scene;
    std::string problem;
    ASSERT_TRUE(readSceneText(text.substr(start + 8, end - start - 8), page, scene, problem))
        << problem;
    EXPECT_EQ(scene.bodies.size(), 2u);
    EXPECT_EQ(scene.bodies[1].pins, (std::vector<int32_t>{0, 5}));
    EXPECT_EQ(scene.balls.size(), 1u);
}

TEST(BundledSceneTest, TheTwoBallsStandOneAboveTheOther) {
    const std::string path = std::string(PLIMMERTON_SOURCE_DIR) + "/data/two-balls.toml";
    SceneDescription scene;
    std::string problem;
    ASSERT_TRUE(readSceneFile(path, scene, problem)) << problem;
    EXPECT_TRUE(checkSceneFiles(scene, path, problem)) << problem;
    ASSERT_EQ(scene.bodies.size(), 2u);
    EXPECT_EQ(scene.bodies[0].file, std::string(PLIMMERTON_SOURCE_DIR) + "/data/ball.toff");
    EXPECT_EQ(scene.bodies[1].file, scene.bodies[0].file);
    EXPECT_EQ(scene.bodies[1].offset[1] - scene.bodies[0].offset[1], 12.0f);
    // A quarter turn about y, as written by hand with an axis and degrees.
    EXPECT_NEAR(scene.bodies[1].rotation[1], std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(scene.bodies[1].rotation[3], std::sqrt(0.5f), 1e-6f);
    EXPECT_EQ(scene.arenaSeed, 1u);
    EXPECT_FALSE(scene.hasState);
}
