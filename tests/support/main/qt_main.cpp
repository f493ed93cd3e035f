// Entry point of the Qt test programs: one offscreen QApplication for the whole
// run, fixed locale and fonts, then GoogleTest.
#include "support/test_support.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    kuvano::test::prepareEnvironment();
    QApplication app(argc, argv);
    kuvano::test::prepareApplication();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
