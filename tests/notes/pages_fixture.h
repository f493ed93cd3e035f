#pragma once
// The general, calendar and yearly pages and the memo list on a fresh
// program folder, as the main window builds them, without the rest of it.

#include "notes/CalendarNotesPage.h"
#include "notes/GeneralNotesPage.h"
#include "notes/LineBox.h"
#include "notes/MemoList.h"
#include "notes/NoteBox.h"
#include "notes/YearNotesPage.h"
#include "store/untdb.h"
#include "support/test_support.h"

#include <QApplication>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

namespace kuvano::test {

class PagesFixture : public ::testing::Test {
protected:
    TempProgramFolder pf;
    FixedClock clock{QDateTime(QDate(2011, 1, 15), QTime(8, 0))};

    struct Session {
        notes::MainState state;
        std::unique_ptr<notes::TDM> dm;
        std::unique_ptr<QWidget> window;
        notes::GeneralNotesPage* general = nullptr;
        notes::CalendarNotesPage* calendar = nullptr;
        notes::YearNotesPage* year = nullptr;
        notes::MemoList* memo = nullptr;
        int failures = 0;
        // The window goes first: a box losing the focus as it closes still
        // saves, and its outcome lands in the members above.
        ~Session() { window.reset(); }
    };
    // The errors the pages show, as message boxes.
    test::MessageRecorder messages;
    qsizetype reported() const { return qsizetype(messages.messages().size()); }
    std::unique_ptr<Session> s;

    // A program start on the folder with the pages laid out (switches on),
    // showing the month of `shown`; nothing loaded yet.
    void start(const QDate& shown = QDate(2011, 1, 15)) {
        s.reset(); // the previous session ends first, as a program does
        s = std::make_unique<Session>();
        s->dm = std::make_unique<notes::TDM>(pf.folder());
        s->state.shownDate = shown;
        s->window = std::make_unique<QWidget>();
        s->window->resize(1400, 700);
        auto panel = [&](int x, int w) {
            auto* p = new QWidget(s->window.get());
            p->setGeometry(x, 0, w, 600);
            return p;
        };
        Session* self = s.get(); // callbacks may run while s is being reset
        s->general = new notes::GeneralNotesPage(*s->dm, s->state, panel(0, 400));
        auto* pnlRili = panel(400, 400);
        auto* chnRili = new QWidget(pnlRili);
        chnRili->resize(120, 100);
        s->calendar = new notes::CalendarNotesPage(*s->dm, s->state, pnlRili, chnRili);
        s->year = new notes::YearNotesPage(*s->dm, s->state, panel(800, 400), QString());
        s->memo = new notes::MemoList(*s->dm, s->state, panel(1200, 200));
        s->general->loadMemoList = [self] { self->memo->LoadMemoList(); };
        s->year->loadMemoList = [self] { self->memo->LoadMemoList(); };
        const auto result = [self](bool ok) { self->failures += ok ? 0 : 1; };
        s->general->onSaveResult = s->calendar->onSaveResult = result;
        s->year->onSaveResult = s->memo->onSaveResult = result;
        // No box has the focus before the switches go on, so none saves
        // the unloaded page on losing it.
        s->window->setFocusPolicy(Qt::StrongFocus);
        s->window->show();
        QApplication::setActiveWindow(s->window.get());
        s->window->setFocus();
        s->general->Layout();
        s->calendar->Layout();
        s->year->Layout();
        s->state.saving.general = s->state.saving.calendar = s->state.saving.yearly = true;
    }

    // Sets a box's text as the program does, with its page's save switch off.
    void fill(notes::LineBox* box, const QString& text, bool& saveSwitch) {
        notes::SaveSwitchOff off(saveSwitch);
        box->setText(text);
    }

    // Focus a box and type into it, as a user does.
    void type(QWidget* box, const QString& text) {
        box->setFocus();
        QApplication::processEvents();
        QTest::keyClicks(box, text);
    }
    void clear(QWidget* box) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Backspace);
    }

    // Column `column` of the first row whose key column holds `key`; an
    // invalid value for a null column, the text "<no row>" without a row.
    QVariant stored(const QString& table, const QString& keyColumn, const QVariant& key,
                    int column) {
        sql::Statement st(
            s->dm->connection(),
            QStringLiteral("select * from %1 where %2=? order by rowid").arg(table, keyColumn));
        st.bind(1, key);
        if (!st.step()) return QStringLiteral("<no row>");
        return st.column(column);
    }
    int rows(const QString& table) {
        sql::Statement st(s->dm->connection(), QStringLiteral("select count(*) from ") + table);
        st.step();
        return st.column(0).toInt();
    }
    // Rows changed through the program's connection so far.
    int changes() { return sqlite3_total_changes(s->dm->connection().handle()); }
    void exec(const char* sql) { s->dm->connection().exec(sql); }
};

} // namespace kuvano::test
