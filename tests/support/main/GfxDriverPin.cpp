// Pins the OpenGL driver modules at the end of the test run, so that the leak checker can
// still name them (see KeepGraphicsDriversLoaded).

#include "engine/GraphicsDrivers.h"

#include <gtest/gtest.h>

namespace {

class PinGraphicsDrivers : public ::testing::Environment {
public:
    void TearDown() override { tv::KeepGraphicsDriversLoaded(); }
};

[[maybe_unused]] ::testing::Environment* const kPin =
    ::testing::AddGlobalTestEnvironment(new PinGraphicsDrivers);

} // namespace
