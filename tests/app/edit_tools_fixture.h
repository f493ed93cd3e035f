#pragma once
// The main window with helpers that use the editing tools as a user does:
// clicks through the window, the boxes' own pop-up menus, the tool strip's
// buttons, the font boxes' drop-down lists and the colour picker.

#include "calendarctl/ChnCalendarPicker.h"
#include "main_fixture.h"
#include "notes/CalendarNotesPage.h"
#include "notes/DaySchedule.h"
#include "notes/DeskCalendarPage.h"
#include "notes/EditCommands.h"
#include "notes/FormatTools.h"
#include "notes/GeneralNotesPage.h"
#include "notes/LineBox.h"
#include "notes/MemoList.h"
#include "notes/NoteBox.h"
#include "notes/YearNotesPage.h"
#include "support/store_peek.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>
#include <QWindow>

namespace kuvano::test {

class EditToolsFixture : public MainFixture {
protected:
    notes::NoteBox* cell(int n) { return form->deskPage().box(n); }
    notes::NoteBox* memday() { return form->daySchedule().box(); }
    notes::NoteBox* month(int m) { return form->yearPage().box(m); }

    // A click through the window, where the platform turns a right press
    // into a context-menu request.
    void clickAt(QWidget* w, Qt::MouseButton button, QPoint pos = QPoint(5, 5)) {
        QTest::mouseClick(form->windowHandle(), button, {}, w->mapTo(form.get(), pos));
        QApplication::processEvents();
    }
    static QWidget* surface(QWidget* box) {
        if (auto* rich = qobject_cast<QTextEdit*>(box)) return rich->viewport();
        return box;
    }
    void focusAndType(QWidget* box, const QString& text) {
        box->setFocus();
        QApplication::processEvents();
        QTest::keyClicks(box, text);
    }
    // Selects characters [from, to) of a rich box with a mouse drag.
    void dragSelect(notes::NoteBox* box, int from, int to) {
        auto at = [box](int pos) {
            QTextCursor c(box->document());
            c.setPosition(pos);
            return box->cursorRect(c).center() + QPoint(1, 0);
        };
        QWidget* v = box->viewport();
        QTest::mousePress(v, Qt::LeftButton, {}, at(from));
        QTest::mouseMove(v, at(to));
        QTest::mouseRelease(v, Qt::LeftButton, {}, at(to));
        QApplication::processEvents();
    }

    // Opens the box's pop-up menu with a right click; nullptr when none opens.
    QMenu* openMenu(QWidget* box) {
        clickAt(surface(box), Qt::RightButton);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    // Chooses an entry of a menu that is open, opening its sub-menu first when
    // the entry is in one.
    void choose(QMenu* menu, const QString& entry) {
        auto* a = menu->findChild<QAction*>(entry);
        ASSERT_NE(a, nullptr) << entry.toStdString();
        if (auto* sub = qobject_cast<QMenu*>(a->parent()); sub && sub != menu) {
            // It opens a moment after the press, as it would under the mouse.
            QTest::mouseClick(menu, Qt::LeftButton, {},
                              menu->actionGeometry(sub->menuAction()).center());
            for (int i = 0; i < 100 && !sub->isVisible(); ++i) QTest::qWait(10);
            ASSERT_TRUE(sub->isVisible());
            menu = sub;
        }
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        QApplication::processEvents();
    }
    // Right click on the box, then the entry of the menu that opened.
    void fromMenu(QWidget* box, const QString& entry) {
        QMenu* menu = openMenu(box);
        ASSERT_NE(menu, nullptr);
        choose(menu, entry);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
    void press(const QString& button) { clickAt(child(button), Qt::LeftButton); }
    // Picks an entry from a drop-down list with the keyboard, as a user may.
    void pick(const QString& comboName, const QString& text) {
        auto* combo = child<QComboBox>(comboName);
        ASSERT_NE(combo, nullptr);
        const int i = combo->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        combo->setFocus();
        combo->showPopup();
        combo->view()->setCurrentIndex(combo->model()->index(i, 0));
        QTest::keyClick(combo->view(), Qt::Key_Return);
        // The offscreen platform leaves the closed list the active window.
        QApplication::processEvents();
        QApplication::setActiveWindow(form.get());
        QApplication::processEvents();
        EXPECT_EQ(combo->currentText(), text);
    }

    // Column `column` of the row of `key` in a one-line page's table, as text.
    QString stored(const QString& table, const QString& key, int column) {
        const auto row =
            test::firstRow(dm->connection(), table, QStringLiteral("edtYearMonth"), key);
        return row ? test::textOf(row->at(size_t(column))) : QStringLiteral("<no row>");
    }

    // The format of character `pos` of a rich box.
    static QTextCharFormat formatAt(const notes::NoteBox* box, int pos) {
        QTextCursor c(box->document());
        c.setPosition(pos + 1);
        return c.charFormat();
    }
    static QString family(const QTextCharFormat& f) {
        const QStringList l = f.fontFamilies().toStringList();
        return l.isEmpty() ? QString() : l.first();
    }
};

} // namespace kuvano::test
