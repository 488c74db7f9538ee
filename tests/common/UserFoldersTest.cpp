#include "common/UserFolders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

/// Where xdg-user-dir sends a kind, and what the user's folders are.
struct FolderCase {
    const char* name;
    /// What the stand-in xdg-user-dir prints: a folder of the fixture ("pictures", "home",
    /// "nowhere"), or none when the command is missing.
    std::optional<std::string> answer;
    bool homeSet;
    /// The folder of the fixture the files go to; "work" is the working directory.
    std::string expected;
};

class UserFolder : public ::testing::TestWithParam<FolderCase> {
protected:
    void SetUp() override {
        root_ = fs::path(::testing::TempDir()) / ("plimmerton_folders_" + std::to_string(getpid()));
        fs::remove_all(root_);
        for (const char* folder : {"bin", "home", "pictures", "work"}) {
            fs::create_directories(root_ / folder);
        }
        // The working directory is named as the system resolves it.
        root_ = fs::canonical(root_);
        savedPath_ = std::getenv("PATH");
        const char* home = std::getenv("HOME");
        savedHome_ = home != nullptr ? std::optional<std::string>(home) : std::nullopt;
        savedWork_ = fs::current_path();
        fs::current_path(root_ / "work");
        setenv("PATH", (root_ / "bin").c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", savedPath_.c_str(), 1);
        if (savedHome_) {
            setenv("HOME", savedHome_->c_str(), 1);
        } else {
            unsetenv("HOME");
        }
        fs::current_path(savedWork_);
        fs::remove_all(root_);
    }

    /// An xdg-user-dir that answers `folder` of the fixture, with a line end and a slash, as
    /// the real one may.
    void answerWith(const std::string& folder) {
        const fs::path script = root_ / "bin" / "xdg-user-dir";
        std::ofstream(script) << "#!/bin/sh\necho '" << (root_ / folder).string() << "/'\n";
        fs::permissions(script, fs::perms::owner_all);
    }

    fs::path root_;

private:
    std::string savedPath_;
    std::optional<std::string> savedHome_;
    fs::path savedWork_;
};

TEST_P(UserFolder, IsTheNamedFolderElseHomeElseTheWorkingDirectory) {
    const FolderCase& c = GetParam();
    if (c.answer) {
        answerWith(*c.answer);
    }
    if (c.homeSet) {
        setenv("HOME", (root_ / "home").c_str(), 1);
    } else {
        unsetenv("HOME");
    }
    const std::string folder = userFolder("PICTURES");
    EXPECT_EQ(folder, (root_ / c.expected).string());
    EXPECT_TRUE(fs::path(folder).is_absolute());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UserFolder,
    ::testing::Values(FolderCase{"named", "pictures", true, "pictures"},
                      FolderCase{"homeNamed", "home", true, "home"},
                      FolderCase{"missingFolderNamed", "nowhere", true, "home"},
                      FolderCase{"noCommand", std::nullopt, true, "home"},
                      FolderCase{"noHome", std::nullopt, false, "work"},
                      FolderCase{"namedWithoutHome", "pictures", false, "pictures"}),
    [](const ::testing::TestParamInfo<FolderCase>& info) { return info.param.name; });

} // namespace
