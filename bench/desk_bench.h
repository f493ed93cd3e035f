#pragma once
// The desk page as the benchmarks drive it: a window with the 42 note boxes
// and the day schedule, showing May 2010, and a cell to type into.
#include "calendarctl/JvTFMonths.h"
#include "notes/DaySchedule.h"
#include "notes/DeskCalendarPage.h"
#include "notes/MainState.h"
#include "notes/NoteBox.h"
#include "store/untdb.h"

#include <QColor>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QWidget>

namespace kuvano::bench {

// About 2 KB of RTF: a few lines of Chinese and Latin text in two faces and colours.
inline void fillNote(notes::NoteBox& box) {
    box.clear();
    QTextCursor c = box.textCursor();
    const QString lines[] = {QStringLiteral("上午九点 部门例会，讨论下季度预算"),
                             QStringLiteral("Call Mr. Wang about the contract"),
                             QStringLiteral("取快递、交电费、买菜、接孩子放学")};
    for (int k = 0; box.SaveToStream().size() < 2048; ++k) {
        QTextCharFormat f;
        f.setFontFamilies({k % 2 ? QStringLiteral("黑体") : QStringLiteral("宋体")});
        f.setFontPointSize(9 + k % 3);
        f.setForeground(k % 3 ? QColor(0, 0, 0) : QColor(255, 0, 0));
        c.insertText(lines[k % 3], f);
        c.insertBlock();
    }
}

struct Desk {
    notes::MainState state;
    QWidget window;
    notes::DaySchedule* day;
    notes::DeskCalendarPage* desk;
    explicit Desk(notes::TDM& dm) {
        window.resize(1210, 700);
        auto* panel = new QWidget(&window);
        panel->setGeometry(0, 0, 1000, 700);
        auto* side = new QWidget(&window);
        day = new notes::DaySchedule(dm, state, side);
        desk = new notes::DeskCalendarPage(dm, state, panel, *day);
        day->selectedDay = [this] { return desk->grid()->selectedDate(); };
        state.shownDate = QDate(2010, 5, 10);
        desk->grid()->setDisplayDate(state.shownDate);
        desk->DeskLayout();
        desk->LoadMonth();
    }

    // Cell 10 holding about 2 KB, entered, with the month's row in place.
    notes::NoteBox* typingCell() {
        notes::NoteBox* box = desk->box(10);
        fillNote(*box);
        state.currentCell = 10;
        state.saving.desk = true;
        desk->RichEdit1Exit(box);
        return box;
    }
};

} // namespace kuvano::bench
