// Where prepared bodies are kept and what they are called; that the key is the one
// scripts/prepare-cached.sh gives is checked end to end (tests/e2e/test_run_model.sh).

#include "common/PreparedBodies.h"

#include <gtest/gtest.h>

#include <atomic>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

/// Sets an environment variable for the test's lifetime (unset when `value` is null).
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        hadOld_ = old != nullptr;
        old_ = hadOld_ ? old : "";
        set(value);
    }
    ~ScopedVariable() { set(hadOld_ ? old_.c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void set(const char* value) {
        if (value != nullptr) {
            setenv(name_, value, 1);
        } else {
            unsetenv(name_);
        }
    }
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

} // namespace

TEST(PreparedBodies, TheCacheFolderFollowsTheBaseDirectoryConventions) {
    ScopedVariable home("HOME", "/home/someone");
    {
        ScopedVariable chosen("PLIMMERTON_PREPARED", nullptr);
        ScopedVariable cache("XDG_CACHE_HOME", nullptr);
        EXPECT_EQ(preparedCacheFolder(), "/home/someone/.cache/plimmerton");
    }
    {
        ScopedVariable chosen("PLIMMERTON_PREPARED", "");
        ScopedVariable cache("XDG_CACHE_HOME", "/var/cache/u");
        EXPECT_EQ(preparedCacheFolder(), "/var/cache/u/plimmerton");
    }
    {
        ScopedVariable chosen("PLIMMERTON_PREPARED", nullptr);
        ScopedVariable cache("XDG_CACHE_HOME", "relative/cache");
        EXPECT_EQ(preparedCacheFolder(), "/home/someone/.cache/plimmerton");
    }
    ScopedVariable chosen("PLIMMERTON_PREPARED", "/tmp/bodies");
    ScopedVariable cache("XDG_CACHE_HOME", "/var/cache/u");
    EXPECT_EQ(preparedCacheFolder(), "/tmp/bodies");
}

TEST(PreparedBodies, KeysTellModelsOptionsAndToolsApartAndNameAnUnreadableFile) {
    const fs::path folder = fs::temp_directory_path() / "plimmerton-prepared-key-test";
    fs::create_directories(folder);
    const std::string model = (folder / "model.obj").string();
    const std::string tool = (folder / "tool").string();
    std::ofstream(model) << "v 0 0 0\n";
    std::ofstream(tool) << "tool";

    const PreparedBodyKey plain = preparedBodyKey(model, {}, tool);
    EXPECT_EQ(plain.problem, "");
    EXPECT_EQ(plain.key.size(), 32u);
    EXPECT_EQ(plain.key.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(preparedBodyKey(model, {}, tool).key, plain.key);
    EXPECT_NE(preparedBodyKey(model, {"--up", "z"}, tool).key, plain.key);
    EXPECT_NE(preparedBodyKey(model, {"--up z"}, tool).key,
              preparedBodyKey(model, {"--up", "z"}, tool).key);
    EXPECT_NE(preparedBodyKey(tool, {}, tool).key, plain.key);
    EXPECT_NE(preparedBodyKey(model, {}, model).key, plain.key);

    for (const std::string& unreadable : {(folder / "missing.obj").string(), folder.string()}) {
        const PreparedBodyKey none = preparedBodyKey(unreadable, {}, tool);
        EXPECT_EQ(none.key, "");
        EXPECT_EQ(none.problem.rfind(unreadable + ": cannot be read (", 0), 0u) << none.problem;
    }
    EXPECT_EQ(preparedBodyKey(model, {}, (folder / "no-tool").string()).key, "");

    // The window keys the bytes it read: the same key, over pieces of a megabyte and across
    // their edges, unless it is cancelled.
    std::string bytes(3 * (1 << 20) + 7, 'v');
    std::ofstream(model, std::ios::binary) << bytes;
    std::atomic<bool> cancelled{false};
    EXPECT_EQ(preparedBodyKeyOfBytes(bytes, {}, tool, cancelled).key,
              preparedBodyKey(model, {}, tool).key);
    cancelled = true;
    const PreparedBodyKey stopped = preparedBodyKeyOfBytes(bytes, {}, tool, cancelled);
    EXPECT_EQ(stopped.key, "");
    EXPECT_EQ(stopped.problem, "");

    const std::string body = preparedBodyPath(folder.string(), plain.key);
    EXPECT_EQ(body, folder.string() + "/" + plain.key + ".toff");
    EXPECT_EQ(findBodyPicture(body), "");
    std::ofstream(body + ".tga") << "picture";
    EXPECT_EQ(findBodyPicture(body), body + ".tga");
    std::ofstream(body + ".png") << "picture";
    EXPECT_EQ(findBodyPicture(body), body + ".png");
    fs::remove_all(folder);
}

TEST(PreparedBodies, TheToolIsFoundBesideTheProgramFirstThenOnThePath) {
    const fs::path root = fs::temp_directory_path() / "plimmerton-find-tool-test";
    fs::remove_all(root);
    for (const char* folder : {"program", "first", "second"}) {
        fs::create_directories(root / folder);
    }
    auto tool = [&root](const char* folder, fs::perms permissions) {
        std::ofstream(root / folder / "tool") << "#!/bin/sh\n";
        fs::permissions(root / folder / "tool", permissions);
    };
    const std::string path = (root / "first").string() + ":" + (root / "second").string();
    const std::string program = (root / "program").string();
    EXPECT_EQ(findProgram("tool", program, path), "");
    tool("second", fs::perms::owner_all);
    EXPECT_EQ(findProgram("tool", program, path), (root / "second/tool").string());
    tool("first", fs::perms::owner_read);
    EXPECT_EQ(findProgram("tool", program, path), (root / "second/tool").string())
        << "a file that cannot be run is passed over";
    tool("program", fs::perms::owner_all);
    EXPECT_EQ(findProgram("tool", program, path), program + "/tool");
    fs::remove_all(root);
}
