#include "app/Main.h"
#include "app/uFrmSetRecord.h"
#include "main_fixture.h"
#include "store/untdb.h"
#include "support/test_support.h"
#include "wallpaper/uInfoFrm.h"

#include <QComboBox>
#include <QLabel>
#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::app;
using kuvano::test::numbers;

namespace {
const QString kFormIni = QStringLiteral("DB3/form.ini");
} // namespace

TEST(WindowSizeFile, MissingFileGivesDefaultsForTheScreenAndIsWritten) {
    test::TempProgramFolder pf;
    const WindowSizeReading r = readWindowSizeFile(pf.path(kFormIni), QSize(1280, 1024));
    EXPECT_TRUE(r.rewritten);
    EXPECT_EQ(r.record, (WindowSizeRecord{1024, 738, 128, 128, 0, 0}));
    EXPECT_EQ(pf.readBytes(kFormIni), QByteArray("1024\r\n738\r\n128\r\n128\r\n0\r\n0\r\n"));
}

TEST(WindowSizeFile, DefaultsTruncateTowardZeroOnSmallScreens) {
    test::TempProgramFolder pf;
    // (800 - 1024) / 2 = -112; (600 - 738 - 30) / 2 = -84.
    const WindowSizeReading r = readWindowSizeFile(pf.path(kFormIni), QSize(800, 600));
    EXPECT_EQ(r.record.left, -112);
    EXPECT_EQ(r.record.top, -84);
    // (1023 - 1024) / 2 truncates to 0, not -1.
    EXPECT_EQ(defaultWindowSize(QSize(1023, 767)).left, 0);
}

TEST(WindowSizeFile, ReadsFiveOrSixLinesWithBlanksAndDefaultsABadIndex) {
    test::TempProgramFolder pf;
    pf.writeLines(kFormIni, {QStringLiteral(" 1280 "), QStringLiteral("770"), QStringLiteral("43"),
                             QStringLiteral("-16"), QStringLiteral("0")});
    WindowSizeReading r = readWindowSizeFile(pf.path(kFormIni), QSize(1366, 768));
    EXPECT_FALSE(r.rewritten);
    EXPECT_EQ(r.record, (WindowSizeRecord{1280, 770, 43, -16, 0, 0}));
    pf.writeLines(kFormIni, numbers({1024, 738, 1, 2, 0, 3}));
    EXPECT_EQ(readWindowSizeFile(pf.path(kFormIni), QSize(1366, 768)).record.fontSizeIndex, 3);
    for (const QString& bad : {QStringLiteral("7"), QStringLiteral("-1"), QStringLiteral("x")}) {
        pf.writeLines(kFormIni, numbers({1024, 738, 1, 2, 0}) << bad);
        r = readWindowSizeFile(pf.path(kFormIni), QSize(1366, 768));
        EXPECT_EQ(r.record.fontSizeIndex, 0);
        EXPECT_FALSE(r.rewritten);
    }
}

TEST(WindowSizeFile, ABadLineAmongTheFirstFiveRewritesTheDefaults) {
    test::TempProgramFolder pf;
    for (const QStringList& lines :
         {QStringList({QStringLiteral("1024"), QStringLiteral("abc"), QStringLiteral("1"),
                       QStringLiteral("2"), QStringLiteral("0"), QStringLiteral("0")}),
          numbers({1024, 738, 1, 2}), QStringList()}) {
        pf.writeLines(kFormIni, lines);
        const WindowSizeReading r = readWindowSizeFile(pf.path(kFormIni), QSize(1280, 1024));
        EXPECT_TRUE(r.rewritten);
        EXPECT_EQ(r.record, (WindowSizeRecord{1024, 738, 128, 128, 0, 0}));
        EXPECT_EQ(pf.readLines(kFormIni), numbers({1024, 738, 128, 128, 0, 0}));
    }
}

TEST(DateLine, NamesTheWeekdayInOneCharacter) {
    EXPECT_EQ(TMainForm::DateLine(QDate(2010, 6, 1)), QStringLiteral("今天是 2010年6月1日(二)"));
    EXPECT_EQ(TMainForm::DateLine(QDate(2026, 12, 13)),
              QStringLiteral("今天是 2026年12月13日(日)"));
    EXPECT_EQ(TMainForm::DateLine(QDate(2026, 12, 14)),
              QStringLiteral("今天是 2026年12月14日(一)"));
    EXPECT_EQ(TMainForm::DateLine(QDate(2011, 1, 15)), QStringLiteral("今天是 2011年1月15日(六)"));
}

TEST(WallpaperConfirmFile, CreatedHoldingOneAndReadAsAnInteger) {
    test::TempProgramFolder pf;
    const QString rel = wallpaper::confirmFileRelativePath();
    EXPECT_TRUE(wallpaper::readConfirmOption(pf.folder()));
    EXPECT_EQ(pf.readBytes(rel), QByteArray("1\r\n"));
    pf.writeLines(rel, {QStringLiteral("0")});
    EXPECT_FALSE(wallpaper::readConfirmOption(pf.folder()));
    pf.writeLines(rel, {QStringLiteral("-1")});
    EXPECT_FALSE(wallpaper::readConfirmOption(pf.folder()));
    pf.writeLines(rel, {QStringLiteral(" 3 ")});
    EXPECT_TRUE(wallpaper::readConfirmOption(pf.folder()));
    // Not a number: the forgiving reading asks.
    pf.writeLines(rel, {QStringLiteral("yes")});
    EXPECT_TRUE(wallpaper::readConfirmOption(pf.folder()));
    EXPECT_EQ(pf.readBytes(rel), QByteArray("yes\r\n"));
}

class MainWindowCreation : public ::testing::Test {
protected:
    test::TempProgramFolder pf;
    test::FixedClock clock{QDateTime(QDate(2010, 6, 1), QTime(9, 30))};
};

TEST_F(MainWindowCreation, BorderlessWindowWithTheDateLineAndDefaultSettings) {
    test::FakeScreen screen(QSize(1280, 1024));
    notes::TDM dm(pf.folder());
    TMainForm form(pf.folder(), dm);
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Kuvano桌面月历K207"));
    EXPECT_EQ(form.size(), QSize(1024, 738));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("lblDateTime"))->text(),
              QStringLiteral("今天是 2010年6月1日(二)"));
    EXPECT_EQ(form.shownDate(), QDate(2010, 6, 1));
    EXPECT_EQ(pf.readLines(kFormIni), numbers({1024, 738, 128, 128, 0, 0}));
    EXPECT_EQ(pf.readLines(QStringLiteral("DB3/configSetBg.ini")),
              QStringList({QStringLiteral("1")}));
    EXPECT_TRUE(form.confirmWallpaper());
    auto* font = form.findChild<QComboBox*>(QStringLiteral("ccbFont"));
    EXPECT_EQ(font->currentText(), QStringLiteral("宋体"));
    auto* size = form.findChild<QComboBox*>(QStringLiteral("cbbFontSize"));
    ASSERT_EQ(size->count(), 5);
    EXPECT_EQ(size->itemText(0), QStringLiteral("10"));
    EXPECT_EQ(size->itemText(4), QStringLiteral("14"));
    EXPECT_EQ(size->currentIndex(), 0);
    // Nothing saves before the window is shown.
    const notes::MainState& s = form.state();
    EXPECT_FALSE(s.saving.desk || s.saving.general || s.saving.calendar || s.saving.yearly);
    EXPECT_EQ(s.currentCell, -1);
}

TEST_F(MainWindowCreation, FullScreenFlagFillsTheScreenLessTheTaskbar) {
    test::FakeScreen screen(QSize(1366, 768));
    pf.writeLines(kFormIni, numbers({1024, 738, 171, 0, 1, 2}));
    notes::TDM dm(pf.folder());
    TMainForm form(pf.folder(), dm);
    EXPECT_EQ(form.size(), QSize(1366, 738));
    EXPECT_EQ(form.findChild<QComboBox*>(QStringLiteral("cbbFontSize"))->currentText(),
              QStringLiteral("12"));
    // The record keeps the remembered size for the way back.
    EXPECT_EQ(form.sizeRecord().width, 1024);
}

TEST(WindowSizeFile, ARecordOutOfTheScreenIsBroughtOntoIt) {
    const QSize screen(1366, 768); // 738 high less the taskbar
    const struct {
        WindowSizeRecord read, placed;
    } cases[] = {
        // Within the screen: untouched.
        {{1024, 738, 171, 0, 0, 2}, {1024, 738, 171, 0, 0, 2}},
        {{1280, 738, 86, 0, 0, 0}, {1280, 738, 86, 0, 0, 0}},
        // No size at all: the smallest choice.
        {{0, 738, 100, 100, 0, 0}, {1024, 738, 100, 30, 0, 0}},
        {{-5, -1, 10, 10, 0, 0}, {1024, 738, 10, 10, 0, 0}},
        // Larger than the screen, and far above and left of it.
        {{20000, 20000, -5000, -5000, 0, 0}, {1366, 738, 0, 0, 0, 0}},
        {{1280, 770, 43, -16, 0, 0}, {1280, 738, 43, 0, 0, 0}},
        // Below and right of it: the whole window comes back in view.
        {{1024, 738, 3000, 3000, 1, 4}, {1024, 738, 342, 30, 1, 4}},
        {{1024, 738, 100, 31, 0, 0}, {1024, 738, 100, 30, 0, 0}},
    };
    for (const auto& c : cases) {
        const WindowSizeRecord r = OnScreen(c.read, screen);
        EXPECT_EQ(r, c.placed) << c.read.width << "x" << c.read.height << " at " << c.read.left
                               << "," << c.read.top;
    }
}

TEST(WindowSizeFile, AWindowIsMovedWhollyOntoTheScreensFreePart) {
    // A screen to the right of the primary one, a panel along its top.
    const QRect free(1920, 32, 1280, 768);
    const struct {
        QRect window, placed;
    } cases[] = {
        {QRect(2000, 50, 1024, 738), QRect(2000, 50, 1024, 738)},  // already on it
        {QRect(1700, 0, 1024, 738), QRect(1920, 32, 1024, 738)},   // left of and under the panel
        {QRect(3000, 500, 1024, 738), QRect(2176, 62, 1024, 738)}, // right of and below it
        // Larger than the free part: its left and top edges meet the part's.
        {QRect(2500, 10, 1400, 870), QRect(1920, 32, 1400, 870)},
        {QRect(1000, 300, 1024, 768), QRect(1920, 32, 1024, 768)},
    };
    for (const auto& c : cases) EXPECT_EQ(WhollyOn(c.window, free), c.placed) << c.window.x();
}
