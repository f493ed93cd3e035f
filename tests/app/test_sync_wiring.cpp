// Syncing from the main window and from the command line, against a real
// CalDAV server (radicale on a local port).
#include "app/MainSync.h"
#include "app/SyncWindows.h"
#include "main_fixture.h"
#include "notes/DeskCalendarPage.h"
#include "notes/NoteBox.h"
#include "notes/plain_text.h"
#include "support/radicale_server.h"
#include "sync/caldav_client.h"
#include "sync/note_access.h"
#include "sync/sync_state.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

namespace kuvano::test {
namespace {

using notes::NotePage;

const sync::NoteId kCell{NotePage::Desk, QStringLiteral("20116"), 10};

class SyncWiring : public MainFixture {
protected:
    void SetUp() override {
        if (!RadicaleServer::installed()) GTEST_SKIP() << "radicale is not installed";
        ASSERT_TRUE(server.start()) << qPrintable(server.error());
        notes::InstallPlainTextReader();
    }
    void TearDown() override {
        app::MainSync::setPasswordPrompt({});
        MainFixture::TearDown();
    }
    app::MainSync* startWithSync() {
        start();
        auto* s = new app::MainSync(*form, pf.folder(), *dm);
        s->runner().setPauses(50, 60 * 60 * 1000, 50);
        return s;
    }
    // What the calendar holds, as another client sees it.
    std::vector<sync::Member> onServer(const QUrl& calendar) {
        sync::CalDavClient c({server.url(), server.user(), server.password()});
        return c.changesSince(calendar, {}).changed;
    }
    void writeSettings() {
        sync::SyncSettings s;
        s.url = server.url();
        s.user = server.user();
        sync::WriteSyncSettings(pf.folder(), s);
    }
    RadicaleServer server;
};

TEST_F(SyncWiring, SetUpFromTheMenuThenTypingReachesTheServer) {
    app::MainSync* s = startWithSync();
    MessageRecorder keyringSays; // no keyring runs here: said once, the sync goes on
    QAction* entry = s->entry("N_SyncSettings");
    ASSERT_NE(entry, nullptr);
    bool tested = false;
    QTimer::singleShot(0, [&] {
        auto* w = form->findChild<app::SyncSettingsWindow*>();
        ASSERT_NE(w, nullptr);
        w->findChild<QLineEdit*>(QStringLiteral("edtUrl"))->setText(server.url().toString());
        w->findChild<QLineEdit*>(QStringLiteral("edtUser"))->setText(server.user());
        w->findChild<QLineEdit*>(QStringLiteral("edtPassword"))->setText(QStringLiteral("wrong"));
        auto* result = w->findChild<QLabel*>(QStringLiteral("lblResult"));
        w->findChild<QPushButton*>(QStringLiteral("btnTest"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w->busy(), 10000);
        EXPECT_EQ(result->text(), QStringLiteral("用户名或密码不对"));
        w->findChild<QLineEdit*>(QStringLiteral("edtPassword"))->setText(server.password());
        w->findChild<QPushButton*>(QStringLiteral("btnTest"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w->busy(), 10000);
        EXPECT_EQ(result->text(), QStringLiteral("连接成功。"));
        tested = true;
        w->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
    });
    entry->trigger();
    ASSERT_TRUE(tested);
    const sync::SyncSettings saved = sync::ReadSyncSettings(pf.folder());
    EXPECT_EQ(saved.url, server.url());
    EXPECT_EQ(saved.user, server.user());
    EXPECT_FALSE(pf.readBytes(sync::SyncSettings::relativePath()).contains("wonder"));

    QLabel* state = form->frame().syncLabel();
    ASSERT_NE(state, nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(state->text().startsWith(QStringLiteral("已同步 ")), 10000);
    const QUrl calendar = sync::ReadSyncSettings(pf.folder()).calendar; // found and kept
    ASSERT_FALSE(calendar.isEmpty());
    EXPECT_TRUE(onServer(calendar).empty());

    notes::NoteBox* cell = form->deskPage().box(10);
    cell->setFocus();
    QTest::keyClicks(cell, QStringLiteral("sync me"));
    QTRY_COMPARE_WITH_TIMEOUT(onServer(calendar).size(), size_t(1), 10000);
    EXPECT_TRUE(onServer(calendar)[0].data.contains("sync me"));
}

TEST_F(SyncWiring, AServerThatIsDownOnlySaysSoInTheTitleBar) {
    writeSettings();
    QTemporaryDir dir;
    const QString passwordFile = dir.filePath(QStringLiteral("pw"));
    {
        QFile f(passwordFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(server.password().toUtf8());
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    qputenv("KUVANO_SYNC_PASSWORD_FILE", passwordFile.toLocal8Bit());
    server.stop();
    MessageRecorder shown;
    app::MainSync* s = startWithSync();
    s->startFromSettings();
    QLabel* state = form->frame().syncLabel();
    ASSERT_NE(state, nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(state->text().startsWith(QStringLiteral("同步出错: ")), 10000);
    EXPECT_TRUE(shown.messages().empty());
    ASSERT_TRUE(server.start());
    QTRY_VERIFY_WITH_TIMEOUT(state->text().startsWith(QStringLiteral("已同步 ")), 10000);
    qunsetenv("KUVANO_SYNC_PASSWORD_FILE");
}

TEST_F(SyncWiring, AKeptTextGoesBackIntoItsNoteAndTheNotesTextIsKeptInstead) {
    app::MainSync* s = startWithSync();
    sync::SaveNote(dm->notes(), kCell,
                   {sync::RtfOfText(QStringLiteral("现在的")), QStringLiteral("现在的"), 0});
    {
        sync::SyncState state(pf.path(sync::SyncState::relativePath()));
        state.addConflict(
            {0,
             kCell,
             {sync::RtfOfText(QStringLiteral("另一台的")), QStringLiteral("另一台的"), 0},
             QDateTime::currentDateTimeUtc(),
             QStringLiteral("服务器")});
    }
    s->entry("N_SyncConflicts")->trigger();
    auto* w = form->findChild<app::SyncConflictsWindow*>();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->list()->topLevelItemCount(), 1);
    EXPECT_EQ(w->list()->topLevelItem(0)->text(4), QStringLiteral("另一台的"));
    w->findChild<QPushButton*>(QStringLiteral("btnPutBack"))->click();
    EXPECT_EQ(sync::LoadNote(dm->notes(), kCell).text, QStringLiteral("另一台的"));
    EXPECT_EQ(form->deskPage().box(10)->toPlainText(), QStringLiteral("另一台的"));
    ASSERT_EQ(w->list()->topLevelItemCount(), 1);
    EXPECT_EQ(w->list()->topLevelItem(0)->text(4), QStringLiteral("现在的"));
    w->findChild<QPushButton*>(QStringLiteral("btnDrop"))->click();
    EXPECT_EQ(w->list()->topLevelItemCount(), 0);
}

TEST_F(SyncWiring, ICalendarExportAndImportThroughTheMenu) {
    app::MainSync* s = startWithSync();
    sync::SaveNote(dm->notes(), kCell,
                   {sync::RtfOfText(QStringLiteral("导出我")), QStringLiteral("导出我"), 0});
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("notes.ics"));
    MessageRecorder shown;
    {
        app::setIcsExportPrompt([] { return app::IcsExportChoice{2011, true}; });
        FileDialogAnswerer save({file});
        s->entry("N_ExportICalendar")->trigger();
        app::setIcsExportPrompt({});
    }
    ASSERT_EQ(shown.messages().size(), 1u);
    EXPECT_TRUE(shown.messages()[0].text.startsWith(QStringLiteral("已导出 1 条笔记")));
    QFile ics(file);
    ASSERT_TRUE(ics.open(QIODevice::ReadOnly));
    const QByteArray text = ics.readAll();
    EXPECT_TRUE(text.contains("BEGIN:VJOURNAL"));
    EXPECT_TRUE(text.contains("BEGIN:VEVENT")); // the days off of 2011

    sync::SaveNote(dm->notes(), kCell, {});
    {
        FileDialogAnswerer open({file});
        s->entry("N_ImportICalendar")->trigger();
    }
    EXPECT_EQ(sync::LoadNote(dm->notes(), kCell).text, QStringLiteral("导出我"));
    EXPECT_EQ(form->deskPage().box(10)->toPlainText(), QStringLiteral("导出我"));
    ASSERT_EQ(shown.messages().size(), 2u);
}

// `kuvano --folder DIR --sync`, run as a script runs it.
class SyncCommand : public SyncWiring {
protected:
    struct Ran {
        int exitCode = -1;
        QString out, err;
    };
    Ran run(const QStringList& extra, const QString& passwordFile) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KUVANO_SYNC_PASSWORD_FILE"), passwordFile);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KUVANO_PROGRAM),
                QStringList{QStringLiteral("--folder"), pf.folder().root()} + extra);
        p.waitForFinished(30000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    QString passwordFile(const QString& password, QFile::Permissions mode) {
        const QString path = dir.filePath(QString::number(++files));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(password.toUtf8() + '\n');
        f.close();
        f.setPermissions(mode);
        return path;
    }
    QTemporaryDir dir, runtime;
    int files = 0;
};

TEST_F(SyncCommand, ExitsZeroOnSuccessAndOneWithAReasonOtherwise) {
    const QFile::Permissions mine = QFile::ReadOwner | QFile::WriteOwner;
    const struct {
        const char* name;
        bool configured;
        QString password;
        QFile::Permissions mode;
        int exitCode;
        QString says;
    } cases[] = {
        {"not set up", false, server.password(), mine, 1, QStringLiteral("还没有设置同步")},
        {"open file", true, server.password(), mine | QFile::ReadOther, 1,
         QStringLiteral("chmod 600")},
        {"wrong password", true, QStringLiteral("nope"), mine, 1,
         QStringLiteral("用户名或密码不对")},
        {"synced", true, server.password(), mine, 0, QStringLiteral("已同步")},
    };
    for (const auto& c : cases) {
        if (c.configured) writeSettings();
        const Ran p = run({QStringLiteral("--sync")}, passwordFile(c.password, c.mode));
        EXPECT_EQ(p.exitCode, c.exitCode) << c.name;
        const QString out = c.exitCode == 0 ? p.out : p.err;
        EXPECT_TRUE(out.contains(c.says)) << c.name << ": " << qPrintable(out);
        EXPECT_EQ(out.count(QLatin1Char('\n')), 1) << c.name;
    }
    EXPECT_FALSE(sync::ReadSyncSettings(pf.folder()).calendar.isEmpty());
}

TEST_F(SyncCommand, WithTheProgramRunningOnTheNotebookTheRunningCopySyncs) {
    writeSettings();
    const QString pw = passwordFile(server.password(), QFile::ReadOwner | QFile::WriteOwner);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KUVANO_SYNC_PASSWORD_FILE"), pw);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KUVANO_PROGRAM), {QStringLiteral("--folder"), pf.folder().root()});
    ASSERT_TRUE(program.waitForStarted());
    // Once it listens for this notebook, --sync asks it rather than syncing alone.
    const QByteArray ownRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    const QString listening = app::SyncRequestServerName(pf.folder());
    qputenv("XDG_RUNTIME_DIR", ownRuntime);
    ASSERT_FALSE(listening.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(listening), 10000);
    const Ran asked = run({QStringLiteral("--sync")}, pw);
    EXPECT_EQ(asked.exitCode, 0) << qPrintable(asked.err);
    EXPECT_TRUE(asked.out.contains(QStringLiteral("已同步（由正在运行的程序完成）")))
        << qPrintable(asked.out) << program.readAllStandardError().constData();
    program.terminate();
    program.waitForFinished(5000);
}

} // namespace
} // namespace kuvano::test
