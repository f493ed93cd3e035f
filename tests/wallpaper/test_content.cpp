#include "picture_support.h"
#include "support/pictures.h"
#include "support/test_support.h"
#include "wallpaper/bmp_codec.h"
#include "wallpaper/picture_error.h"
#include "wallpaper/uDeskBGSet.h"

#include <QDir>
#include <QPainter>
#include <gtest/gtest.h>

using namespace kuvano::wallpaper;

namespace {

// The desk page of a month: cell k covers grid cell k - 1, the grid starting
// on the Sunday on or before the first.
DeskPageTexts deskPage(QDate shown) {
    DeskPageTexts page;
    page.shownDate = shown;
    const QDate first(shown.year(), shown.month(), 1);
    const QDate origin = first.addDays(-(first.dayOfWeek() % 7));
    for (int e = 0; e < kContentEntries; ++e) page.cellDates[size_t(e)] = origin.addDays(e);
    return page;
}

// The ink in `area`: one white column to its left (the gap every entry has)
// is the ground the pixels are compared with.
QRect inkIn(const QImage& image, const QRect& area) {
    return kuvano::test::inkBox(image, area.adjusted(-1, 0, 0, 0));
}

} // namespace

TEST(ContentFill, MonthLabelsForMay2010) {
    ContentTable table;
    DeskPageTexts page = deskPage(QDate(2010, 5, 15));
    ASSERT_EQ(page.cellDates[0], QDate(2010, 4, 25));
    page.texts[6] = QStringLiteral("  开会\r\n\r\n带资料 \r\n");
    page.texts[7] = QStringLiteral(" \r\n  \r\n");
    FillMonthContent(table, page);
    for (int e = 0; e <= 5; ++e) EXPECT_EQ(table[size_t(e)].dayLabel, QStringLiteral("S")) << e;
    EXPECT_EQ(table[6].dayLabel, QStringLiteral("1"));
    EXPECT_EQ(table[36].dayLabel, QStringLiteral("31"));
    for (int e = 37; e <= 41; ++e) EXPECT_EQ(table[size_t(e)].dayLabel, QStringLiteral("S")) << e;
    EXPECT_EQ(table[6].note, QStringLiteral("开会\r\n\r\n带资料"));
    EXPECT_EQ(table[7].note, QString());

    // Only month numbers count: a May of another year still gets its day.
    page.cellDates[0] = QDate(2011, 5, 9);
    FillMonthContent(table, page);
    EXPECT_EQ(table[0].dayLabel, QStringLiteral("9"));

    // The notes fill writes notes only: the month's labels stay.
    std::array<QString, kContentEntries> notes;
    notes[0] = QStringLiteral("\t第一行  ");
    FillNotesContent(table, notes);
    EXPECT_EQ(table[0].note, QStringLiteral("第一行"));
    EXPECT_EQ(table[6].note, QString());
    EXPECT_EQ(table[36].dayLabel, QStringLiteral("31"));
}

TEST(ContentFill, TrimRemovesOnlyCharactersUpToCode32) {
    const struct {
        const char16_t* in;
        const char16_t* out;
    } cases[] = {
        {u"  a\r\n b \t", u"a\r\n b"},
        {u"\r\n  \r\n", u""},
        {u"x\r\n\r\ny", u"x\r\n\r\ny"},
        {u"\x01\x1f"
         u"abc\x7f",
         u"abc\x7f"},
        {u"\u3000全角空格\u3000", u"\u3000全角空格\u3000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrimControls(QString::fromUtf16(c.in)), QString::fromUtf16(c.out));
}

TEST(ContentPicture, EntryRectangles) {
    const struct {
        QRect rect;
        int left, top, right, bottom; // Windows rectangles
    } cases[] = {
        {MonthEntryRect(0), 2, 22, 105, 98},   {MonthEntryRect(6), 644, 22, 747, 98},
        {MonthEntryRect(7), 2, 102, 105, 178}, {MonthEntryRect(41), 644, 422, 747, 498},
        {NotesEntryRect(0), 4, 0, 322, 23},    {NotesEntryRect(1), 338, 0, 656, 23},
        {NotesEntryRect(2), 4, 23, 322, 46},   {NotesEntryRect(41), 338, 460, 656, 483},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.rect, QRect(QPoint(c.left, c.top), QPoint(c.right - 1, c.bottom - 1)));
    }
}

// Black text on white: every ink pixel lies in an entry's rectangle or the
// title row; the lines are white on white; long notes are cut at the rectangle.
TEST(ContentPicture, MonthTextStaysInsideItsCells) {
    ContentTable table;
    DeskPageTexts page = deskPage(QDate(2010, 5, 15));
    QString longNote;
    for (int i = 0; i < 60; ++i) longNote += QStringLiteral("很长的一条记事 ");
    page.texts[8] = longNote;
    page.texts[9] = QStringLiteral("a\r\nb");
    page.texts[10] = QStringLiteral("a\r\n\r\nb");
    FillMonthContent(table, page);
    const QImage picture = DrawMonthPicture(table);
    ASSERT_EQ(picture.size(), QSize(750, 500));

    QImage outside = picture.copy();
    for (int e = 0; e < kContentEntries; ++e) {
        const QRect rect = MonthEntryRect(e);
        const QRect ink = inkIn(picture, rect);
        EXPECT_FALSE(ink.isEmpty()) << "entry " << e << " shows no label";
        QPainter(&outside).fillRect(rect, Qt::white);
    }
    QPainter(&outside).fillRect(QRect(0, 0, 750, 20), Qt::white);
    EXPECT_TRUE(kuvano::test::inkBox(outside, outside.rect()).isEmpty()) << "ink outside the cells";

    // Only pure white and the text colour: smoothed glyph edges (near-white
    // greys) would be blended by the mix into a pale halo round the text.
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y) & 0xffffff;
            ASSERT_TRUE(p == 0xffffff || p == 0) << x << "," << y << ": " << std::hex << p;
        }

    // The long note fills its cell to the bottom; a blank line inside a note stays.
    EXPECT_GE(inkIn(picture, MonthEntryRect(8)).bottom(), MonthEntryRect(8).bottom() - 12);
    EXPECT_GT(inkIn(picture, MonthEntryRect(10)).bottom(),
              inkIn(picture, MonthEntryRect(9)).bottom() + 8);
    // A label alone takes one line.
    EXPECT_LT(inkIn(picture, MonthEntryRect(20)).height(), 14);
    // Chinese is drawn as glyphs, not as one replacement box for all.
    EXPECT_NE(DrawMonthPicture([] {
                  ContentTable t;
                  t[0].note = QStringLiteral("中");
                  return t;
              }()),
              DrawMonthPicture([] {
                  ContentTable t;
                  t[0].note = QStringLiteral("文");
                  return t;
              }()));
}

TEST(ContentPicture, LinesWhereTheyAreDrawn) {
    const ContentColors visible{Qt::black, Qt::red};
    const QImage month = DrawMonthPicture(ContentTable(), visible);
    const auto red = [](const QImage& image, int x, int y) {
        return image.pixel(x, y) == qRgb(255, 0, 0);
    };
    for (int x : {0, 300, 749})
        for (int y : {0, 20, 100, 180, 260, 340, 420, 499})
            EXPECT_TRUE(red(month, x, y)) << x << "," << y;
    EXPECT_FALSE(red(month, 300, 60));
    for (int c = 0; c <= 7; ++c) EXPECT_TRUE(red(month, c == 7 ? 749 : 107 * c, 250)) << c;
    EXPECT_FALSE(red(month, 50, 250));

    ContentTable table;
    for (int e = 0; e < kContentEntries; ++e)
        table[size_t(e)].note = QStringLiteral("记事 %1").arg(e);
    const QImage notes = DrawNotesPicture(table, visible);
    ASSERT_EQ(notes.size(), QSize(660, 500));
    for (int i = 1; i <= 21; ++i) {
        EXPECT_TRUE(red(notes, 4, 23 * i) && red(notes, 321, 23 * i)) << i;
        EXPECT_TRUE(red(notes, 338, 23 * i) && red(notes, 655, 23 * i)) << i;
        EXPECT_FALSE(red(notes, 330, 23 * i)) << i; // a gap between the columns
        EXPECT_FALSE(red(notes, 3, 23 * i - 5)) << "no vertical line";
    }
    // Notes sit on the bottom of their line (the line above ends on this
    // rectangle's top row: drawn white here, as the program draws it).
    const QRect ink = inkIn(DrawNotesPicture(table), NotesEntryRect(41));
    EXPECT_GE(ink.bottom(), NotesEntryRect(41).bottom() - 6);
    EXPECT_GE(ink.top(), NotesEntryRect(41).top() + 4);
}

TEST(ContentPicture, DrawWritesContentBmpOrRaises) {
    kuvano::test::TempProgramFolder pf;
    TDeskBGSetFrm holder(pf.folder());
    EXPECT_EQ(holder.contentPath(), pf.path(QStringLiteral("source/DeskTopBG/Content.bmp")));
    holder.DrawMonthContent();
    EXPECT_EQ(loadBmp(holder.contentPath()).size(), QSize(750, 500));
    EXPECT_EQ(bmpDepthFor(loadBmp(holder.contentPath()).convertToFormat(QImage::Format_RGB32)), 32);
    holder.DrawNotesContent();
    EXPECT_EQ(loadBmp(holder.contentPath()).size(), QSize(660, 500));
    QDir(pf.path(QStringLiteral("source/DeskTopBG"))).removeRecursively();
    EXPECT_THROW(holder.DrawMonthContent(), PictureError);
}
