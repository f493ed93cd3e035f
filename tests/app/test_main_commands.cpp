#include "app/AboutWindow.h"
#include "app/MainCommands.h"
#include "app/MainFrame.h"
#include "app/RestoreWindow.h"
#include "app/command_line.h"
#include "main_fixture.h"
#include "notes/DeskCalendarPage.h"
#include "notes/GeneralNotesPage.h"
#include "notes/LineBox.h"
#include "notes/MemoList.h"
#include "notes/NoteBox.h"
#include "notes/YearNotesPage.h"
#include "store/snapshot_scheduler.h"
#include "web/WebLink.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QtTest/QSignalSpy>

using namespace kuvano;

namespace {

class Commands : public test::MainFixture {
protected:
    std::unique_ptr<notes::SnapshotScheduler> snapshots;
    app::MainCommands* commands = nullptr;

    void startWithCommands() {
        pf.writeBytes(QStringLiteral("source/Navigate/default.htm"),
                      "<html><body><p>本地页面</p></body></html>");
        dm = std::make_unique<notes::TDM>(pf.folder());
        snapshots = std::make_unique<notes::SnapshotScheduler>(pf.folder());
        form = std::make_unique<app::TMainForm>(pf.folder(), *dm);
        form->endProgram = [this] { ++ends; };
        commands = new app::MainCommands(*form, pf.folder(), *dm, snapshots.get());
        form->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        form.reset();
        snapshots.reset();
    }
    QAction* action(const QString& name) { return form->findChild<QAction*>(name); }
    QStringList menuCaptions() {
        QStringList out;
        for (QAction* a : child<QMenu>(QStringLiteral("popSysset"))->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    }
};

} // namespace

TEST_F(Commands, TheMenuServesExportHelpFeedbackAndRestoreRightAfterExport) {
    startWithCommands();
    const QStringList captions = menuCaptions();
    const qsizetype at = captions.indexOf(QStringLiteral("内容导出"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(captions[at + 1], QStringLiteral("导入旧笔记…"));
    EXPECT_EQ(captions[at + 2], QStringLiteral("恢复备份…"));
    for (const char* name : {"N_NoteToTxt", "N5", "N7", "N_ImportAccess", "N_Restore"})
        EXPECT_TRUE(action(QLatin1String(name))->isEnabled()) << name;
}

TEST_F(Commands, ImportOfOldNotesThroughTheMenuReloadsThePageOnView) {
    startWithCommands(); // today is 2011-06-30
    pf.writeBytes(QStringLiteral("old.mdb"), test::testData(QStringLiteral("access/notes.mdb")));
    form->setShownDate(QDate(2010, 11, 10));
    EXPECT_TRUE(form->deskPage().box(5)->PlainText().isEmpty());
    // Picking cancelled, a file that is no Access file, the notes file.
    test::FileDialogAnswerer answer({QString(), pf.path(QStringLiteral("DB3/CalendarD.mdb")),
                                     pf.path(QStringLiteral("old.mdb"))});
    QAction* import = action(QStringLiteral("N_ImportAccess"));
    import->trigger();
    ASSERT_EQ(answer.requests().size(), 1u);
    EXPECT_EQ(answer.requests()[0].kind, dialogs::FileRequest::Open);
    EXPECT_EQ(answer.requests()[0].fileName, pf.path(QStringLiteral("DB3")));
    EXPECT_TRUE(answer.requests()[0].filter.contains(QStringLiteral("*.mdb")));
    EXPECT_TRUE(messages.messages().empty());
    import->trigger();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(messages.messages()[0].text.contains(QStringLiteral("不是 Access 格式")));
    messages.clear();
    import->trigger();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].caption, QStringLiteral("导入旧笔记"));
    // November 2010 was on view, its row made empty by the flush: it takes the notes.
    EXPECT_TRUE(messages.messages()[0].text.contains(QStringLiteral("桌面月历 3 个月")))
        << messages.messages()[0].text.toStdString();
    EXPECT_EQ(form->deskPage().box(5)->PlainText(), QStringLiteral("十一月 第5格"));
    const QString copy = pf.path(QStringLiteral("DB3/CalendarD-before-import-20110630-1000.mdb"));
    EXPECT_TRUE(messages.messages()[0].text.contains(
        QStringLiteral("DB3/CalendarD-before-import-20110630-1000.mdb")));
    EXPECT_EQ(QFile::permissions(copy) & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
              QFileDevice::Permissions());
}

TEST_F(Commands, DeskExportThroughTheMenuWritesTheMonthWithTxtAppended) {
    startWithCommands(); // today is 2011-06-30; the grid starts on Sunday 29 May
    form->deskPage().box(5)->setPlainText(QStringLiteral("体检\n带上病历本"));
    test::FileDialogAnswerer answer({pf.path(QStringLiteral("notes.txt"))});
    action(QStringLiteral("N_NoteToTxt"))->trigger();
    ASSERT_EQ(answer.requests().size(), 1u);
    EXPECT_EQ(answer.requests()[0].fileName, QStringLiteral("2011年6月-月记事"));
    EXPECT_EQ(answer.requests()[0].filter, QStringLiteral("*.Txt"));
    const QStringList lines = QString::fromUtf8(pf.readBytes(QStringLiteral("notes.txt.txt")))
                                  .split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines[0], QStringLiteral("2011年6月-月记事"));
    EXPECT_EQ(lines[1], QStringLiteral("记录：")); // 29 May
    EXPECT_EQ(lines[5], QStringLiteral("6月2号：体检"));
    EXPECT_EQ(lines[6], QStringLiteral("带上病历本"));
    EXPECT_EQ(lines.size(), 1 + 43 + 1); // the final CR LF leaves an empty split
}

TEST_F(Commands, GeneralAndYearlyPagesExportTheirLinesAndTheCalendarPageNothing) {
    startWithCommands();
    click(QStringLiteral("btnYiban"));
    form->generalPage().box(42)->setText(QStringLiteral("最后一行"));
    {
        test::FileDialogAnswerer answer({pf.path(QStringLiteral("general"))});
        action(QStringLiteral("N_NoteToTxt"))->trigger();
        const QStringList lines = QString::fromUtf8(pf.readBytes(QStringLiteral("general.txt")))
                                      .split(QStringLiteral("\r\n"));
        EXPECT_EQ(lines.size(), 44);
        EXPECT_EQ(lines[42], QStringLiteral("记录：最后一行"));
    }
    click(QStringLiteral("btnYear"));
    {
        test::FileDialogAnswerer answer({pf.path(QStringLiteral("year"))});
        action(QStringLiteral("N_NoteToTxt"))->trigger();
        EXPECT_EQ(answer.requests()[0].fileName, QStringLiteral("2011年-年度记事"));
        EXPECT_TRUE(pf.exists(QStringLiteral("year.txt")));
    }
    click(QStringLiteral("btnRili"));
    test::FileDialogAnswerer answer({pf.path(QStringLiteral("rili"))});
    action(QStringLiteral("N_NoteToTxt"))->trigger();
    EXPECT_TRUE(answer.requests().empty());
    EXPECT_FALSE(pf.exists(QStringLiteral("rili.txt")));
}

TEST_F(Commands, AnExportThatCannotBeWrittenSaysSoAndLeavesNoFile) {
    startWithCommands();
    const QString target = pf.path(QStringLiteral("missing/folder/notes"));
    test::FileDialogAnswerer answer({target});
    action(QStringLiteral("N_NoteToTxt"))->trigger();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(messages.messages()[0].text.startsWith(QStringLiteral("导出失败")));
    EXPECT_FALSE(QFile::exists(target + QStringLiteral(".txt")));

    // Cancelling the dialog writes nothing and says nothing.
    messages.clear();
    test::FileDialogAnswerer cancel({QString()});
    action(QStringLiteral("N_NoteToTxt"))->trigger();
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(Commands, TheWebPanelShowsTheLocalPageAndItsBrowserHasNoMenu) {
    startWithCommands();
    web::WebLink* browser = commands->webLink();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->geometry(), QRect(-13, -19, 2000, 800));
    EXPECT_EQ(browser->parentWidget(), form->webPanel());
    QTRY_VERIFY(browser->toPlainText().contains(QStringLiteral("本地页面")));
    EXPECT_TRUE(pf.exists(QStringLiteral("DB3/webhost.ini")));

    // A right click inside the page opens the empty menu, not the browser's.
    QMenu* empty = form->emptyMenu();
    send(browser->viewport(), QEvent::MouseButtonPress, Qt::RightButton, QPoint(40, 40));
    EXPECT_TRUE(empty->isVisible());
    EXPECT_TRUE(empty->actions().isEmpty());
    empty->hide();
}

TEST_F(Commands, RestoreThroughTheMenuBringsBackADeletedMonthAndReloadsThePage) {
    startWithCommands();
    QApplication::setActiveWindow(form.get());
    notes::LineBox* memo = form->memoList().line(3);
    memo->setFocus();
    QTest::keyClicks(memo, QStringLiteral("old memo"));
    notes::NoteBox* cell = form->deskPage().box(10);
    cell->setFocus();
    QTest::keyClicks(cell, QStringLiteral("old note"));
    QApplication::processEvents();
    snapshots->store().take(QDateTime(QDate(2011, 6, 29), QTime(9, 0)));
    cell->ClearText();
    QTest::keyClicks(cell, QStringLiteral("typed later"));
    memo->setFocus();
    QTest::keyClicks(memo, QStringLiteral(" and later"));

    // The window lists the snapshot; "恢复" asks once, then restores.
    test::QuestionAnswerer yes({0});
    QTimer::singleShot(0, [this] {
        app::RestoreWindow* frm = commands->restoreWindow();
        ASSERT_NE(frm, nullptr);
        EXPECT_EQ(frm->list()->topLevelItemCount(), 1);
        frm->btnRestoreClick();
    });
    action(QStringLiteral("N_Restore"))->trigger();
    EXPECT_EQ(yes.questions().size(), 1u);
    EXPECT_EQ(form->deskPage().box(10)->PlainText(), QStringLiteral("old note"));
    EXPECT_EQ(memo->text(), QStringLiteral("old memo")); // no stale line left to type over
    const QStringList aside = QDir(pf.path(QStringLiteral("DB3/backup")))
                                  .entryList({QStringLiteral("CalendarD-before-restore-*.mdb")});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(notes::countNotes(pf.path(QStringLiteral("DB3/backup/")) + aside[0]).deskMonths, 1);
}

TEST_F(Commands, RestoreWorksWithoutAnOpenDatabase) {
    {
        notes::TDM good(pf.folder());
        sql::Statement st(good.connection(),
                          QStringLiteral("insert into TailiNew(YearMonth) values('20111')"));
        st.step();
        notes::SnapshotStore(pf.folder()).take(QDateTime(QDate(2011, 6, 29), QTime(9, 0)));
    }
    pf.writeBytes(QStringLiteral("DB3/CalendarD.mdb"), QByteArray()); // emptied by a crash
    startWithCommands();
    ASSERT_FALSE(dm->connected());
    ASSERT_TRUE(action(QStringLiteral("N_Restore"))->isEnabled());
    test::QuestionAnswerer yes({0});
    QTimer::singleShot(0, [this] { commands->restoreWindow()->btnRestoreClick(); });
    action(QStringLiteral("N_Restore"))->trigger();
    EXPECT_TRUE(dm->connected());
    EXPECT_EQ(notes::countNotes(pf.path(QStringLiteral("DB3/CalendarD.mdb"))).deskMonths, 1);
}

TEST_F(Commands, TheLastMenuEntryOpensTheAboutWindowWithVersionFolderAndLicences) {
    startWithCommands();
    EXPECT_EQ(menuCaptions().constLast(), QStringLiteral("关于 Kuvano"));
    form->frame().entry(app::OptionsEntry::About)->trigger();
    app::AboutWindow* about = commands->aboutWindow();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), app::versionText());
    EXPECT_TRUE(app::versionText().contains(QStringLiteral(KUVANO_TEST_VERSION)));
    const QString folder = QDir::cleanPath(pf.folder().root());
    EXPECT_TRUE(about->folderLink()->text().contains(folder.toHtmlEscaped()));
    const QString licences = about->licences()->toPlainText();
    for (const char* notice : {"Copyright (c) 2019 NateScarlet", "Permission is hereby granted",
                               "WITHOUT WARRANTY OF ANY KIND", "LGPL"})
        EXPECT_TRUE(licences.contains(QLatin1String(notice))) << notice;

    // The folder link opens the data folder itself.
    QList<QUrl> opened;
    about->openFolder = [&opened](const QUrl& url) { opened.append(url); };
    const QString href = about->folderLink()->text().section(QLatin1Char('"'), 1, 1);
    Q_EMIT about->folderLink()->linkActivated(href);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(QDir::cleanPath(opened[0].toLocalFile()), folder);

    // Closed and asked for again: the same window comes back.
    about->hide();
    form->frame().entry(app::OptionsEntry::About)->trigger();
    EXPECT_EQ(commands->aboutWindow(), about);
    EXPECT_TRUE(about->isVisible());
}
