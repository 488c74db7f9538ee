// The bundled data is found from any working directory: the working directory first, then the
// data folders in order; a file found nowhere is reported once.

#include "common/DataFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

/// A fresh folder tree under the system's temporary folder, entered as the working directory
/// for the test's lifetime: a working directory and two data folders.
class DataFolders : public testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("plimmerton-data-" +
                std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        for (const char* folder : {"work", "installed", "source"}) {
            fs::create_directories(root / folder);
        }
        previous = fs::current_path();
        fs::current_path(root / "work");
        folders = {(root / "installed").string(), (root / "source").string()};
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(root);
    }
    void put(const fs::path& path) { std::ofstream(path) << "picture"; }

    fs::path root;
    fs::path previous;
    std::vector<std::string> folders;
};

TEST_F(DataFolders, TheWorkingDirectoryComesFirstThenEachFolderInOrder) {
    put(root / "source/col.tga");
    EXPECT_EQ(findDataFile("col.tga", folders), (root / "source/col.tga").string());
    put(root / "installed/col.tga");
    EXPECT_EQ(findDataFile("col.tga", folders), (root / "installed/col.tga").string());
    put(root / "work/col.tga");
    EXPECT_EQ(findDataFile("col.tga", folders), "col.tga");
}

TEST_F(DataFolders, AFolderOfThatNameIsNoFile) {
    fs::create_directories(root / "work/col.tga");
    fs::create_directories(root / "installed/col.tga");
    put(root / "source/col.tga");
    EXPECT_EQ(findDataFile("col.tga", folders), (root / "source/col.tga").string());
}

TEST_F(DataFolders, AFileFoundNowhereIsReportedOnceInOneLine) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(findDataFile("nowhere.tga", folders), "");
    EXPECT_EQ(findDataFile("nowhere.tga", folders), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Cannot find `nowhere.tga' in the working directory, " + folders[0] + ", " +
                  folders[1] + "\n");
}

TEST_F(DataFolders, TheProgramsFolderListFindsThePillarsMarbleFromAnywhere) {
    const std::string found = findDataFile("col.tga");
    EXPECT_TRUE(fs::is_regular_file(found)) << found;
    EXPECT_EQ(dataFolders().back(), PLIMMERTON_SOURCE_DIR "/data");
}

TEST(InstalledDataFolder, FollowsTheProgramToWhicheverPrefixItWasInstalledUnder) {
    // The package installs under /usr even when the build was configured for /usr/local.
    EXPECT_EQ(installedDataFolder("/usr/bin/plimmerton"), "/usr/share/plimmerton");
    EXPECT_EQ(installedDataFolder("/opt/toys/bin/plimmerton"), "/opt/toys/share/plimmerton");
    EXPECT_EQ(installedDataFolder(""), PLIMMERTON_INSTALL_PREFIX "/share/plimmerton");
}

} // namespace
