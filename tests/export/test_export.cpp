#include "export/notes_export.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::exporting;

namespace {

// The 42 grid days of a month, Sunday first, as the desk grid holds them.
std::array<DeskCell, kDeskCells> gridOf(const QDate& shown) {
    const QDate first(shown.year(), shown.month(), 1);
    const QDate origin = first.addDays(-(first.dayOfWeek() % 7));
    std::array<DeskCell, kDeskCells> cells;
    for (int i = 0; i < kDeskCells; ++i) cells[size_t(i)].date = origin.addDays(i);
    return cells;
}

} // namespace

TEST(NotesExport, DeskMonthLabelsDaysOfTheShownMonthAndRecordsTheOthers) {
    const QDate june(2010, 6, 15);
    auto cells = gridOf(june); // starts on Sunday 30 May 2010
    cells[2].text = QStringLiteral("  \t体检\r\n带上病历本 \r\n");
    cells[41].text = QStringLiteral("七月的事");
    const QStringList lines = DeskExportLines(june, cells);
    ASSERT_EQ(lines.size(), 1 + 42 + 1); // the two-line note adds one line
    EXPECT_EQ(lines[0], QStringLiteral("2010年6月-月记事"));
    EXPECT_EQ(lines[1], QStringLiteral("记录："));       // 30 May
    EXPECT_EQ(lines[2], QStringLiteral("记录："));       // 31 May
    EXPECT_EQ(lines[3], QStringLiteral("6月1号：体检")); // trimmed, first line
    EXPECT_EQ(lines[4], QStringLiteral("带上病历本"));   // no prefix
    EXPECT_EQ(lines[33], QStringLiteral("6月30号："));
    EXPECT_EQ(lines[34], QStringLiteral("记录：")); // 1 July
    EXPECT_EQ(lines.last(), QStringLiteral("记录：七月的事"));

    // Only the month numbers count: December 2009's days in a December grid.
    auto dec = gridOf(QDate(2010, 12, 1));
    dec[0].date = QDate(2009, 12, 28);
    EXPECT_EQ(DeskExportLines(QDate(2010, 12, 1), dec)[1], QStringLiteral("12月28号："));
}

TEST(NotesExport, YearAndGeneralPagesHaveTheirFixedLines) {
    std::array<QString, 12> months;
    const QStringList empty = YearExportLines(2010, months);
    ASSERT_EQ(empty.size(), 13);
    EXPECT_EQ(empty[0], QStringLiteral("2010年-年度记事"));
    EXPECT_EQ(empty[1], QStringLiteral("一月份："));
    EXPECT_EQ(empty[11], QStringLiteral("十一月份："));
    EXPECT_EQ(empty[12], QStringLiteral("十二月份")); // no colon
    months[11] = QStringLiteral("年终总结");
    EXPECT_EQ(YearExportLines(2010, months)[12], QStringLiteral("十二月份年终总结"));

    std::array<QString, kDeskCells> texts;
    texts[41] = QStringLiteral(" 最后一行 ");
    const QStringList general = GeneralExportLines(texts);
    ASSERT_EQ(general.size(), 43);
    EXPECT_EQ(general[0], QStringLiteral("一般记事"));
    EXPECT_EQ(general[1], QStringLiteral("记录："));
    EXPECT_EQ(general[42], QStringLiteral("记录：最后一行"));
}

TEST(NotesExport, TrimRemovesBlanksAndControlsOnlyAtTheEnds) {
    EXPECT_EQ(TrimText(QStringLiteral("\x01\r\n a\r\n\r\nb \x1f")), QStringLiteral("a\r\n\r\nb"));
    EXPECT_EQ(TrimText(QStringLiteral(" \r\n\t ")), QString());
    EXPECT_EQ(TrimText(QStringLiteral("　全角空格　")), QStringLiteral("　全角空格　"));
}

TEST(NotesExport, FileIsUtf8WithCrLfEverywhereReplacedWholeAndNamedWithTxt) {
    test::TempProgramFolder pf;
    const QString path = ExportFileName(pf.path(QStringLiteral("notes.txt")));
    EXPECT_TRUE(path.endsWith(QStringLiteral("notes.txt.txt")));
    pf.writeBytes(QStringLiteral("notes.txt.txt"), QByteArray(5000, 'x'));
    ASSERT_EQ(WriteExportFile(path, {QStringLiteral("一般记事"), QStringLiteral("记录：√")}),
              QString());
    EXPECT_EQ(pf.readBytes(QStringLiteral("notes.txt.txt")),
              QByteArray("\xe4\xb8\x80\xe8\x88\xac\xe8\xae\xb0\xe4\xba\x8b\r\n"
                         "\xe8\xae\xb0\xe5\xbd\x95\xef\xbc\x9a\xe2\x88\x9a\r\n"));
}

TEST(NotesExport, AnUnwritableFolderGivesTheReasonAndLeavesNoFile) {
    test::TempProgramFolder pf;
    // A folder where the file should be: nothing can be written in its place.
    QDir().mkpath(pf.path(QStringLiteral("taken.txt")));
    const QString why =
        WriteExportFile(pf.path(QStringLiteral("taken.txt")), {QStringLiteral("x")});
    EXPECT_FALSE(why.isEmpty());
    const QString missing = pf.path(QStringLiteral("no/such/folder/a.txt"));
    EXPECT_FALSE(WriteExportFile(missing, {QStringLiteral("x")}).isEmpty());
    EXPECT_FALSE(QFile::exists(missing));
    const QStringList left = QDir(pf.path(QString())).entryList(QDir::Files);
    EXPECT_TRUE(left.filter(QStringLiteral("taken")).isEmpty());
}
