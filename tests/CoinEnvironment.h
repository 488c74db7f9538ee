#pragma once

#include <Inventor/SoDB.h>

#include <gtest/gtest.h>

#include <unistd.h>

/// Starts the scene-graph library before the first test of a test program and shuts it down
/// after the last, so that the leak checker finds none of the library's own state left over.
/// Including this header is enough; the program registers the environment once.
class CoinEnvironment : public ::testing::Environment {
public:
    void SetUp() override { SoDB::init(); }

    /// The library writes its messages through streams it opens on the standard descriptors the
    /// first time it has something to say, and when it shuts down it closes them and puts back
    /// the descriptors it found then. A message written while a test captured the output (a
    /// texture that cannot be read, say) would thus leave standard output or error pointing at
    /// that test's deleted capture file, and the leak checker's report at the end would vanish.
    /// The descriptors as they are now are put back after the shutdown.
    void TearDown() override {
        const int out = dup(STDOUT_FILENO);
        const int err = dup(STDERR_FILENO);
        SoDB::finish();
        restore(out, STDOUT_FILENO);
        restore(err, STDERR_FILENO);
    }

private:
    static void restore(int copy, int fd) {
        if (copy >= 0) {
            dup2(copy, fd);
            close(copy);
        }
    }
};

inline const bool coinEnvironmentRegistered =
    (::testing::AddGlobalTestEnvironment(new CoinEnvironment), true);
