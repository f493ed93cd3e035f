#pragma once
// A desk page with its day schedule on a fresh program folder, as the main
// window builds them, without the rest of the window.

#include "calendarctl/JvTFMonths.h"
#include "notes/DaySchedule.h"
#include "notes/DeskCalendarPage.h"
#include "notes/NoteBox.h"
#include "store/untdb.h"
#include "support/store_peek.h"
#include "support/test_support.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QWidget>
#include <QWindow>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <memory>

namespace kuvano::test {

class DeskFixture : public ::testing::Test {
protected:
    TempProgramFolder pf;
    FixedClock clock{QDateTime(QDate(2010, 5, 10), QTime(8, 0))};

    struct Session {
        notes::MainState state;
        std::unique_ptr<notes::TDM> dm;
        std::unique_ptr<QWidget> window;
        notes::DeskCalendarPage* desk = nullptr;
        notes::DaySchedule* day = nullptr;
        int saveFailures = 0;
    };
    std::unique_ptr<Session> s;

    // A program start on the folder, showing the month of `shown`.
    void start(const QDate& shown = QDate(2010, 5, 10)) {
        s.reset(); // the previous session ends first, as a program does
        s = std::make_unique<Session>();
        s->dm = std::make_unique<notes::TDM>(pf.folder());
        s->state.shownDate = shown;
        s->window = std::make_unique<QWidget>();
        s->window->resize(1210, 600);
        auto* panel = new QWidget(s->window.get());
        panel->setGeometry(0, 0, 1000, 600);
        auto* side = new QWidget(s->window.get());
        side->setGeometry(1005, 0, 200, 600);
        s->day = new notes::DaySchedule(*s->dm, s->state, side);
        s->day->box()->setGeometry(0, 0, 200, 600);
        s->desk = new notes::DeskCalendarPage(*s->dm, s->state, panel, *s->day);
        // Boxes losing the focus while the window closes still save: the
        // callbacks must not go through s, which is being reset then.
        Session* self = s.get();
        s->day->selectedDay = [self] { return self->desk->grid()->selectedDate(); };
        s->desk->onSaveResult = [self](bool ok) { self->saveFailures += ok ? 0 : 1; };
        s->day->onSaveResult = [self](bool ok) { self->saveFailures += ok ? 0 : 1; };
        s->desk->grid()->setDisplayDate(shown);
        s->desk->DeskLayout();
        s->window->show();
        QApplication::setActiveWindow(s->window.get());
        s->desk->LoadMonth();
        s->state.saving.desk = true;
    }

    notes::NoteBox* cell(int n) { return s->desk->box(n); }

    // Focus a box and type into it, as a user does.
    void type(QWidget* box, const QString& text) {
        box->setFocus();
        QApplication::processEvents();
        QTest::keyClicks(box, text);
    }

    QString stored(const QString& table, const QString& keyColumn, const QString& key, int column) {
        const auto row = test::firstRow(s->dm->connection(), table, keyColumn, key);
        if (!row) return QStringLiteral("<no row>");
        return QString::fromLatin1(test::bytesOf(row->at(size_t(column))));
    }

    int rows(const QString& table) { return test::rowCount(s->dm->connection(), table); }
};

} // namespace kuvano::test
