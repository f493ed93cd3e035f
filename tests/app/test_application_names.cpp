#include "app/Main.h"
#include "app/startup.h"
#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kuvano;

TEST(ApplicationNames, TheTitleNamesMessageBoxesAndNeverJoinsTheMainWindowsCaption) {
    const QString before = QCoreApplication::applicationName();
    app::setUpApplication();
    EXPECT_EQ(applicationTitle(), QStringLiteral("Kuvano KUVANO"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("kuvano"));
    // No display name of its own: the platform would append it to every window
    // title, making the main window's "Kuvano桌面月历K207 — Kuvano KUVANO".
    QCoreApplication::setApplicationName(QStringLiteral("probe"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("probe"));
    EXPECT_EQ(app::TMainForm::caption(), QStringLiteral("Kuvano桌面月历K207"));

    // A real box given no caption of its own.
    QString boxTitle;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxTitle = box->windowTitle();
            box->accept();
        }
    });
    closer.start(10);
    showMessage(nullptr, QStringLiteral("提示文字"), QString());
    EXPECT_EQ(boxTitle, QStringLiteral("Kuvano KUVANO"));
    QCoreApplication::setApplicationName(before);
    setApplicationTitle(QString());
}
