#include "control/ModelFileRead.h"
#include "control/CancellableInput.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <istream>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class ModelFileReading : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(::testing::TempDir()) / ("plimmerton_read_" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(path(name), std::ios::binary) << text;
        return path(name);
    }

    std::atomic<bool> cancelled{false};
    std::string bytes = "left from before";
    std::string problem;

private:
    fs::path folder_;
};

struct Refusal {
    const char* name;
    /// The file to make: "fifo", "folder", "file" (of 150 bytes), or none.
    const char* make;
    const char* problem;
};

class Refusals : public ModelFileReading, public ::testing::WithParamInterface<Refusal> {};

// Refused before a byte is read: none of these may block, grow the memory or be read in part.
TEST_P(Refusals, NameTheFileAndSayWhyInOneLine) {
    const Refusal& refusal = GetParam();
    std::string file = refusal.name;
    const std::string make = refusal.make;
    if (make == "fifo") {
        file = path(refusal.name);
        ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    } else if (make == "folder") {
        file = path(refusal.name);
        fs::create_directories(file);
    } else if (make == "file") {
        file = write(refusal.name, std::string(150, 'x'));
    } else if (make == "none") {
        file = path(refusal.name);
    }
    EXPECT_EQ(readModelFile(file, bytes, problem, cancelled, 100), ModelFileRead::refused);
    EXPECT_EQ(problem, file + ": " + refusal.problem);
    EXPECT_TRUE(bytes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    ModelFileReading, Refusals,
    ::testing::Values(Refusal{"/dev/zero", "", "is a device, not a model file"},
                      Refusal{"endless.off", "fifo", "is a pipe, not a model file"},
                      Refusal{"models", "folder", "is a folder, not a model file"},
                      Refusal{"large.off", "file",
                              "holds 150 bytes, more than the 100 bytes a model file may have"},
                      Refusal{"missing.off", "none", "cannot be read: No such file or directory"}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        std::string name = info.param.name;
        name = name.substr(name.find_last_of('/') + 1);
        return name.substr(0, name.find('.'));
    });

TEST_F(ModelFileReading, AFileIsReadWholeAcrossItsChunks) {
    std::string text;
    for (size_t k = 0; text.size() < 2 * modelReadChunk + 3; ++k) {
        text += std::to_string(k) + " ";
    }
    const std::string file = write("body.off", text);
    EXPECT_EQ(readModelFile(file, bytes, problem, cancelled), ModelFileRead::read) << problem;
    EXPECT_EQ(bytes, text);
    EXPECT_EQ(readModelFile(write("empty.off", ""), bytes, problem, cancelled),
              ModelFileRead::read);
    EXPECT_TRUE(bytes.empty());
}

// A file that holds more than its size said when the reading began is still being written: the
// kernel's own status files say 0 and hold lines.
TEST_F(ModelFileReading, AFileThatGrowsWhileItIsReadIsRefused) {
    EXPECT_EQ(readModelFile("/proc/self/status", bytes, problem, cancelled),
              ModelFileRead::refused);
    EXPECT_EQ(problem, "/proc/self/status: changed while it was read; open it once it is complete");
    EXPECT_TRUE(bytes.empty());
}

TEST_F(ModelFileReading, ACancelledReadingKeepsNothing) {
    const std::string file = write("body.off", std::string(modelReadChunk + 1, ' '));
    cancelled = true;
    EXPECT_EQ(readModelFile(file, bytes, problem, cancelled), ModelFileRead::cancelled);
    EXPECT_TRUE(bytes.empty());
}

TEST(ByteSizeText, SaysSizesAsPeopleReadThem) {
    EXPECT_EQ(byteSizeText(1), "1 byte");
    EXPECT_EQ(byteSizeText(999), "999 bytes");
    EXPECT_EQ(byteSizeText(1500), "1.5 kB");
    EXPECT_EQ(byteSizeText(modelFileBudget), "2 GB");
    EXPECT_EQ(byteSizeText(3221225472u), "3.2 GB");
}

// Read through its windows, the bytes give what a string stream gives, positions included; once
// cancelled, the input ends at the end of the window being served.
TEST(CancellableInput, ReadsAsAStringStreamUntilCancelled) {
    std::string text;
    for (int k = 0; text.size() < 3 * CancellableInput::window; ++k) {
        text += std::to_string(k) + (k % 7 == 0 ? "\n" : " ");
    }
    std::atomic<bool> cancelled{false};
    CancellableInput buffer(text.data(), text.size(), cancelled);
    std::istream in(&buffer);
    std::istringstream reference(text);
    long value = 0;
    long expected = 0;
    while (reference >> expected) {
        ASSERT_TRUE(in >> value);
        ASSERT_EQ(value, expected);
    }
    EXPECT_FALSE(in >> value);

    in.clear();
    in.seekg(0, std::ios::end);
    EXPECT_EQ(static_cast<size_t>(in.tellg()), text.size());
    in.seekg(5);
    EXPECT_EQ(in.tellg(), 5);
    in.seekg(0);
    cancelled = true;
    size_t words = 0;
    while (in >> value) {
        ++words;
    }
    EXPECT_GT(words, 0u) << "the first window is served";
    EXPECT_EQ(static_cast<size_t>(in.rdbuf()->pubseekoff(0, std::ios::cur, std::ios::in)),
              CancellableInput::window);
}

} // namespace
