#pragma once

#include <Inventor/SoDB.h>

#include <gtest/gtest.h>

/// Starts the scene-graph library before the first test of a test program and shuts it down
/// after the last, so that the leak checker finds none of the library's own state left over.
/// Including this header is enough; the program registers the environment once.
class CoinEnvironment : public ::testing::Environment {
public:
    void SetUp() override { SoDB::init(); }
    void TearDown() override { SoDB::finish(); }
};

inline const bool coinEnvironmentRegistered =
    (::testing::AddGlobalTestEnvironment(new CoinEnvironment), true);
