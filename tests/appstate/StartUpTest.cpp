#include "appstate/StartUp.h"
#include "appstate/Globals.h"
#include "tests/appstate/ArgumentList.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

struct Output {
    std::string out;
    std::string err;
};

class StartUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        meshPath_ = ::testing::TempDir() + "startup_mesh_" + std::to_string(getpid()) + ".off";
        std::ofstream(meshPath_) << "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    }
    void TearDown() override {
        std::remove(meshPath_.c_str());
        delete meshStream;
        meshStream = nullptr;
        settings = SimulationSettings{};
    }

    template <typename Action> Output capture(Action action) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        action();
        Output output;
        output.err = ::testing::internal::GetCapturedStderr();
        output.out = ::testing::internal::GetCapturedStdout();
        return output;
    }

    std::string meshPath_;
};

TEST_F(StartUpTest, NoArgumentsReportAFileWithAnEmptyName) {
    ArgumentList args{"plimmerton"};
    bool opened = true;
    Output output = capture([&] { opened = readCommandLine(args.argc(), args.argv()); });
    EXPECT_FALSE(opened);
    EXPECT_EQ(output.err, "File `' does not exist!\n");
    EXPECT_EQ(output.out, "");
}

TEST_F(StartUpTest, MeshOptionInLastPlaceCountsAsAbsent) {
    ArgumentList args{"plimmerton", "-d", "0.5", "-i"};
    bool opened = true;
    Output output = capture([&] { opened = readCommandLine(args.argc(), args.argv()); });
    EXPECT_FALSE(opened);
    EXPECT_EQ(output.err, "File `' does not exist!\n");
}

TEST_F(StartUpTest, MissingFileIsNamedAndNothingElseIsRead) {
    ArgumentList args{"plimmerton", "-d",   "0.5",  "-i",      "no/such/body.off",
                      "-t",         "0.01", "-tex", "skin.tga"};
    bool opened = true;
    Output output = capture([&] { opened = readCommandLine(args.argc(), args.argv()); });
    EXPECT_FALSE(opened);
    EXPECT_EQ(output.err, "File `no/such/body.off' does not exist!\n");
    EXPECT_EQ(output.out, "");
    EXPECT_STREQ(settings.meshFileName, "no/such/body.off");
    EXPECT_EQ(settings.damping, 0.0f);
    EXPECT_EQ(settings.timeStep, 0.0f);
    EXPECT_STREQ(settings.textureFileName, "");
}

TEST_F(StartUpTest, ExistingFileIsOpenedAtItsStartAndTheOptionsAreRead) {
    ArgumentList args{"plimmerton", "-i", meshPath_.c_str(), "-d",   "0.02",    "-m", "1", "-s",
                      "85",         "-t", "0.012",           "-tex", "skin.tga"};
    bool opened = false;
    Output output = capture([&] { opened = readCommandLine(args.argc(), args.argv()); });
    EXPECT_TRUE(opened);
    EXPECT_EQ(output.err, "");
    EXPECT_EQ(output.out, "");
    ASSERT_NE(meshStream, nullptr);
    EXPECT_TRUE(meshStream->is_open());
    std::string keyword;
    *meshStream >> keyword;
    EXPECT_EQ(keyword, "OFF");
    EXPECT_EQ(settings.meshFileName, args.argv()[2]);
    EXPECT_EQ(settings.damping, 0.02f);
    EXPECT_EQ(settings.mass, 1.0f);
    EXPECT_EQ(settings.stiffness, 85.0f);
    EXPECT_EQ(settings.timeStep, 0.012f);
    EXPECT_STREQ(settings.textureFileName, "skin.tga");
}

TEST_F(StartUpTest, ReopeningGivesAFreshStreamFromTheStart) {
    settings.meshFileName = meshPath_.c_str();
    ASSERT_TRUE(openMeshStream());
    std::string word;
    *meshStream >> word >> word;
    ASSERT_EQ(word, "3");

    ASSERT_TRUE(openMeshStream());
    *meshStream >> word;
    EXPECT_EQ(word, "OFF");
}

TEST_F(StartUpTest, ReopeningAVanishedFileReportsIt) {
    settings.meshFileName = meshPath_.c_str();
    ASSERT_TRUE(openMeshStream());
    std::remove(meshPath_.c_str());
    bool opened = true;
    Output output = capture([&] { opened = openMeshStream(); });
    EXPECT_FALSE(opened);
    EXPECT_EQ(output.err, "File `" + meshPath_ + "' does not exist!\n");
    ASSERT_NE(meshStream, nullptr);
    EXPECT_TRUE(meshStream->fail());
}

} // namespace
