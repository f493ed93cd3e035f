#include "notebook.h"
#include "notes/MainState.h"
#include "rtf/rtf.h"
#include "store/untdb.h"
#include "support/store_peek.h"
#include "support/test_support.h"

#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::notes;

namespace {

QVariant firstRowField(TDM& dm, const QString& statement, const QString& column) {
    return test::firstRowField(dm.connection(), statement, column);
}

int rowCount(TDM& dm, const QString& table) {
    return test::rowCount(dm.connection(), table);
}

} // namespace

TEST(Notebook, FillsEveryPageTheProgramReads) {
    test::TempProgramFolder pf;
    const notebook::Spec spec{2, 1500, 2010, true};
    const auto counts = notebook::makeNotebook(pf.folder().root(), spec);
    EXPECT_EQ(counts.months, 24);
    EXPECT_EQ(counts.days, 365 * 2);
    EXPECT_EQ(counts.years, 2);
    EXPECT_FALSE(pf.exists(TDM::relativePath() + QStringLiteral("-wal")));

    TDM dm(pf.folder());
    ASSERT_TRUE(dm.creationError().isEmpty()) << dm.creationError().toStdString();
    const std::pair<const char16_t*, int> rows[] = {
        {u"TailiNew", 24}, {u"edtText", 24},  {u"edtTextColor", 24}, {u"TailiNew_day", 730},
        {u"YearJishi", 2}, {u"RiliJishi", 1}, {u"RiliColor", 1},     {u"beiwanglu", 1}};
    for (const auto& [table, n] : rows)
        EXPECT_EQ(rowCount(dm, QString::fromUtf16(table)), n)
            << QString::fromUtf16(table).toStdString();

    // The desk page's month 2010-5 as the page reads it: 42 notes of about
    // the asked size, every one readable, in several faces and colours.
    const auto month = dm.notes().loadDeskMonth(QStringLiteral("20105"));
    QSet<QString> faces;
    QSet<QRgb> colours;
    bool latin = false;
    for (int cell = 1; cell <= kDeskCells; ++cell) {
        const QByteArray rtf = month[size_t(cell - 1)];
        EXPECT_GE(rtf.size(), 1500);
        EXPECT_LT(rtf.size(), 1500 + 400) << cell;
        QTextDocument doc;
        rtf::read(rtf, doc);
        EXPECT_EQ(doc.begin().text(), QStringLiteral("2010年5月 第%1格").arg(cell));
        latin = latin || doc.toPlainText().contains(QLatin1Char('e'));
        for (auto b = doc.begin(); b != doc.end(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                faces.insert(it.fragment().charFormat().fontFamilies().toStringList().value(0));
                colours.insert(it.fragment().charFormat().foreground().color().rgb());
            }
    }
    EXPECT_TRUE(latin);
    EXPECT_GE(faces.size(), 5);
    EXPECT_GE(colours.size(), 4);

    // Day notes under the program's own day key; the yearly notes; one-line notes.
    QTextDocument day;
    rtf::read(firstRowField(dm,
                            QStringLiteral("select * from TailiNew_day where daydate='2010-5-3'"),
                            QStringLiteral("daycontent"))
                  .toByteArray(),
              day);
    EXPECT_EQ(day.begin().text(), QStringLiteral("2010年5月3日 日安排"));
    EXPECT_GE(firstRowField(dm, QStringLiteral("select * from YearJishi where year=2009"),
                            QStringLiteral("Month12"))
                  .toByteArray()
                  .size(),
              1500);
    EXPECT_FALSE(firstRowField(dm,
                               QStringLiteral("select * from edtText where edtYearMonth='200912'"),
                               QStringLiteral("Text42"))
                     .toString()
                     .isEmpty());
    EXPECT_TRUE(
        firstRowField(dm, QStringLiteral("select * from edtTextColor where edtYearMonth='20091'"),
                      QStringLiteral("Color1"))
            .isValid());
    EXPECT_FALSE(firstRowField(dm, QStringLiteral("select * from beiwanglu where memkey='bwl'"),
                               QStringLiteral("Line11"))
                     .toString()
                     .isEmpty());
}

TEST(Notebook, SameArgumentsSameFileAndNeverReplacesNotes) {
    test::TempProgramFolder a, b;
    const notebook::Spec spec{1, 600, 2012, false};
    notebook::makeNotebook(a.folder().root(), spec);
    notebook::makeNotebook(b.folder().root(), spec);
    const QByteArray bytes = a.readBytes(TDM::relativePath());
    ASSERT_GT(bytes.size(), 100000);
    EXPECT_EQ(bytes, b.readBytes(TDM::relativePath()));
    EXPECT_THROW(notebook::makeNotebook(a.folder().root(), spec), sql::Error);
    EXPECT_EQ(a.readBytes(TDM::relativePath()), bytes);
    // Another seed gives other notes of the same size.
    EXPECT_NE(notebook::noteRtf(1, 800, QStringLiteral("t")),
              notebook::noteRtf(2, 800, QStringLiteral("t")));
}
