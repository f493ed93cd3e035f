// Starts the main window on the program folder given, makes one edit on
// every page (desk cell, general notes, calendar notes, yearly notes, memo
// line), prints "typed" and waits to be killed.
#include "app/Main.h"
#include "notes/CalendarNotesPage.h"
#include "notes/DeskCalendarPage.h"
#include "notes/GeneralNotesPage.h"
#include "notes/LineBox.h"
#include "notes/MemoList.h"
#include "notes/NoteBox.h"
#include "notes/YearNotesPage.h"
#include "store/untdb.h"

#include <QAbstractButton>
#include <QApplication>

#include <cstdio>

using namespace kuvano;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) return 2;
    const ProgramFolder folder(QString::fromLocal8Bit(argv[1]));
    notes::TDM dm(folder);
    app::TMainForm form(folder, dm);
    form.show();
    QApplication::setActiveWindow(&form);
    QApplication::processEvents();
    const auto page = [&](const char* button) {
        form.findChild<QAbstractButton*>(QLatin1String(button))->click();
        QApplication::processEvents();
    };
    const auto edit = [](QWidget* box, const auto& change) {
        box->setFocus();
        QApplication::processEvents();
        change();
    };
    notes::NoteBox* cell = form.deskPage().box(1);
    edit(cell, [&] { cell->textCursor().insertText(QStringLiteral("d-note")); });
    page("btnYiban");
    notes::LineBox* line = form.generalPage().box(1);
    edit(line, [&] { line->insert(QStringLiteral("g-note")); });
    page("btnRili");
    notes::LineBox* calendar = form.calendarPage().box(1);
    edit(calendar, [&] { calendar->insert(QStringLiteral("c-note")); });
    notes::LineBox* memo = form.memoList().line(1);
    edit(memo, [&] { memo->insert(QStringLiteral("m-note")); });
    page("btnYear");
    notes::NoteBox* month = form.yearPage().box(1);
    edit(month, [&] { month->textCursor().insertText(QStringLiteral("y-note")); });
    std::printf("typed\n");
    std::fflush(stdout);
    return app.exec();
}
