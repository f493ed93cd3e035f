#include "calendarctl/JvTFMonths.h"

#include <QCoreApplication>
#include <QImage>
#include <QLocale>
#include <QPaintEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using kuvano::JvTFMonths;

namespace {

QString shortMonth(int month) {
    return QLocale().monthName(month, QLocale::ShortFormat);
}

QString withMonth(int month, int day) {
    return shortMonth(month) + u' ' + QString::number(day);
}

// 1000 x 600: six columns of 143 and one of 142; rows of 97, 97, 97, 97, 96, 96.
constexpr int kWidth = 1000;
constexpr int kHeight = 600;

struct Grid {
    JvTFMonths grid;
    explicit Grid(const QDate& shown, bool visible = false) {
        grid.resize(kWidth, kHeight);
        grid.setDisplayDate(shown);
        if (visible) {
            grid.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&grid));
        }
    }
};

bool anyPixel(const QImage& image, const QRect& area, const std::function<bool(QColor)>& match) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (match(image.pixelColor(x, y))) return true;
    return false;
}

bool isNavy(QColor c) {
    return c.blue() > 90 && c.red() < 60 && c.green() < 60;
}
bool isExtraGrey(QColor c) {
    return c.red() > 195 && c.red() < 225 && c.red() == c.green() && c.green() == c.blue();
}
bool isDark(QColor c) {
    return c.red() < 60 && c.green() < 60 && c.blue() < 60;
}

} // namespace

TEST(DeskGridDates, May2010StartsOnTheSundayBeforeTheFirst) {
    Grid g(QDate(2010, 5, 17));
    const JvTFMonths& m = g.grid;
    EXPECT_EQ(m.origin(), QDate(2010, 4, 25));
    EXPECT_EQ(m.dateOfCell(0), QDate(2010, 4, 25));
    EXPECT_EQ(m.dateOfCell(6), QDate(2010, 5, 1));
    EXPECT_EQ(m.dateOfCell(36), QDate(2010, 5, 31));
    for (int cell = 37; cell <= 41; ++cell) {
        EXPECT_EQ(m.dateOfCell(cell), QDate(2010, 6, cell - 36));
        EXPECT_TRUE(m.isExtraDay(cell));
    }
    for (int cell = 0; cell < 6; ++cell) EXPECT_TRUE(m.isExtraDay(cell)) << cell;
    for (int cell = 6; cell <= 36; ++cell) EXPECT_FALSE(m.isExtraDay(cell)) << cell;

    EXPECT_EQ(m.dayLabel(0), withMonth(4, 25));
    EXPECT_EQ(m.dayLabel(1), QStringLiteral("26"));
    EXPECT_EQ(m.dayLabel(6), QStringLiteral("1")); // first of the shown month: number only
    EXPECT_EQ(m.dayLabel(36), QStringLiteral("31"));
    EXPECT_EQ(m.dayLabel(37), withMonth(6, 1));
    EXPECT_EQ(m.dayLabel(38), QStringLiteral("2"));
}

TEST(DeskGridDates, MonthsStartingOnSunday) {
    Grid g(QDate(2010, 8, 1));
    const JvTFMonths& m = g.grid;
    EXPECT_EQ(m.dateOfCell(0), QDate(2010, 8, 1));
    EXPECT_FALSE(m.isExtraDay(0));
    EXPECT_EQ(m.dayLabel(0), withMonth(8, 1)); // cell 0 always names its month
    for (int cell = 31; cell <= 41; ++cell)
        EXPECT_EQ(m.dateOfCell(cell), QDate(2010, 9, cell - 30));
    EXPECT_EQ(m.dayLabel(31), withMonth(9, 1));

    g.grid.setDisplayDate(QDate(2015, 2, 10));
    EXPECT_EQ(m.dateOfCell(0), QDate(2015, 2, 1));
    EXPECT_EQ(m.dateOfCell(27), QDate(2015, 2, 28));
    for (int cell = 28; cell <= 41; ++cell) {
        EXPECT_EQ(m.dateOfCell(cell), QDate(2015, 3, cell - 27));
        EXPECT_TRUE(m.isExtraDay(cell));
    }
    EXPECT_EQ(m.dayLabel(28), withMonth(3, 1));
}

TEST(DeskGridDates, EveryMonthOf1900To2100) {
    JvTFMonths m;
    for (int year = 1900; year <= 2100; ++year) {
        for (int month = 1; month <= 12; ++month) {
            const QDate first(year, month, 1);
            m.setDisplayDate(first.addDays(first.daysInMonth() - 1));
            const QDate origin = m.dateOfCell(0);
            ASSERT_EQ(origin.dayOfWeek(), Qt::Sunday) << year << '-' << month;
            ASSERT_LE(origin, first);
            ASSERT_GT(origin.addDays(7), first);
            for (int cell = 0; cell < JvTFMonths::CellCount; ++cell) {
                const QDate d = m.dateOfCell(cell);
                ASSERT_EQ(d, origin.addDays(cell));
                ASSERT_EQ(m.cellOfDate(d), cell);
                ASSERT_EQ(m.isExtraDay(cell), d.month() != month)
                    << d.toString(Qt::ISODate).toStdString();
            }
            ASSERT_EQ(m.cellOfDate(origin.addDays(-1)), -1);
            ASSERT_EQ(m.cellOfDate(origin.addDays(JvTFMonths::CellCount)), -1);
        }
    }
    EXPECT_FALSE(m.dateOfCell(-1).isValid());
    EXPECT_FALSE(m.dateOfCell(42).isValid());
    EXPECT_EQ(m.cellOfDate(QDate()), -1);
    EXPECT_TRUE(m.dayLabel(42).isEmpty());
}

TEST(DeskGridDates, DisplayDateSignalsOnlyRealChanges) {
    JvTFMonths m;
    m.setDisplayDate(QDate(2010, 5, 3));
    QSignalSpy changed(&m, &JvTFMonths::displayDateChanged);
    m.setDisplayDate(QDate(2010, 5, 3));
    m.setDisplayDate(QDate());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(m.displayDate(), QDate(2010, 5, 3));
    m.setDisplayDate(QDate(2010, 6, 3));
    EXPECT_EQ(changed.count(), 1);
}

TEST(DeskGridGeometry, SplitsGiveTheExtraPixelsToTheFirstParts) {
    EXPECT_EQ(JvTFMonths::split(1000, 7), (QList<int>{143, 143, 143, 143, 143, 143, 142}));
    EXPECT_EQ(JvTFMonths::split(580, 6), (QList<int>{97, 97, 97, 97, 96, 96}));
    EXPECT_EQ(JvTFMonths::split(700, 7), QList<int>(7, 100));
    EXPECT_EQ(JvTFMonths::split(3, 7), (QList<int>{1, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(JvTFMonths::split(-5, 6), QList<int>(6, 0));
    for (int length = 0; length < 300; ++length) {
        int sum = 0;
        for (int s : JvTFMonths::split(length, 7)) sum += s;
        ASSERT_EQ(sum, length);
    }
}

TEST(DeskGridGeometry, CellsTileTheClientBelowTheWeekdayRow) {
    for (const QSize size : {QSize(kWidth, kHeight), QSize(1103, 677), QSize(706, 145)}) {
        JvTFMonths m;
        m.resize(size);
        QRegion covered;
        int area = 0;
        for (int cell = 0; cell < JvTFMonths::CellCount; ++cell) {
            const QRect r = m.cellRect(cell);
            area += r.width() * r.height();
            covered += r;
            ASSERT_EQ(m.cellAt(r.topLeft()), cell);
            ASSERT_EQ(m.cellAt(r.bottomRight()), cell);
            ASSERT_EQ(m.stripRect(cell), QRect(r.topLeft(), QSize(r.width(), 20)));
        }
        const QRect client(0, 20, size.width(), size.height() - 20);
        EXPECT_EQ(area, client.width() * client.height()) << "gap or overlap";
        EXPECT_EQ(covered, QRegion(client));
        EXPECT_EQ(m.cellAt(QPoint(5, 19)), -1); // weekday row
        EXPECT_EQ(m.cellAt(QPoint(size.width(), 30)), -1);
        EXPECT_EQ(m.cellAt(QPoint(5, size.height())), -1);
        EXPECT_EQ(m.cellAt(QPoint(-1, 30)), -1);
    }
    JvTFMonths m;
    m.resize(kWidth, kHeight);
    EXPECT_EQ(m.cellRect(0), QRect(0, 20, 143, 97));
    EXPECT_EQ(m.cellRect(6), QRect(858, 20, 142, 97));
    EXPECT_EQ(m.cellRect(41), QRect(858, 504, 142, 96));
    EXPECT_TRUE(m.cellRect(42).isNull());
}

TEST(DeskGridGeometry, PageBoxesLeaveEveryStripVisible) {
    // The desk page's box layout for 1000 x 600: W 137, B 76, rW 3, rH 1.
    JvTFMonths m;
    m.resize(kWidth, kHeight);
    const int w = 137, b = 76, rw = 3;
    int lefts[7] = {6};
    for (int i = 1; i < 7; ++i) lefts[i] = lefts[i - 1] + w + (i <= rw ? 6 : 5);
    for (int n = 1; n <= 42; ++n) {
        const int row = (n - 1) / 7;
        const int height = n <= 21 ? b - 4 : n <= 35 ? b - 6 : b - 8;
        const QRect box(lefts[(n - 1) % 7], 45 + row * (b + 21), w, height);
        EXPECT_TRUE(m.cellRect(n - 1).contains(box)) << "box " << n;
        EXPECT_FALSE(box.intersects(m.stripRect(n - 1))) << "box " << n;
    }
}

TEST(DeskGridSelection, ClickOnAStripSelectsItAndRaisesClick) {
    Grid g(QDate(2010, 5, 1), true);
    JvTFMonths& m = g.grid;
    QSignalSpy clicked(&m, &JvTFMonths::clicked);
    QSignalSpy changed(&m, &JvTFMonths::selectedCellChanged);
    EXPECT_EQ(m.selectedCell(), -1);
    EXPECT_EQ(m.selectedDate(), QDate(2010, 4, 25)); // nothing selected: cell 0

    // Selection is already in place when the click handler runs.
    QList<int> selectedAtClick;
    QObject::connect(&m, &JvTFMonths::clicked, [&] { selectedAtClick.append(m.selectedCell()); });
    QTest::mouseClick(&m, Qt::LeftButton, {}, m.stripRect(10).center());
    EXPECT_EQ(m.selectedCell(), 10);
    EXPECT_EQ(m.selectedDate(), QDate(2010, 5, 5));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(selectedAtClick, QList<int>{10});

    // The same strip again, with Ctrl: still one selected cell, a click but no change.
    QTest::mouseClick(&m, Qt::LeftButton, Qt::ControlModifier, m.stripRect(10).topLeft());
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_EQ(changed.count(), 1);
    QTest::mouseClick(&m, Qt::LeftButton, Qt::ShiftModifier, m.stripRect(12).bottomRight());
    EXPECT_EQ(m.selectedCell(), 12);
    EXPECT_EQ(changed.count(), 2);

    // Cell 0 only clears; the selected day falls back to it.
    QTest::mouseClick(&m, Qt::LeftButton, {}, m.stripRect(0).center());
    EXPECT_EQ(m.selectedCell(), -1);
    EXPECT_EQ(m.selectedDate(), m.dateOfCell(0));
    EXPECT_EQ(clicked.count(), 4);
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(changed.last().at(0).toInt(), -1);
}

TEST(DeskGridSelection, OtherPressesChangeNothing) {
    Grid g(QDate(2010, 5, 1), true);
    JvTFMonths& m = g.grid;
    m.selectCell(20);
    QSignalSpy clicked(&m, &JvTFMonths::clicked);
    QSignalSpy changed(&m, &JvTFMonths::selectedCellChanged);
    const QRect body = m.cellRect(15).adjusted(0, 20, 0, 0);
    QTest::mouseClick(&m, Qt::LeftButton, {}, body.center());   // under the note box
    QTest::mouseClick(&m, Qt::LeftButton, {}, QPoint(200, 10)); // weekday row
    QTest::mouseClick(&m, Qt::RightButton, {}, m.stripRect(15).center());
    // Pressed on one strip, released on another.
    QTest::mousePress(&m, Qt::LeftButton, {}, m.stripRect(15).center());
    QTest::mouseRelease(&m, Qt::LeftButton, {}, m.stripRect(16).center());
    EXPECT_EQ(m.selectedCell(), 20);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(changed.count(), 0);
}

TEST(DeskGridSelection, SelectingFromCode) {
    Grid g(QDate(2010, 5, 1));
    JvTFMonths& m = g.grid;
    QSignalSpy changed(&m, &JvTFMonths::selectedCellChanged);
    EXPECT_TRUE(m.selectDate(QDate(2010, 5, 31)));
    EXPECT_EQ(m.selectedCell(), 36);
    EXPECT_TRUE(m.selectCell(36));
    EXPECT_EQ(changed.count(), 1);

    EXPECT_FALSE(m.selectDate(QDate(2010, 6, 6))); // not shown: selection kept
    EXPECT_FALSE(m.selectCell(42));
    EXPECT_FALSE(m.selectCell(-2));
    EXPECT_EQ(m.selectedCell(), 36);
    EXPECT_EQ(changed.count(), 1);

    EXPECT_TRUE(m.selectDate(QDate(2010, 4, 25))); // cell 0
    EXPECT_EQ(m.selectedCell(), -1);
    EXPECT_TRUE(m.selectCell(0));
    EXPECT_EQ(changed.count(), 2);

    // The selected cell stays put when the month changes, as does the page's current box.
    m.selectCell(9);
    m.setDisplayDate(QDate(2010, 8, 20));
    EXPECT_EQ(m.selectedCell(), 9);
    EXPECT_EQ(m.selectedDate(), QDate(2010, 8, 10));
}

TEST(DeskGridPaint, TitleRowStripsAndSelection) {
    Grid g(QDate(2010, 5, 1));
    JvTFMonths& m = g.grid;
    m.selectCell(10); // Wednesday 5 May
    QImage image = m.grab().toImage();
    ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
    image.save(QStringLiteral("/tmp/kuvano_desk_grid.png"));

    EXPECT_EQ(image.pixelColor(3, 3), QColor(166, 202, 240));
    const QRect weekdays(0, 0, kWidth, 20);
    EXPECT_TRUE(anyPixel(image, weekdays, [](QColor c) {
        return c.green() > 100 && c.green() == c.blue() && c.red() < 40; // teal letters
    }));

    const auto stripInside = [&](int cell) { return m.stripRect(cell).adjusted(2, 2, -3, -2); };
    EXPECT_EQ(image.pixelColor(stripInside(10).topLeft()), QColor(192, 220, 192));
    EXPECT_TRUE(anyPixel(image, stripInside(10), isDark));
    EXPECT_EQ(image.pixelColor(stripInside(11).topLeft()), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(m.cellRect(11).center()), QColor(192, 220, 192)); // body

    // 2 May is a Sunday, 8 May a Saturday: navy; 4 May: black; 25 April and 1 June: grey.
    EXPECT_TRUE(anyPixel(image, stripInside(7), isNavy));
    EXPECT_TRUE(anyPixel(image, stripInside(13), isNavy));
    EXPECT_TRUE(anyPixel(image, stripInside(9), isDark));
    EXPECT_FALSE(anyPixel(image, stripInside(9), isNavy));
    for (int cell : {0, 37}) {
        EXPECT_TRUE(anyPixel(image, stripInside(cell), isExtraGrey)) << cell;
        EXPECT_FALSE(anyPixel(image, stripInside(cell), isNavy)) << cell;
    }
}

TEST(DeskGridPaint, RepaintsFollowSelectionAndMonth) {
    Grid g(QDate(2010, 5, 1));
    JvTFMonths& m = g.grid;
    m.selectCell(10);
    (void)m.grab(); // the buffer is drawn; what follows patches or rebuilds it
    m.selectCell(20);
    QImage image = m.grab().toImage();
    const auto inside = [&](int cell) {
        return m.stripRect(cell).adjusted(2, 2, -3, -2).topLeft();
    };
    EXPECT_EQ(image.pixelColor(inside(10)), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(inside(20)), QColor(192, 220, 192));

    // Selecting cell 0 leaves no strip green.
    m.selectCell(0);
    image = m.grab().toImage();
    for (int cell = 0; cell < JvTFMonths::CellCount; ++cell)
        ASSERT_EQ(image.pixelColor(inside(cell)), QColor(Qt::white)) << cell;

    // August 2010: cell 35 (5 September, a Sunday) is now an extra day in grey.
    EXPECT_TRUE(anyPixel(image, m.stripRect(35).adjusted(2, 2, -3, -2), isNavy));
    m.setDisplayDate(QDate(2010, 8, 1));
    image = m.grab().toImage();
    EXPECT_FALSE(anyPixel(image, m.stripRect(35).adjusted(2, 2, -3, -2), isNavy));
    EXPECT_TRUE(anyPixel(image, m.stripRect(35).adjusted(2, 2, -3, -2), isExtraGrey));

    // 700 x 500: columns of 100, rows of 80.
    m.resize(700, 500);
    image = m.grab().toImage();
    ASSERT_EQ(image.size(), QSize(700, 500));
    EXPECT_EQ(image.pixelColor(100, 10), QColor(255, 255, 255)); // raised edge of "M"
    EXPECT_EQ(image.pixelColor(50, 105), QColor(Qt::white));     // strip of cell 7
    EXPECT_EQ(image.pixelColor(50, 150), QColor(192, 220, 192)); // its body
}

TEST(DeskGridPaint, SelectionRepaintsOnlyTheTwoStrips) {
    Grid g(QDate(2010, 5, 1), true);
    JvTFMonths& m = g.grid;
    m.selectCell(10);
    QCoreApplication::processEvents();

    struct PaintRecorder : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
            return false;
        }
    } recorder;
    m.installEventFilter(&recorder);
    m.selectCell(20);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.painted.isEmpty(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder.painted, QRegion(m.stripRect(10)) + m.stripRect(20));
    m.removeEventFilter(&recorder);
}
