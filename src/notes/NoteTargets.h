#pragma once
// What the editing tools work on: the page on view and the note boxes of the
// four pages and the side panel, as the main window hands them over, with
// the few look-ups the tools make among them.

#include <functional>

namespace kuvano::notes {

class CalendarNotesPage;
class DaySchedule;
class DeskCalendarPage;
class GeneralNotesPage;
class LineBox;
class LinePage;
class MemoList;
class NoteBox;
class YearNotesPage;

enum class ShownPage { Desk, General, Yearly, Calendar };

struct NoteTargets {
    // The desk calendar and the day schedule are there from the start; the
    // others are null until they are made.
    DeskCalendarPage* desk = nullptr;
    DaySchedule* day = nullptr;
    YearNotesPage* year = nullptr;
    GeneralNotesPage* general = nullptr;
    CalendarNotesPage* calendar = nullptr;
    MemoList* memo = nullptr;
    std::function<ShownPage()> pageOnView;

    // nullptr when no box of the kind has the focus.
    NoteBox* FocusedDeskCell() const;
    NoteBox* FocusedDaySchedule() const; // memday, when it has the focus
    NoteBox* FocusedMonthBox() const;
    NoteBox* DeskCellByTabOrder(int tabOrder) const;
    // The focused one-line cell of the general or the calendar page (the
    // memo lines are never one); nullptr on the other pages.
    LineBox* FocusedLineCell(ShownPage page) const;
    LinePage* linePage(ShownPage page) const;
};

} // namespace kuvano::notes
