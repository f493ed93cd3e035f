// Entry point of the Qt test programs: one offscreen application object for
// the whole run, the program's own (so that errors handlers let out reach the
// central handler as they do in the program), fixed locale and fonts, then
// GoogleTest.
#include "platform/application.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    kuvano::test::prepareEnvironment();
    kuvano::Application app(argc, argv);
    kuvano::test::prepareApplication();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
