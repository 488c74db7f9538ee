#include "control/ModelLoader.h"

#include "appstate/Globals.h"
#include "common/ErrorLine.h"
#include "control/ModelAtStart.h"
#include "control/ModelFileRead.h"
#include "control/ProgramState.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const char* bracedOff = "OFF\n4 5 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n"
                        "3 0 1 2\n3 0 1 3\n3 0 2 3\n3 1 2 3\n2 0 3\n";
const char* bareOff =
    "OFF\n4 4 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 1 2\n3 0 1 3\n3 0 2 3\n3 1 2 3\n";

/// What the fake tool was asked and how it is to end; the test steers it.
struct FakeTool {
    int starts = 0;
    std::string model;
    std::string body;
    bool cancelled = false;
    bool finished = false;
    /// Empty: the tool writes `bodyText` to the body file and ends well.
    std::string failure;
    std::string bodyText = bracedOff;
    bool writesPicture = false;
    PrepareProgress reported;
    std::vector<std::string> options;
};

class FakePreparation : public Preparation {
public:
    explicit FakePreparation(FakeTool& tool) : tool_(tool) {}
    bool running(PrepareProgress& progress) override {
        progress = tool_.reported;
        if (!tool_.finished) {
            return true;
        }
        if (tool_.failure.empty()) {
            std::ofstream(tool_.body) << tool_.bodyText;
            if (tool_.writesPicture) {
                std::ofstream(tool_.body + ".png") << "picture";
            }
        }
        return false;
    }
    void cancel() override { tool_.cancelled = true; }
    std::string failure() const override { return tool_.failure; }

private:
    FakeTool& tool_;
};

class ModelLoading : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            fs::path(::testing::TempDir()) / ("plimmerton_loader_" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "cache");
        setenv("PLIMMERTON_PREPARED", (folder_ / "cache").c_str(), 1);
        toolPath_ = write("plimmerton-prepare", "a tool's bytes");
        loader = std::make_unique<ModelLoader>(
            [this](const std::string& tool, const std::string& model, const std::string& body,
                   const std::vector<std::string>& options,
                   std::string&) -> std::unique_ptr<Preparation> {
                ++fake.starts;
                EXPECT_EQ(tool, toolPath_);
                fake.model = model;
                fake.body = body;
                fake.options = options;
                return std::make_unique<FakePreparation>(fake);
            },
            toolPath_);
    }
    void TearDown() override {
        loader.reset();
        unsetenv("PLIMMERTON_PREPARED");
        fs::remove_all(folder_);
    }

    std::string write(const std::string& name, const std::string& text) {
        const fs::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    /// Polls until the loader leaves `stage`, for at most ten seconds.
    ModelLoader::Stage pollPast(ModelLoader::Stage stage) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (loader->poll() == stage && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return loader->stage();
    }

    FakeTool fake;
    std::unique_ptr<ModelLoader> loader;

protected:
    fs::path folder_;
    std::string toolPath_;
};

using Stage = ModelLoader::Stage;

TEST_F(ModelLoading, ABodyFileIsReadAsItIs) {
    const std::string path = write("braced.off", bracedOff);
    loader->open(path, 0.5f);
    EXPECT_EQ(loader->stage(), Stage::reading);
    ASSERT_EQ(pollPast(Stage::reading), Stage::done);
    const OpenedBody body = loader->takeBody();
    EXPECT_EQ(loader->stage(), Stage::idle);
    EXPECT_EQ(body.mesh.positions.size(), 4u);
    EXPECT_EQ(body.mesh.springs.size(), 6u);
    EXPECT_FLOAT_EQ(body.mesh.masses[1], 0.5f);
    EXPECT_EQ(body.modelPath, path);
    EXPECT_EQ(body.bodyPath, path);
    EXPECT_TRUE(body.picturePath.empty());
    EXPECT_EQ(fake.starts, 0);
}

TEST_F(ModelLoading, AModelIsPreparedWithItsProgressThenReadAndCachedForTheNextOpen) {
    const std::string path = write("bare.off", bareOff);
    loader->open(path, 1);
    ASSERT_EQ(pollPast(Stage::reading), Stage::preparing);
    EXPECT_EQ(fake.model, path);
    fake.reported = {42, "bracing"};
    EXPECT_EQ(loader->poll(), Stage::preparing);
    EXPECT_EQ(loader->progress().percent, 42);
    EXPECT_EQ(loader->progress().stage, "bracing");

    fake.writesPicture = true;
    fake.finished = true;
    ASSERT_EQ(pollPast(Stage::preparing), Stage::reading);
    ASSERT_EQ(pollPast(Stage::reading), Stage::done);
    const OpenedBody body = loader->takeBody();
    EXPECT_EQ(body.modelPath, path);
    EXPECT_EQ(body.bodyPath, fake.body) << "N reads the prepared body";
    EXPECT_EQ(body.picturePath, fake.body + ".png");
    EXPECT_EQ(body.mesh.springs.size(), 6u);

    loader->open(path, 1);
    EXPECT_EQ(pollPast(Stage::reading), Stage::done) << "the second open takes the cached body";
    EXPECT_EQ(fake.starts, 1);
}

TEST_F(ModelLoading, WithAPressureAModelIsPreparedToBeHeldByItAsABodyOfItsOwn) {
    const std::string path = write("bare.off", bareOff);
    loader->open(path, 1, 22.5f);
    ASSERT_EQ(pollPast(Stage::reading), Stage::preparing);
    EXPECT_EQ(fake.options, (std::vector<std::string>{"--pressure", "22.5"}));
    fake.finished = true;
    ASSERT_EQ(pollPast(Stage::preparing), Stage::reading);
    ASSERT_EQ(pollPast(Stage::reading), Stage::done);
    loader->takeBody();
    const std::string inflated = fake.body;

    // Braced, the same model is another body in the cache; with the same pressure, the same.
    loader->open(path, 1);
    ASSERT_EQ(pollPast(Stage::reading), Stage::preparing);
    EXPECT_TRUE(fake.options.empty());
    EXPECT_NE(fake.body, inflated);
    loader->cancel();
    loader->open(path, 1, 22.5f);
    EXPECT_EQ(pollPast(Stage::reading), Stage::done);
    EXPECT_EQ(fake.starts, 2);
}

TEST_F(ModelLoading, CancellingEndsThePreparationAndChangesNothing) {
    loader->open(write("bare.off", bareOff), 1);
    ASSERT_EQ(pollPast(Stage::reading), Stage::preparing);
    EXPECT_TRUE(loader->cancel());
    EXPECT_TRUE(fake.cancelled);
    EXPECT_EQ(loader->stage(), Stage::idle);
    EXPECT_EQ(loader->poll(), Stage::idle);
    EXPECT_FALSE(loader->cancel()) << "nothing left to cancel";
}

TEST_F(ModelLoading, TheToolsFailureIsTheLineShown) {
    loader->open(write("bare.off", bareOff), 1);
    ASSERT_EQ(pollPast(Stage::reading), Stage::preparing);
    fake.failure = "bare.off: the import library crashed reading the file (signal 11)";
    fake.finished = true;
    ASSERT_EQ(pollPast(Stage::preparing), Stage::failed);
    EXPECT_EQ(loader->takeFailure(), fake.failure);
    EXPECT_EQ(loader->stage(), Stage::idle);
}

/// Threads of this process.
size_t threadCount() {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator()));
}

/// A body of `points` points and one strut: seconds of reading when it is large.
std::string largeBody(int points) {
    std::string text = "OFF\n" + std::to_string(points) + " 1 0\n";
    text.reserve(text.size() + 12 * static_cast<size_t>(points));
    for (int k = 0; k < points; ++k) {
        text += "0.25 0.5 1\n";
    }
    return text + "2 0 1\n";
}

// Given up, or left with the loader, a reading stops and its thread is joined at once: none is
// left reading a large file into memory nobody will look at.
TEST_F(ModelLoading, AReadingGivenUpLeavesNoThreadBehind) {
    const std::string path = write("large.off", largeBody(2'000'000));
    const size_t threads = threadCount();
    ::testing::internal::CaptureStderr();
    loader->open(path, 1);
    EXPECT_EQ(threadCount(), threads + 1);
    EXPECT_TRUE(loader->cancel());
    EXPECT_EQ(threadCount(), threads);
    EXPECT_EQ(loader->stage(), Stage::idle);
    EXPECT_EQ(loader->poll(), Stage::idle);

    loader->open(path, 1);
    loader->open(write("braced.off", bracedOff), 1);
    ASSERT_EQ(pollPast(Stage::reading), Stage::done);
    EXPECT_EQ(loader->takeBody().mesh.positions.size(), 4u);
    EXPECT_EQ(threadCount(), threads) << "a new opening gives up the one under way";

    loader->open(path, 1);
    loader.reset();
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(threadCount(), threads);
}

/// A tool that reports the next of `reports` at each look, and then writes the body.
class ReportingPreparation : public Preparation {
public:
    ReportingPreparation(std::vector<PrepareProgress> reports, std::string body,
                         std::string failure)
        : reports_(std::move(reports)), body_(std::move(body)), failure_(std::move(failure)) {}
    bool running(PrepareProgress& progress) override {
        if (next_ < reports_.size()) {
            progress = reports_[next_++];
            return true;
        }
        if (failure_.empty()) {
            std::ofstream(body_) << bracedOff;
            std::ofstream(body_ + ".png") << "picture";
        }
        return false;
    }
    void cancel() override {}
    std::string failure() const override { return failure_; }

private:
    std::vector<PrepareProgress> reports_;
    size_t next_ = 0;
    std::string body_;
    std::string failure_;
};

// A model named on the command line is prepared as the window prepares it, its progress on
// standard error, and the body kept in the same cache; the program's settings then point at it.
class ModelAtStart : public ModelLoading {
protected:
    void TearDown() override {
        delete meshStream;
        meshStream = nullptr;
        settings = SimulationSettings{};
        ModelLoading::TearDown();
    }

    ModelLoader::Launcher launcher() {
        return [this](const std::string& tool, const std::string& model, const std::string& body,
                      const std::vector<std::string>& options,
                      std::string&) -> std::unique_ptr<Preparation> {
            EXPECT_EQ(tool, toolPath_);
            ++fake.starts;
            fake.model = model;
            fake.body = body;
            fake.options = options;
            return std::make_unique<ReportingPreparation>(
                std::vector<PrepareProgress>{
                    {0, ""}, {0, "reading"}, {40, "reading"}, {60, "bracing"}},
                body, fake.failure);
        };
    }

    /// Prepares `model` at start, not on a terminal; returns what it wrote on standard error.
    std::string prepare(const std::string& model, StartModel& body, bool& made) {
        setErrorLineOpen(false);
        ::testing::internal::CaptureStderr();
        made = prepareModelAtStart(model, {}, false, body, launcher(), toolPath_);
        return ::testing::internal::GetCapturedStderr();
    }
};

TEST_F(ModelAtStart, IsPreparedOnceWithItsProgressAndTakenFromTheCacheAfter) {
    const std::string model = write("bare.off", bareOff);
    StartModel body;
    bool made = false;
    const std::string said = prepare(model, body, made);
    ASSERT_TRUE(made) << said;
    EXPECT_EQ(fake.starts, 1);
    EXPECT_EQ(fake.model, model);
    EXPECT_EQ(body.bodyPath, fake.body);
    EXPECT_EQ(fs::path(body.bodyPath).parent_path(), folder_ / "cache");
    EXPECT_EQ(body.picturePath, fake.body + ".png");
    EXPECT_EQ(said, "preparing bare.off [....................]   0%  reading\n"
                    "preparing bare.off [############........]  60%  bracing\n")
        << "a line at each stage, as the window shows it";

    StartModel again;
    EXPECT_EQ(prepare(model, again, made), "");
    EXPECT_TRUE(made);
    EXPECT_EQ(fake.starts, 1) << "the cached body, without preparing";
    EXPECT_EQ(again.bodyPath, body.bodyPath);
}

TEST_F(ModelAtStart, TheToolsFailureIsSaidAndNothingIsMade) {
    const std::string model = write("notes.obj", "no model\n");
    fake.failure = model + ": the model has no faces";
    StartModel body;
    bool made = true;
    const std::string said = prepare(model, body, made);
    EXPECT_FALSE(made);
    EXPECT_EQ(said.substr(said.rfind('\n', said.size() - 2) + 1), fake.failure + "\n") << said;
    EXPECT_TRUE(body.bodyPath.empty());
}

TEST_F(ModelAtStart, AModelOverTheWindowsBudgetIsRefusedUnread) {
    const std::string model = write("huge.obj", "");
    fs::resize_file(model, modelFileBudget + 1);
    StartModel body;
    bool made = true;
    EXPECT_EQ(prepare(model, body, made),
              model + ": holds 2 GB, more than the 2 GB a model file may have\n");
    EXPECT_FALSE(made);
    EXPECT_EQ(fake.starts, 0);
}

TEST_F(ModelAtStart, PointsTheSettingsAtTheBodyAndKeepsTheCommandLinesPicture) {
    const std::string model = write("bare.off", bareOff);
    for (const bool textureGiven : {false, true}) {
        ProgramState state;
        settings.meshFileName = model.c_str();
        settings.textureFileName = textureGiven ? "skin.tga" : "";
        ::testing::internal::CaptureStderr();
        const bool taken = takeModelAtStart(state, textureGiven, false, launcher(), toolPath_);
        ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(taken);
        EXPECT_EQ(settings.meshFileName, fake.body) << "N reads the prepared body";
        ASSERT_NE(meshStream, nullptr);
        EXPECT_TRUE(meshStream->is_open());
        EXPECT_EQ(state.bodyName, model) << "the status names the model";
        EXPECT_STREQ(settings.textureFileName,
                     textureGiven ? "skin.tga" : (fake.body + ".png").c_str());
        EXPECT_EQ(state.commandLineTexture, textureGiven ? "skin.tga" : "");
    }
    EXPECT_EQ(fake.starts, 1);
}

TEST_F(ModelAtStart, WithAPressureIsPreparedToBeHeldByTheGasIntoABodyOfItsOwn) {
    const std::string model = write("bare.off", bareOff);
    std::vector<std::string> bodies;
    for (const float pressure : {0.0f, 20.0f}) {
        ProgramState state;
        settings.meshFileName = model.c_str();
        settings.textureFileName = "";
        settings.pressureGiven = true;
        settings.pressure = pressure;
        ::testing::internal::CaptureStderr();
        const bool taken = takeModelAtStart(state, false, false, launcher(), toolPath_);
        ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(taken);
        const std::vector<std::string> asked = {"--pressure", "20"};
        EXPECT_EQ(fake.options, pressure > 0 ? asked : std::vector<std::string>());
        bodies.push_back(settings.meshFileName);
    }
    EXPECT_EQ(fake.starts, 2);
    EXPECT_NE(bodies[0], bodies[1]) << "the body held by the gas is kept apart from the braced";
}

struct BadFile {
    const char* name;
    const char* text;
    const char* problem;
};

class BadFiles : public ModelLoading, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFiles, FailWithOneLineNamingTheFile) {
    const BadFile& bad = GetParam();
    const std::string path = bad.text != nullptr ? write(bad.name, bad.text)
                             : bad.name[0] == '/'
                                 ? bad.name
                                 : (fs::path(::testing::TempDir()) / bad.name).string();
    ::testing::internal::CaptureStderr();
    loader->open(path, 1);
    const Stage stage = pollPast(Stage::reading);
    ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(stage, Stage::failed);
    const std::string failure = loader->takeFailure();
    EXPECT_EQ(failure.rfind(path + ": ", 0), 0u) << failure;
    EXPECT_NE(failure.find(bad.problem), std::string::npos) << failure;
    EXPECT_EQ(failure.find('\n'), std::string::npos);
    EXPECT_EQ(fake.starts, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Loader, BadFiles,
    ::testing::Values(BadFile{"missing.obj", nullptr, "cannot be read"},
                      BadFile{"/dev/zero", nullptr, "is a device, not a model file"},
                      BadFile{"cut.toff", "TOFF\n4 1 0\n0 0 0 0 0\n", "Malformed mesh file"},
                      BadFile{"faceless.toff", "TOFF\n2 0 0\n0 0 0 0 0\n1 0 0 1 1\n", "no faces"}),
    [](const ::testing::TestParamInfo<BadFile>& info) {
        std::string name = info.param.name;
        name = name.substr(name.find_last_of('/') + 1);
        return name.substr(0, name.find('.'));
    });

} // namespace
