#include "notes/FormatTools.h"

#include "notes/CalendarNotesPage.h"
#include "notes/DaySchedule.h"
#include "notes/GeneralNotesPage.h"
#include "notes/LineBox.h"
#include "notes/NoteBox.h"
#include "notes/YearNotesPage.h"
#include "platform/dialogs.h"

#include <QComboBox>
#include <QMouseEvent>
#include <QWidget>

namespace kuvano::notes {

namespace {

// Restores the recorded selection of the box and formats it, as one edit
// (one change event, so one save, and one undo step). An empty name or no
// size leaves that attribute as it is. The whole-box size is set first, so
// that the save writes the rest of the text at it; it changes no character,
// so when nothing else did either the box is saved here all the same.
void formatAt(NoteBox* box, const LastEditPosition& at, const QString& name,
              std::optional<int> size, bool wholeBoxSize) {
    if (!box) return;
    const bool wholeChanges = size && wholeBoxSize && box->font().pointSize() != *size;
    bool changeRaised = false;
    const QMetaObject::Connection watch =
        QObject::connect(box, &NoteBox::Changed, box, [&changeRaised] { changeRaised = true; });
    {
        NoteBoxEdit edit(box);
        if (wholeChanges) box->SetWholeFontSize(*size);
        box->SetSelection(at.selStart, at.selLength);
        if (!name.isEmpty()) box->SetSelFontName(name);
        if (size) box->SetSelFontSize(*size);
    }
    QObject::disconnect(watch);
    if (wholeChanges && !changeRaised) Q_EMIT box->Changed(box);
}

} // namespace

FormatTools::FormatTools(const NoteTargets& targets, MainState& state, QComboBox* ccbFont,
                         QComboBox* cbbFontSize, QWidget* img4, QWidget* dialogParent)
    : QObject(dialogParent), t_(targets), state_(state), ccbFont_(ccbFont),
      cbbFontSize_(cbbFontSize), img4_(img4), dialogParent_(dialogParent) {
    connect(ccbFont_, &QComboBox::activated, this, &FormatTools::ccbFontSelect);
    connect(cbbFontSize_, &QComboBox::activated, this, &FormatTools::cbbFontSizeSelect);
    img4_->setCursor(Qt::PointingHandCursor);
    img4_->installEventFilter(this);
}

std::optional<int> FormatTools::chosenSize() const {
    bool ok = false;
    const int size = cbbFontSize_->currentText().toInt(&ok);
    if (!ok || size <= 0) return std::nullopt;
    return size;
}

void FormatTools::ccbFontSelect() {
    const QString name = ccbFont_->currentText();
    const LastEditPosition at = state_.lastEdit;
    switch (t_.pageOnView()) {
    case ShownPage::Yearly:
        formatAt(t_.year->BoxByTabOrder(at.tabOrder), at, name, std::nullopt, false);
        break;
    case ShownPage::Desk:
        if (at.kind == EditBoxKind::DaySchedule)
            formatAt(t_.day->box(), at, name, std::nullopt, false);
        else // a desk cell takes the size shown as well
            formatAt(t_.DeskCellByTabOrder(at.tabOrder), at, name, chosenSize(), false);
        break;
    case ShownPage::General:
    case ShownPage::Calendar:
        break;
    }
}

void FormatTools::cbbFontSizeSelect() {
    const std::optional<int> size = chosenSize();
    if (!size) return;
    const LastEditPosition at = state_.lastEdit;
    switch (t_.pageOnView()) {
    case ShownPage::Yearly:
        formatAt(t_.year->BoxByTabOrder(at.tabOrder), at, QString(), size, true);
        break;
    case ShownPage::Desk:
        if (at.kind == EditBoxKind::DaySchedule)
            formatAt(t_.day->box(), at, QString(), size, true);
        else // a desk cell takes the name shown as well
            formatAt(t_.DeskCellByTabOrder(at.tabOrder), at, ccbFont_->currentText(), size, true);
        break;
    case ShownPage::General:
    case ShownPage::Calendar:
        break;
    }
}

std::optional<QColor> FormatTools::askColor() {
    const std::optional<QColor> c = dialogs::askColor(dialogParent_, {lastColor_, true});
    if (c && c->isValid()) lastColor_ = *c;
    return c && c->isValid() ? c : std::nullopt;
}

void FormatTools::img4Click() {
    const ShownPage page = t_.pageOnView();
    switch (page) {
    case ShownPage::Yearly:
    case ShownPage::Desk: {
        // On the desk page a cell, or else the day schedule: at most one has the focus.
        NoteBox* box = page == ShownPage::Yearly ? t_.FocusedMonthBox() : t_.FocusedDeskCell();
        if (!box && page == ShownPage::Desk) box = t_.FocusedDaySchedule();
        if (!box) return;
        // The box's own change handler stores the new colour.
        if (const std::optional<QColor> c = askColor()) box->SetSelColor(*c);
        break;
    }
    case ShownPage::General:
    case ShownPage::Calendar: {
        // A one-line cell's colour is the whole cell's; an empty cell has none to set.
        LineBox* box = t_.FocusedLineCell(page);
        if (!box || box->text().isEmpty()) return;
        const std::optional<QColor> c = askColor();
        if (!c) return;
        box->SetFontColor(toColorRef(*c));
        // A colour raises no change event: the page stores itself. A failure
        // shows only as the unsaved sign.
        saveFromEvent(t_.linePage(page)->panel(), state_, t_.linePage(page)->onSaveResult,
                      OnError::SignOnly, [&]() -> std::optional<bool> {
                          return page == ShownPage::General ? t_.general->SaveGeneralNotes()
                                                            : t_.calendar->SaveCalendarNotes();
                      });
        break;
    }
    }
}

bool FormatTools::eventFilter(QObject* watched, QEvent* event) {
    if (watched == img4_ && event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && img4_->rect().contains(me->position().toPoint())) {
            img4Click();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kuvano::notes
