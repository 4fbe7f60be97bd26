// Test entry: a QApplication exists for the whole run, as in the editor.
#include "TestSupport.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Sound tests run the real mixer without an audio device.
    qputenv("SDL_AUDIODRIVER", "dummy");
#ifdef TV_TEST_OFFSCREEN
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    ::testing::InitGoogleTest(&argc, argv);
    const auto app = tvtest::MakeTestApplication(argc, argv);
    return RUN_ALL_TESTS();
}
