#pragma once
// What the editing tools work on: the page on view and the note boxes of the
// four pages and the side panel, as the main window hands them over, with
// the few look-ups the tools make among them.

#include <functional>

namespace kuvano::notes {

class TCalendarNotesPage;
class TDaySchedule;
class TDeskCalendarPage;
class TGeneralNotesPage;
class TLineBox;
class TLinePage;
class TMemoList;
class TNoteBox;
class TYearNotesPage;

enum class ShownPage { Desk, General, Yearly, Calendar };

struct NoteTargets {
    TDeskCalendarPage* desk = nullptr;
    TDaySchedule* day = nullptr;
    TYearNotesPage* year = nullptr;
    TGeneralNotesPage* general = nullptr;
    TCalendarNotesPage* calendar = nullptr;
    TMemoList* memo = nullptr;
    std::function<ShownPage()> pageOnView;

    // nullptr when no box of the kind has the focus.
    TNoteBox* FocusedDeskCell() const;
    TNoteBox* FocusedDaySchedule() const; // memday, when it has the focus
    TNoteBox* FocusedMonthBox() const;
    TNoteBox* DeskCellByTabOrder(int tabOrder) const;
    // The focused one-line cell of the general or the calendar page (the
    // memo lines are never one); nullptr on the other pages.
    TLineBox* FocusedLineCell(ShownPage page) const;
    TLinePage* LinePage(ShownPage page) const;
};

} // namespace kuvano::notes
