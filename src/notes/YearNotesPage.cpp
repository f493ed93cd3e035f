#include "notes/YearNotesPage.h"

#include "notes/NoteBox.h"
#include "platform/fonts.h"
#include "platform/sharp_picture.h"
#include "store/untdb.h"

#include <QLabel>
#include <QPixmap>
#include <QWidget>

namespace kuvano::notes {

namespace {
const char16_t* const kMonthCaptions[kYearBoxes] = {u"一月份", u"二月份", u"三月份",   u"四月份",
                                                    u"五月份", u"六月份", u"七月份",   u"八月份",
                                                    u"九月份", u"十月份", u"十一月份", u"十二月份"};

QWidget* blackLine(QWidget* parent, const QString& name) {
    auto* w = new QWidget(parent);
    w->setObjectName(name);
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, Qt::black);
    w->setPalette(p);
    return w;
}
} // namespace

YearNotesPage::YearNotesPage(TDM& dm, MainState& state, QWidget* pnl_year,
                             const QString& titlePicture)
    : QObject(pnl_year), dm_(dm), state_(state), panel_(pnl_year) {
    const QPixmap title = sharpPicture(titlePicture, pnl_year);
    for (int r = 1; r <= 3; ++r) {
        auto* l = new QLabel(pnl_year);
        l->setObjectName(QStringLiteral("imgtitle_year%1").arg(r));
        if (!title.isNull()) l->setPixmap(title);
        l->setScaledContents(true);
        imgtitle_year[size_t(r - 1)] = l;
    }
    const QFont labelFont = fonts::byPixels(QStringLiteral("宋体"), 12, true);
    for (int m = 1; m <= kYearBoxes; ++m) {
        auto* l = new QLabel(QString::fromUtf16(kMonthCaptions[m - 1]), pnl_year);
        l->setObjectName(QStringLiteral("lblMonth%1").arg(m));
        l->setFont(labelFont);
        l->setStyleSheet(QStringLiteral("color: rgb(40, 60, 100);"));
        l->adjustSize();
        lblMonth[size_t(m - 1)] = l;
    }
    for (int n = 0; n <= 4; ++n)
        pnl_yearLine[size_t(n)] = blackLine(pnl_year, QStringLiteral("pnl_yearLine%1").arg(n));
    pnl_buttonline = blackLine(pnl_year, QStringLiteral("pnl_buttonline"));
    for (int m = 1; m <= kYearBoxes; ++m) {
        auto* b = new NoteBox(pnl_year);
        b->setObjectName(QStringLiteral("redt%1").arg(m));
        b->SetTabOrderNumber(m + kYearFirstTabOrder - 1);
        connect(b, &NoteBox::Changed, this, &YearNotesPage::RichEdit);
        connect(b, &NoteBox::Exited, this, &YearNotesPage::RichEdit);
        connect(b, &NoteBox::MouseReleased, this, &YearNotesPage::redt1MouseUp);
        redt[size_t(m - 1)] = b;
    }
    for (int m = 1; m < kYearBoxes; ++m) QWidget::setTabOrder(redt[size_t(m - 1)], redt[size_t(m)]);
}

std::array<QString, kYearBoxes> YearNotesPage::MonthTexts() const {
    std::array<QString, kYearBoxes> texts;
    for (int m = 1; m <= kYearBoxes; ++m) texts[size_t(m - 1)] = box(m)->PlainText();
    return texts;
}

NoteBox* YearNotesPage::BoxByTabOrder(int tabOrder) const {
    for (NoteBox* b : redt)
        if (b->TabOrderNumber() == tabOrder) return b;
    return nullptr;
}

NoteBox* YearNotesPage::FocusedBox() const {
    for (NoteBox* b : redt)
        if (b->hasFocus()) return b;
    return nullptr;
}

void YearNotesPage::Layout() {
    SaveSwitchOff off(state_.saving.yearly);
    const int pw = panel_->width(), ph = panel_->height();
    const YearLayoutRects r = YearLayout(panel_->size());
    for (size_t i = 0; i < 3; ++i)
        imgtitle_year[i]->setGeometry(0, r.titleTop[i], pw, kYearTitleHeight);
    for (size_t n = 0; n < 5; ++n) pnl_yearLine[n]->setGeometry(r.lineLeft[n], 0, 1, ph);
    pnl_buttonline->setGeometry(0, ph - 3, pw, 3);
    for (size_t i = 0; i < kYearBoxes; ++i) {
        redt[i]->setGeometry(r.boxes[i]);
        lblMonth[i]->move(r.labels[i]);
    }
}

void YearNotesPage::LoadYearNotes() {
    {
        SaveSwitchOff off(state_.saving.yearly);
        const auto streams = dm_.notes().loadYear(state_.shownDate.year());
        // Only once everything was read do the boxes change.
        for (int m = 1; m <= kYearBoxes; ++m)
            redt[size_t(m - 1)]->LoadFromStream(streams[size_t(m - 1)]);
    }
    if (loadMemoList) loadMemoList();
}

void YearNotesPage::SaveYearNotes() {
    std::array<RichNote, kYearNotes> notes;
    for (int m = 1; m <= kYearBoxes; ++m) {
        NoteBox* b = redt[size_t(m - 1)];
        notes[size_t(m - 1)] = {b->SaveToStream(), b->toPlainText()};
    }
    dm_.notes().saveYear(state_.shownDate.year(), notes);
}

void YearNotesPage::RichEdit(NoteBox*) {
    if (!state_.saving.yearly) return;
    saveFromEvent(panel_, state_, onSaveResult, OnError::Show, [this] {
        SaveYearNotes();
        return true;
    });
}

void YearNotesPage::redt1MouseUp(NoteBox* b, Qt::MouseButton button) {
    if (button != Qt::LeftButton && button != Qt::RightButton) return;
    state_.lastEdit = {b->SelStart(), b->SelLength(), b->TabOrderNumber(), EditBoxKind::DeskCell};
}

} // namespace kuvano::notes
