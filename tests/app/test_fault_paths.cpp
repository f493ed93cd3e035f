// An unusable notes file met through every command that reaches it: each
// ends in a message in Chinese that names the file, the program goes on, and
// no error crosses Qt's own event handling.
#include "app/MainCommands.h"
#include "calendarctl/ChnCalendarPicker.h"
#include "main_fixture.h"
#include "notes/DeskCalendarPage.h"
#include "notes/NoteBox.h"
#include "platform/application.h"
#include "store/snapshot_scheduler.h"
#include "store/snapshots.h"

#include <QAction>
#include <QLabel>

using namespace kuvano;

namespace {

class FaultPaths : public test::MainFixture {
protected:
    std::unique_ptr<notes::SnapshotScheduler> snapshots;
    app::MainCommands* commands = nullptr;

    void TearDown() override {
        form.reset();
        snapshots.reset();
    }
};

} // namespace

TEST_F(FaultPaths, AnUnusableNotesFileEndsEveryCommandInAMessageAndNothingEscapes) {
    dm = std::make_unique<notes::TDM>(pf.folder());
    snapshots = std::make_unique<notes::SnapshotScheduler>(pf.folder());
    const notes::SnapshotInfo snapshot = snapshots->store().take(QDateTime::currentDateTime());
    form = std::make_unique<app::TMainForm>(pf.folder(), *dm);
    commands = new app::MainCommands(*form, pf.folder(), *dm, snapshots.get());
    form->show();
    QApplication::processEvents();
    ASSERT_TRUE(messages.messages().empty());

    // The file is replaced behind the program's back by something unreadable.
    dm->Disconnect();
    const QString file = pf.path(notes::TDM::relativePath());
    QFile::remove(file + QStringLiteral("-wal"));
    QFile::remove(file + QStringLiteral("-shm"));
    pf.writeBytes(notes::TDM::relativePath(), QByteArray(8192, 'x'));
    dm->Reopen();
    ASSERT_FALSE(dm->creationError().isEmpty());

    const int escaped = Application::escapedErrors();
    const auto act = [&](const char* what, const std::function<void()>& action) {
        SCOPED_TRACE(what);
        messages.clear();
        action();
        QApplication::processEvents();
        ASSERT_FALSE(messages.messages().empty());
        const QString& text = messages.messages().back().text;
        EXPECT_TRUE(text.contains(file)) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("数据库"))) << text.toStdString();
        EXPECT_EQ(Application::escapedErrors(), escaped);
    };
    act("click into a cell", [&] {
        QTest::mouseClick(form->deskPage().box(12)->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    });
    act("page switch to the general notes", [&] { click(QStringLiteral("btnYiban")); });
    act("page switch to the yearly notes", [&] { click(QStringLiteral("btnYear")); });
    act("page switch to the calendar notes", [&] { click(QStringLiteral("btnRili")); });
    act("page switch to the desk page", [&] { click(QStringLiteral("btnMonth")); });
    act("month change",
        [&] { form->monthPicker()->SetDateTime(QDateTime(QDate(2011, 8, 1), QTime(0, 0))); });
    act("import", [&] {
        pf.writeBytes(QStringLiteral("old.mdb"),
                      test::testData(QStringLiteral("access/notes.mdb")));
        test::FileDialogAnswerer answer({pf.path(QStringLiteral("old.mdb"))});
        form->findChild<QAction*>(QStringLiteral("N_ImportAccess"))->trigger();
    });
    act("restore of a snapshot damaged since", [&] {
        QFile::resize(snapshot.path, 100);
        commands->RestoreSnapshot(snapshot);
    });
    // Export and wallpaper read the boxes, not the file: they go on as ever.
    messages.clear();
    test::FileDialogAnswerer answer({pf.path(QStringLiteral("notes"))});
    form->findChild<QAction*>(QStringLiteral("N_NoteToTxt"))->trigger();
    EXPECT_TRUE(QFile::exists(pf.path(QStringLiteral("notes.txt"))));
    EXPECT_EQ(Application::escapedErrors(), escaped);
}
