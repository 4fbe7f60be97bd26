// Test entry: a QApplication exists for the whole run, as in the editor.
#include "TestSupport.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const auto app = tvtest::MakeTestApplication(argc, argv);
    return RUN_ALL_TESTS();
}
