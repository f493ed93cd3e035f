#include "notes/MemoList.h"

#include "notes/LineBox.h"
#include "platform/fonts.h"
#include "store/untdb.h"

#include <QLabel>
#include <QWidget>

namespace kuvano::notes {

namespace {
// Tops of the eleven lines in the panel; each sits on a rule of drwgrd16.
constexpr int kLineTops[kMemoLines] = {34, 62, 88, 114, 140, 166, 192, 218, 244, 270, 296};

} // namespace

MemoList::MemoList(TDM& dm, MainState& state, QWidget* Panel2)
    : QObject(Panel2), dm_(dm), state_(state) {
    lbl1 = new QLabel(QStringLiteral("备忘录"), Panel2);
    lbl1->setObjectName(QStringLiteral("lbl1"));
    lbl1->setFont(fonts::byPixels(QStringLiteral("宋体"), 13));
    lbl1->setStyleSheet(QStringLiteral("color: grey;"));
    lbl1->setGeometry(8, 8, 120, 16);
    // One column of 14 rows of 25 pixels; each line sits just above a rule.
    drwgrd16 = new RuledGrid(Panel2);
    drwgrd16->setObjectName(QStringLiteral("drwgrd16"));
    drwgrd16->setGeometry(3, 30, 194, 14 * 26);
    drwgrd16->SetRows(14, 25);
    for (int n = 1; n <= kMemoLines; ++n) {
        auto* e = new LineBox(n, Panel2);
        e->setObjectName(QStringLiteral("edt%1").arg(n));
        e->setFont(fonts::byPixels(QStringLiteral("宋体"), 12));
        e->setGeometry(7, kLineTops[n - 1], 177, 17);
        connect(e, &LineBox::Entered, this, &MemoList::edt1Enter);
        connect(e, &LineBox::Changed, this, &MemoList::edt1Change);
        connect(e, &LineBox::Exited, this, &MemoList::edt1Exit);
        edt[size_t(n - 1)] = e;
    }
    for (int n = 1; n < kMemoLines; ++n) QWidget::setTabOrder(edt[size_t(n - 1)], edt[size_t(n)]);
}

void MemoList::LoadMemoList() {
    std::array<QString, kMemoLines> lines;
    try {
        lines = dm_.notes().loadMemo();
    } catch (const FileError&) {
        return; // the lines keep what they show
    }
    // Filling a line is no edit: it writes nothing.
    loading_ = true;
    for (int n = 1; n <= kMemoLines; ++n) edt[size_t(n - 1)]->ShowText(lines[size_t(n - 1)]);
    loading_ = false;
}

void MemoList::edt1Enter(LineBox* box) {
    currentLine_ = box->Number();
}

bool MemoList::writeLine(LineBox* box, bool onlyFocused) {
    // The column is the current line's; it is the sender's own whenever the
    // sender has the focus or has just lost it.
    const int n = currentLine_;
    if (n != box->Number() || (onlyFocused && !box->hasFocus())) return false;
    return dm_.notes().saveMemoLine(n, box->text());
}

void MemoList::edt1Change(LineBox* box) {
    if (loading_) return;
    saveFromEvent(lbl1->parentWidget(), state_, onSaveResult, OnError::SignOnly,
                  [&]() -> std::optional<bool> {
                      if (!writeLine(box, true)) return std::nullopt;
                      return true;
                  });
}

void MemoList::edt1Exit(LineBox* box) {
    saveFromEvent(lbl1->parentWidget(), state_, onSaveResult, OnError::Show,
                  [&]() -> std::optional<bool> {
                      if (!writeLine(box, false)) return std::nullopt;
                      return true;
                  });
}

} // namespace kuvano::notes
