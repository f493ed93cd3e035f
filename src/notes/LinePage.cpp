#include "notes/LinePage.h"

#include "notes/LineBox.h"
#include "platform/fonts.h"
#include "store/untdb.h"

namespace kuvano::notes {

LinePage::LinePage(TDM& dm, MainState& state, QWidget* panel, const QString& gridName,
                   const QString& boxPrefix, const QString& stripName, LineBook book)
    : QObject(panel), dm_(dm), state_(state), book_(book), panel_(panel) {
    grid_ = new RuledGrid(panel);
    grid_->setObjectName(gridName);
    const QFont font = fonts::byPoints(QStringLiteral("verdana"), 10);
    for (int i = 1; i <= kLineBoxes; ++i) {
        auto* b = new LineBox(i, panel);
        b->setObjectName(boxPrefix + QString::number(i));
        b->setFont(font);
        boxes_[size_t(i - 1)] = b;
    }
    for (int i = 1; i < kLineBoxes; ++i)
        QWidget::setTabOrder(boxes_[size_t(i - 1)], boxes_[size_t(i)]);
    strip_ = new QWidget(panel);
    strip_->setObjectName(stripName);
    strip_->setAutoFillBackground(true);
    QPalette p = strip_->palette();
    p.setColor(QPalette::Window, Qt::white);
    strip_->setPalette(p);
}

std::array<QString, kLineBoxes> LinePage::LineTexts() const {
    std::array<QString, kLineBoxes> texts;
    for (int i = 1; i <= kLineBoxes; ++i) texts[size_t(i - 1)] = box(i)->text();
    return texts;
}

LineBox* LinePage::FocusedBox() const {
    for (LineBox* b : boxes_)
        if (b->hasFocus()) return b;
    return nullptr;
}

void LinePage::place(const RuledGridSize& grid, const std::array<QRect, kLineBoxes>& boxes,
                     const QRect& strip) {
    grid_->setGeometry(panel_->rect());
    grid_->SetRows(kLineRows, grid.rowHeight);
    for (size_t i = 0; i < boxes.size(); ++i) boxes_[i]->setGeometry(boxes[i]);
    strip_->setGeometry(strip);
}

void LinePage::loadLines(const QString& key) {
    const NoteStore::Lines lines = dm_.notes().loadLines(book_, key);
    for (int i = 1; i <= kLineBoxes; ++i) {
        box(i)->ShowText(lines.texts ? (*lines.texts)[size_t(i - 1)] : QString());
        box(i)->SetFontColor(lines.colors ? (*lines.colors)[size_t(i - 1)] : 0);
    }
}

bool LinePage::saveLines(const QString& key) {
    LineNotes lines;
    for (int i = 1; i <= kLineBoxes; ++i)
        lines[size_t(i - 1)] = {box(i)->text(), int(box(i)->FontColor())};
    NoteStore& store = dm_.notes(); // an unusable file: its error goes to the report
    try {
        store.saveLines(book_, key, lines);
        return true;
    } catch (const FileError&) {
        // Not written: the boxes keep what was typed, the unsaved sign shows it.
        return false;
    }
}

} // namespace kuvano::notes
