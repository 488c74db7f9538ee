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

/// The missing-file message with an empty name, and a line that says how to name a body.
const std::string noBodyNamed = "File `' does not exist!\n"
                                "Name the body: plimmerton MODEL [OPTIONS] or plimmerton -i MODEL "
                                "[OPTIONS], MODEL a body or model file; see plimmerton --help\n";

TEST_F(StartUpTest, NoArgumentsReportAFileWithAnEmptyName) {
    ArgumentList args{"plimmerton"};
    bool opened = true;
    Output output = capture([&] { opened = readCommandLine(args.argc(), args.argv()); });
    EXPECT_FALSE(opened);
    EXPECT_EQ(output.err, noBodyNamed);
    EXPECT_EQ(output.out, "");
}

TEST_F(StartUpTest, MeshOptionInLastPlaceCountsAsAbsent) {
    ArgumentList args{"plimmerton", "-d", "0.5", "-i"};
    bool opened = true;
    Output output = capture([&] { opened = readCommandLine(args.argc(), args.argv()); });
    EXPECT_FALSE(opened);
    EXPECT_EQ(output.err, noBodyNamed);
}

// A model named as a plain argument is the body, as -i names one; an option's value never is.
TEST_F(StartUpTest, APlainArgumentNamesTheBody) {
    ArgumentList args{"plimmerton", "-d", "0.5", meshPath_.c_str(), "-t", "0.01"};
    bool opened = false;
    Output output = capture([&] { opened = readCommandLine(args.argc(), args.argv()); });
    EXPECT_TRUE(opened) << output.err;
    EXPECT_STREQ(settings.meshFileName, meshPath_.c_str());
    EXPECT_EQ(settings.damping, 0.5f);
    EXPECT_EQ(settings.timeStep, 0.01f);

    ArgumentList optionValues{"plimmerton", "-x", "stray.obj", "-tex", "skin.tga"};
    EXPECT_STREQ(modelArgument(optionValues.argc(), optionValues.argv()), "");
    ArgumentList both{"plimmerton", "cow.obj", "-i", "ball.toff", "pig.stl"};
    EXPECT_STREQ(modelArgument(both.argc(), both.argv()), "cow.obj");
    EXPECT_STREQ(findOption(both.argc(), both.argv(), "-i"), "ball.toff") << "-i wins";
}

// Which files the start-up prepares first: as the window tells them apart for a plain
// argument; after -i, only files of another form than OFF and TOFF that are models.
struct StartFile {
    const char* name;
    const char* text;
    bool prepareAsModel;
    bool prepareAfterOption;
};

class StartUpKinds : public StartUpTest, public ::testing::WithParamInterface<StartFile> {};

TEST_P(StartUpKinds, PreparesOnlyWhatTheReaderCannotTake) {
    const StartFile& file = GetParam();
    const std::string path = ::testing::TempDir() + std::to_string(getpid()) + file.name;
    std::ofstream(path) << file.text;
    ArgumentList plain{"plimmerton", path.c_str()};
    ArgumentList option{"plimmerton", "-i", path.c_str()};
    settings.meshFileName = path.c_str();
    EXPECT_EQ(startsWithModel(plain.argc(), plain.argv()), file.prepareAsModel);
    EXPECT_EQ(startsWithModel(option.argc(), option.argv()), file.prepareAfterOption);
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Files, StartUpKinds,
    ::testing::Values(
        StartFile{"braced.off", "OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n2 0 1\n", false, false},
        StartFile{"body.toff", "TOFF\n1 0 0\n0 0 0 0 0\n", false, false},
        StartFile{"surface.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", true, false},
        StartFile{"cut.off", "OFF\n8 6 12\n0 0 0\n", true, false},
        StartFile{"cow.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", true, true},
        StartFile{"colours.txt", "COFF\n3 1 0\n", true, true},
        StartFile{"notes.txt", "Dear reader\n", true, false}),
    [](const ::testing::TestParamInfo<StartFile>& info) {
        std::string name = info.param.name;
        name[name.find('.')] = '_';
        return name;
    });

TEST_F(StartUpTest, ADeviceIsReadAsItIs) {
    settings.meshFileName = "/dev/zero";
    ArgumentList plain{"plimmerton", "/dev/zero"};
    EXPECT_FALSE(startsWithModel(plain.argc(), plain.argv()));
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
