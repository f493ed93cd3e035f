#include "notes/MemoList.h"

#include "notes/LineBox.h"
#include "platform/fonts.h"

#include <QLabel>
#include <QWidget>

namespace kuvano::notes {

namespace {
// Tops of the eleven lines in the panel; each sits on a rule of drwgrd16.
constexpr int kLineTops[kMemoLines] = {34, 62, 88, 114, 140, 166, 192, 218, 244, 270, 296};
} // namespace

TMemoList::TMemoList(TDM& dm, MainState& state, QWidget* Panel2)
    : QObject(Panel2), dm_(dm), state_(state) {
    lbl1 = new QLabel(QStringLiteral("备忘录"), Panel2);
    lbl1->setObjectName(QStringLiteral("lbl1"));
    lbl1->setFont(fonts::byPixels(QStringLiteral("宋体"), 13));
    lbl1->setStyleSheet(QStringLiteral("color: grey;"));
    lbl1->setGeometry(8, 8, 120, 16);
    // One column of 14 rows of 25 pixels; each line sits just above a rule.
    drwgrd16 = new TRuledGrid(Panel2);
    drwgrd16->setObjectName(QStringLiteral("drwgrd16"));
    drwgrd16->setGeometry(3, 30, 194, 14 * 26);
    drwgrd16->SetRows(14, 25);
    for (int n = 1; n <= kMemoLines; ++n) {
        auto* e = new TLineBox(n, Panel2);
        e->setObjectName(QStringLiteral("edt%1").arg(n));
        e->setFont(fonts::byPixels(QStringLiteral("宋体"), 12));
        e->setGeometry(7, kLineTops[n - 1], 177, 17);
        edt[size_t(n - 1)] = e;
    }
    for (int n = 1; n < kMemoLines; ++n) QWidget::setTabOrder(edt[size_t(n - 1)], edt[size_t(n)]);
}

} // namespace kuvano::notes
