// An installed program upgraded in place: the new release's pages reach a user
// who started the old one, and the user's files stay as they were.
#include "platform/program_folder.h"
#include "support/test_support.h"
#include "web/WebLink.h"
#include "web/uNavigateThr.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QSignalSpy>
#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::web;

namespace {

class InstalledLayout {
public:
    InstalledLayout() { QDir(tmp_.path()).mkpath(QStringLiteral("usr/bin")); }
    QString path(const QString& relative) const { return tmp_.filePath(relative); }
    void put(const QString& relative, const QByteArray& bytes) const {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile f(path(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void release(const QByteArray& version) const {
        const QString supplied = QStringLiteral("usr/share/kuvano/supplied/");
        put(supplied + QStringLiteral("DB3/loginstr.db"), "NOKEY4817306\r\nNOKEY4817306\r\n0\r\n");
        put(supplied + QStringLiteral("source/Navigate/help.htm"), "<p>help " + version + "</p>");
        put(supplied + QStringLiteral("source/Navigate/default.htm"),
            "<html><body><p>panel " + version + "</p></body></html>");
    }
    ProgramFolder start() const {
        const FolderChoice choice =
            chooseProgramFolder(path(QStringLiteral("usr/bin")), path(QStringLiteral("home")),
                                path(QStringLiteral("usr/share/kuvano/supplied")));
        EXPECT_TRUE(choice.error.isEmpty()) << choice.error.toStdString();
        return choice.folder;
    }

private:
    QTemporaryDir tmp_;
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

TEST(Upgrade, TheNewReleasesPagesAreShownAndTheUsersFilesAreUntouched) {
    InstalledLayout layout;
    layout.release("v1");
    const ProgramFolder first = layout.start();
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(readAll(HelpPage(first, QString()).toLocalFile()), QByteArray("<p>help v1</p>"));

    // What the user made of the old release.
    const std::vector<std::pair<QString, QByteArray>> users = {
        {QStringLiteral("DB3/CalendarD.mdb"), "notes"},
        {QStringLiteral("DB3/form.ini"), "1\r\n100\r\n100\r\n"},
        {QStringLiteral("DB3/BGPicList.ini"), "mine.bmp\r\nA1.bmp\r\nmine.bmp\r\n"},
        {QStringLiteral("DB3/loginstr.db"), "hash\r\nhash\r\n-1\r\n"},
        {QStringLiteral("source/DeskTopBG/mine.bmp"), "picture"},
    };
    for (const auto& [relative, bytes] : users)
        layout.put(QStringLiteral("home/kuvano/") + relative, bytes);

    layout.release("v2");
    const ProgramFolder second = layout.start();
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(readAll(HelpPage(second, QString()).toLocalFile()), QByteArray("<p>help v2</p>"));
    for (const auto& [relative, bytes] : users)
        EXPECT_EQ(readAll(second.filePath(relative)), bytes) << relative.toStdString();

    // The panel shows the new local page too.
    WebLink browser;
    QSignalSpy shown(&browser, &WebLink::PageShown);
    NavigateThr(second, QString(), browser.mailbox());
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("panel v2")));
}
