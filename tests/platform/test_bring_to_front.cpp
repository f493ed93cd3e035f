// A second start's request brings the running window to the front: out of
// the taskbar, on top, with the focus and the launcher's token for Wayland.
#include "platform/bring_to_front.h"

#include <QApplication>
#include <QWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace kuvano;

TEST(BringToFront, AMinimisedOrCoveredWindowComesBackActiveAndAHiddenOneStaysHidden) {
    const struct {
        const char* what;
        bool minimised;
        bool hidden;
        QByteArray token;
    } cases[] = {
        {"covered by another window", false, false, QByteArrayLiteral("token-1")},
        {"minimised", true, false, QByteArrayLiteral("token-2")},
        {"no token", true, false, QByteArray()},
        {"hidden (behind the login)", false, true, QByteArrayLiteral("token-3")},
    };
    for (const auto& c : cases) {
        qputenv("XDG_ACTIVATION_TOKEN", "before");
        QWidget window, other;
        window.resize(200, 100);
        other.resize(200, 100);
        if (!c.hidden) window.show();
        if (c.minimised) window.showMinimized();
        other.show();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other)) << c.what;

        bringToFront(window, c.token);
        QCoreApplication::processEvents();
        if (c.hidden) {
            EXPECT_FALSE(window.isVisible()) << c.what;
            EXPECT_EQ(QApplication::activeWindow(), &other) << c.what;
        } else {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&window)) << c.what;
            EXPECT_FALSE(window.isMinimized()) << c.what;
        }
        const QByteArray expectedToken = c.token.isEmpty() || c.hidden ? "before" : c.token;
        EXPECT_EQ(qgetenv("XDG_ACTIVATION_TOKEN"), expectedToken) << c.what;
    }
    qunsetenv("XDG_ACTIVATION_TOKEN");
}
