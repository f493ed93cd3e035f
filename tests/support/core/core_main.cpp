// Entry point of the test programs that need Qt Core alone (the store's):
// a core application object, the same environment as the other programs.
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    kuvano::test::prepareEnvironment();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
