#include "notes/DeskCalendarPage.h"

#include "calendarctl/JvTFMonths.h"
#include "notes/DaySchedule.h"
#include "notes/NoteBox.h"
#include "platform/guarded.h"
#include "store/untdb.h"

#include <QScopeGuard>
#include <QWidget>

namespace kuvano::notes {

namespace {
bool isSundayBox(int n) {
    return (n - 1) % 7 == 0;
}
} // namespace

std::array<QRect, kDeskCells> DeskBoxLayout(const QRect& grid) {
    const int cw = grid.width(), ch = grid.height();
    const int w = (cw - 10) / 7 - 4; // box width
    const int b = (ch - 142) / 6;    // row pitch less the strip
    const int rw = (cw - 10) % 7;    // columns that get one pixel more
    const int rh = (ch - 149) % 6;
    std::array<QRect, kDeskCells> r;
    const int left1 = grid.left() + (rw > 0 ? 6 : 5);
    const int top1 = grid.top() + (rh > 0 ? 45 : 44);
    auto height = [b](int n) { return n <= 21 ? b - 4 : n <= 35 ? b - 6 : b - 8; };
    r[0] = QRect(left1, top1, w, height(1));
    for (int n = 2; n <= 7; ++n) {
        const int step = n <= rw + 1 ? w + 6 : w + 5;
        r[size_t(n - 1)] = QRect(r[size_t(n - 2)].left() + step, top1, w, height(n));
    }
    for (int n = 8; n <= kDeskCells; ++n) {
        const QRect& above = r[size_t(n - 8)];
        r[size_t(n - 1)] = QRect(above.left(), above.top() + b + 21, w, height(n));
    }
    return r;
}

DeskCalendarPage::DeskCalendarPage(TDM& dm, MainState& state, QWidget* pnlTaiLi,
                                   DaySchedule& daySchedule)
    : QObject(pnlTaiLi), dm_(dm), state_(state), day_(daySchedule), panel_(pnlTaiLi) {
    JvTFMonths1 = new JvTFMonths(pnlTaiLi);
    JvTFMonths1->setObjectName(QStringLiteral("JvTFMonths1"));
    JvTFMonths1->setGeometry(pnlTaiLi->rect());
    for (int n = 1; n <= kDeskCells; ++n) {
        auto* b = new NoteBox(pnlTaiLi);
        b->setObjectName(QStringLiteral("RichEdit%1").arg(n));
        b->SetTabOrderNumber(n);
        b->SetBackgroundColor(isSundayBox(n) ? QColor(0xEB, 0xEB, 0xEB) : QColor(Qt::white));
        connect(b, &NoteBox::Changed, this, &DeskCalendarPage::boxChanged);
        connect(b, &NoteBox::Exited, this, &DeskCalendarPage::RichEdit1Exit);
        connect(b, &NoteBox::Entered, this, &DeskCalendarPage::RichEdit1Enter);
        connect(b, &NoteBox::MouseReleased, this, &DeskCalendarPage::RichEdit1MouseUp);
        RichEdit[size_t(n - 1)] = b;
    }
    for (int n = 1; n < kDeskCells; ++n)
        QWidget::setTabOrder(RichEdit[size_t(n - 1)], RichEdit[size_t(n)]);
    connect(JvTFMonths1, &JvTFMonths::clicked, this, &DeskCalendarPage::JvTFMonths1Click);
}

void DeskCalendarPage::LoadMonth() {
    {
        SaveSwitchOff off(state_.saving.desk);
        const auto streams = dm_.notes().loadDeskMonth(monthKey(state_.shownDate));
        // Only once everything was read do the boxes change: a failed load
        // leaves them (and the buffers) as they were.
        for (int i = 0; i < kDeskCells; ++i) {
            state_.cells[size_t(i)].stream = streams[size_t(i)];
            RichEdit[size_t(i)]->LoadFromStream(streams[size_t(i)]);
        }
    }
    loadDaySchedule();
}

bool DeskCalendarPage::saveCell(int column, const QByteArray& rtf, const QString& plain) {
    SaveSwitchOff off(state_.saving.desk);
    try {
        dm_.notes().saveDeskCell(monthKey(state_.shownDate), column, {rtf, plain});
        return true;
    } catch (const FileError&) {
        // The box keeps what was typed; the main window shows the unsaved sign.
        return false;
    }
}

void DeskCalendarPage::boxChanged(NoteBox* b) {
    // Keys can reach a box before its focus-in (a busy start, no window
    // manager): the box typed in is the current cell from its first change.
    const int t = b->TabOrderNumber();
    if (t >= 1 && t <= kDeskCells && state_.currentCell != t) {
        state_.currentCell = t;
        JvTFMonths1->selectCell(t - 1);
    }
    RichEdit1Exit(b);
}

void DeskCalendarPage::RichEdit1Exit(NoteBox* b) {
    if (!state_.saving.desk) return;
    // The column written is the raising box's own (its tab order), and so is
    // the content: a box other than the current cell never stores a stale
    // buffer over its note.
    const int t = b->TabOrderNumber();
    if (t < 1 || t > kDeskCells) return;
    state_.cells[size_t(t - 1)].stream = b->SaveToStream();
    const bool saved = saveCell(t, state_.cells[size_t(t - 1)].stream, b->toPlainText());
    state_.unsaved = !saved;
    if (onSaveResult) onSaveResult(saved);
}

void DeskCalendarPage::RichEdit1Enter(NoteBox* b) {
    state_.currentCell = b->TabOrderNumber();
}

void DeskCalendarPage::RichEdit1MouseUp(NoteBox* b, Qt::MouseButton button) {
    if (button == Qt::LeftButton || button == Qt::RightButton) {
        state_.lastEdit = {b->SelStart(), b->SelLength(), b->TabOrderNumber(),
                           EditBoxKind::DeskCell};
        // The click can come before the box's focus-in (a window not yet
        // active, no window manager): the box clicked is the current cell.
        if (const int t = b->TabOrderNumber(); t >= 1 && t <= kDeskCells) state_.currentCell = t;
        JvTFMonths1->selectCell(state_.currentCell - 1);
    }
    guarded(panel_, [this] { loadDaySchedule(); });
}

void DeskCalendarPage::JvTFMonths1Click() {
    guarded(panel_, [this] { loadDaySchedule(); });
}

void DeskCalendarPage::loadDaySchedule() {
    // On at the end, also when the load fails and its error goes on to the
    // caller's boundary.
    const auto on = qScopeGuard([this] { state_.saving.desk = true; });
    day_.LoadDaySchedule();
}

void DeskCalendarPage::DeskLayout() {
    SaveSwitchOff off(state_.saving.desk);
    JvTFMonths1->setGeometry(panel_->rect());
    const auto rects = DeskBoxLayout(JvTFMonths1->geometry());
    for (int i = 0; i < kDeskCells; ++i) RichEdit[size_t(i)]->setGeometry(rects[size_t(i)]);
    ColorSundayBoxes();
}

void DeskCalendarPage::ColorSundayBoxes() {
    for (int n = 1; n <= kDeskCells; n += 7)
        RichEdit[size_t(n - 1)]->SetBackgroundColor(QColor(0xEB, 0xEB, 0xEB));
}

void DeskCalendarPage::ChnCalendar1Change() {
    JvTFMonths1->setDisplayDate(state_.shownDate);
    LoadMonth();
}

void DeskCalendarPage::SelectTodayAndLoadDay(const QDate& today) {
    JvTFMonths1->selectDate(today);
    loadDaySchedule();
}

auto DeskCalendarPage::CellTexts() const -> std::array<CellText, kDeskCells> {
    std::array<CellText, kDeskCells> cells;
    for (int n = 1; n <= kDeskCells; ++n) {
        const NoteBox* b = box(n);
        cells[size_t(n - 1)] = {JvTFMonths1->dateOfCell(b->TabOrderNumber() - 1), b->PlainText()};
    }
    return cells;
}

void DeskCalendarPage::ShowDay(const QDate& day) {
    JvTFMonths1->selectDate(day);
    loadDaySchedule();
}

void DeskCalendarPage::SetCellsVisible(bool visible) {
    for (NoteBox* b : RichEdit) b->setVisible(visible);
}

} // namespace kuvano::notes
