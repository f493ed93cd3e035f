// The user's DB3/holidays.txt read at start: laid over the built-in arrangement, bad lines
// skipped with one message, a file that cannot be read reported.
#include "app/day_off_file.h"
#include "lunar/holidays.h"
#include "support/test_support.h"

#include <QDir>
#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace kuvano;
using kuvano::lunar::DayOff;
using kuvano::lunar::DayOffOf;

namespace {

class DayOffFile : public ::testing::Test {
protected:
    test::TempProgramFolder pf;
    test::MessageRecorder messages;

    void TearDown() override { lunar::SetDayOffOverlay({}); }
    void write(const QString& text) { pf.writeBytes(app::kDayOffFile, text.toUtf8()); }
};

TEST_F(DayOffFile, NoFileLeavesTheBuiltInTableAndSaysNothing) {
    const lunar::ListedDay stale[] = {{2027, 1, 1, DayOff::Off}};
    lunar::SetDayOffOverlay(stale);
    EXPECT_EQ(app::loadDayOffFile(pf.folder()), 0);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(DayOffOf(2027, 1, 1), DayOff::None);
    EXPECT_EQ(DayOffOf(2026, 2, 15), DayOff::Off);
}

TEST_F(DayOffFile, AddsNextYearAndReplacesBuiltInDays) {
    write(QStringLiteral("# 2027 年的安排\n"
                         "2027-01-01\t休\t元旦\n"
                         "2027-02-06\t班\t春节\n"
                         "2026-10-10\t休\t国庆节\n")); // a correction of a built-in day
    EXPECT_EQ(app::loadDayOffFile(pf.folder()), 3);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(DayOffOf(2027, 1, 1), DayOff::Off);
    EXPECT_EQ(DayOffOf(2027, 2, 6), DayOff::Work);
    EXPECT_EQ(DayOffOf(2026, 10, 10), DayOff::Off);
    EXPECT_EQ(DayOffOf(2026, 10, 1), DayOff::Off);
}

TEST_F(DayOffFile, BadLinesAreSkippedWithOneMessageNamingTheFirst) {
    write(QStringLiteral("# 2027\n"
                         "2027-01-01\t休\t元旦\n"
                         "2027-13-01\t休\t元旦\n"
                         "2027-01-02 放假\n"
                         "2027-01-03\t休\n"));
    EXPECT_EQ(app::loadDayOffFile(pf.folder()), 2);
    ASSERT_EQ(messages.messages().size(), 1u);
    const QString text = messages.messages()[0].text;
    EXPECT_TRUE(text.contains(pf.path(app::kDayOffFile))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("2 行"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("第 3 行"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("2027-13-01"))) << text.toStdString();
    // the good lines count all the same
    EXPECT_EQ(DayOffOf(2027, 1, 1), DayOff::Off);
    EXPECT_EQ(DayOffOf(2027, 1, 3), DayOff::Off);
    EXPECT_EQ(DayOffOf(2027, 1, 2), DayOff::None);

    messages.clear();
    write(QStringLiteral("2027-01-01\t休\n2027-01-02\tX\n"));
    app::loadDayOffFile(pf.folder());
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(messages.messages()[0].text.contains(QStringLiteral("第 2 行")));
}

TEST_F(DayOffFile, GbkFilesAreReadToo) {
    QStringEncoder gbk("GB18030");
    pf.writeBytes(app::kDayOffFile, gbk.encode(QStringLiteral("2027-01-01\t休\t元旦\r\n"
                                                              "2027-02-06\t班\t春节\r\n")));
    EXPECT_EQ(app::loadDayOffFile(pf.folder()), 2);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(DayOffOf(2027, 2, 6), DayOff::Work);
}

TEST_F(DayOffFile, AFileThatCannotBeReadIsReported) {
    QDir().mkpath(pf.path(app::kDayOffFile)); // a folder where the file should be
    EXPECT_EQ(app::loadDayOffFile(pf.folder()), 0);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(messages.messages()[0].text.contains(pf.path(app::kDayOffFile)));
    EXPECT_EQ(DayOffOf(2026, 2, 15), DayOff::Off);
}

} // namespace
