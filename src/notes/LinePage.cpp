#include "notes/LinePage.h"

#include "notes/LineBox.h"
#include "platform/fonts.h"
#include "store/untdb.h"

namespace kuvano::notes {

TLinePage::TLinePage(TDM& dm, MainState& state, QWidget* panel, const QString& gridName,
                     const QString& boxPrefix, const QString& stripName, const Tables& tables)
    : QObject(panel), dm_(dm), state_(state), tables_(tables), panel_(panel) {
    grid_ = new TRuledGrid(panel);
    grid_->setObjectName(gridName);
    const QFont font = fonts::byPoints(QStringLiteral("verdana"), 10);
    for (int i = 1; i <= kLineBoxes; ++i) {
        auto* b = new TLineBox(i, panel);
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

TLineBox* TLinePage::FocusedBox() const {
    for (TLineBox* b : boxes_)
        if (b->hasFocus()) return b;
    return nullptr;
}

void TLinePage::place(const RuledGridSize& grid, const std::array<QRect, kLineBoxes>& boxes,
                      const QRect& strip) {
    grid_->setGeometry(panel_->rect());
    grid_->SetRows(kLineRows, grid.rowHeight);
    for (size_t i = 0; i < boxes.size(); ++i) boxes_[i]->setGeometry(boxes[i]);
    strip_->setGeometry(strip);
}

std::optional<std::array<QVariant, kLineBoxes>>
TLinePage::readRow(TAdoQuery& q, const char16_t* table, const QString& key) {
    q.Close();
    q.ClearSql();
    q.AddSql(QStringLiteral("select * from  ") + QString::fromUtf16(table));
    q.AddSql(QStringLiteral("where edtYearMonth=:edtYearMonth2"));
    q.SetParam(QStringLiteral("edtYearMonth2"), key);
    q.Open();
    if (q.Eof()) return std::nullopt;
    std::array<QVariant, kLineBoxes> values;
    for (int i = 1; i <= kLineBoxes && i < q.FieldCount(); ++i) values[size_t(i - 1)] = q.Field(i);
    return values;
}

void TLinePage::loadLines(const QString& key) {
    const auto texts = readRow(dm_.*tables_.textQuery, tables_.texts, key);
    const auto colors = readRow(dm_.*tables_.colorQuery, tables_.colors, key);
    for (int i = 1; i <= kLineBoxes; ++i) {
        box(i)->setText(texts ? (*texts)[size_t(i - 1)].toString() : QString());
        // A null colour (a row made by hand) reads as black.
        box(i)->SetFontColor(colors ? (*colors)[size_t(i - 1)].toInt() : 0);
    }
}

void TLinePage::writeRow(TAdoQuery& q, const char16_t* table, const QString& key, bool colors) {
    auto write = [&] {
        q.Edit();
        for (int i = 1; i <= kLineBoxes; ++i)
            q.SetField(i, colors ? QVariant(box(i)->FontColor()) : QVariant(box(i)->text()));
        q.Post();
    };
    // The first row of the key in stored order; the walk ends with it.
    for (q.First(); !q.Eof(); q.Next()) {
        if (q.FieldAsString(0) == key) {
            write();
            return;
        }
    }
    const QString name = QString::fromUtf16(table);
    q.Close();
    q.ClearSql();
    q.AddSql(QStringLiteral("insert into %1(edtYearMonth) Values(:edtYearMonth2) ").arg(name));
    q.SetParam(QStringLiteral("edtYearMonth2"), key);
    q.ExecSQL();
    q.ClearSql();
    q.AddSql(QStringLiteral("select * from %1 where edtYearMonth=:edtYearMonth2 ").arg(name));
    q.SetParam(QStringLiteral("edtYearMonth2"), key);
    q.Open();
    write();
}

bool TLinePage::saveLines(const QString& key) {
    // Texts and colours in one transaction: a crash never leaves a month
    // with the one row and without the other.
    std::optional<sql::Transaction> tx;
    try {
        tx.emplace(dm_.connection());
    } catch (const DbError&) {
        return false;
    }
    for (bool colors : {false, true}) {
        TAdoQuery& q = dm_.*(colors ? tables_.colorQuery : tables_.textQuery);
        const char16_t* table = colors ? tables_.colors : tables_.texts;
        q.Close();
        q.ClearSql();
        q.AddSql(QStringLiteral("select * from  ") + QString::fromUtf16(table));
        q.Open(); // its errors go to the error report
        try {
            writeRow(q, table, key, colors);
        } catch (const DbError&) {
            // Not written: the save ends here (no second try at the same
            // row), the boxes keep what was typed.
            return false;
        }
    }
    try {
        tx->commit();
    } catch (const DbError&) {
        return false;
    }
    return true;
}

} // namespace kuvano::notes
