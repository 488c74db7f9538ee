#include "app/Teardown.h"

#include <Inventor/SoDB.h>
#include <gtest/gtest.h>

namespace {

// One scene-graph library session for the whole test program. Closing it at the end lets
// the leak checker tell the library's own start-up allocations from real leaks; whatever a
// case left behind is released first, while the library can still take it.
class SceneEnvironment : public ::testing::Environment {
public:
    void SetUp() override { SoDB::init(); }
    void TearDown() override {
        releaseApplication();
        SoDB::finish();
    }
};

const ::testing::Environment* const sceneEnvironment =
    ::testing::AddGlobalTestEnvironment(new SceneEnvironment);

} // namespace
