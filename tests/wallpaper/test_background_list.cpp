#include "support/test_support.h"
#include "wallpaper/background_list.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace kuvano::wallpaper;
using kuvano::test::TempProgramFolder;

namespace {
const QString kList = QStringLiteral("DB3/BGPicList.ini");

QStringList names(const BackgroundTable& t) {
    QStringList out;
    for (qsizetype i = 0; i < t.entries.size(); ++i) {
        EXPECT_EQ(t.entries[i].position, i);
        out.append(t.entries[i].name);
    }
    return out;
}
} // namespace

TEST(BackgroundList, AMissingOrEmptyFileStartsFromTheDefault) {
    for (const bool empty : {false, true}) {
        TempProgramFolder pf;
        if (empty) pf.writeBytes(kList, QByteArray());
        BackgroundTable t;
        t.cursor = 7;
        LoadBGPicList(t, pf.folder(), false);
        EXPECT_EQ(pf.readBytes(kList), QByteArray("A1.bmp\r\nA1.bmp\r\n"));
        EXPECT_EQ(names(t), (QStringList{QStringLiteral("A1.bmp"), QStringLiteral("A1.bmp")}));
        EXPECT_EQ(t.chosen, QStringLiteral("A1.bmp"));
        EXPECT_EQ(t.cursor, 0);
    }
}

TEST(BackgroundList, TheCursorGoesToTheChosenOrTheLastEntry) {
    TempProgramFolder pf;
    pf.writeLines(kList, {QStringLiteral("B.bmp"), QStringLiteral("A1.bmp"),
                          QStringLiteral("B.bmp"), QStringLiteral("C.bmp")});
    BackgroundTable t;
    LoadBGPicList(t, pf.folder(), true);
    EXPECT_EQ(t.cursor, 2);
    EXPECT_EQ(t.chosen, QStringLiteral("B.bmp"));
    EXPECT_EQ(names(t).size(), 4);
    LoadBGPicList(t, pf.folder(), false);
    EXPECT_EQ(t.cursor, 3);
    // Names are compared exactly: b.bmp is not B.bmp.
    pf.writeLines(kList, {QStringLiteral("b.bmp"), QStringLiteral("B.bmp"), QStringLiteral("b.bmp"),
                          QStringLiteral("C.bmp")});
    LoadBGPicList(t, pf.folder(), true);
    EXPECT_EQ(t.cursor, 2);
    // Just the chosen line: one entry, the cursor on it.
    pf.writeLines(kList, {QStringLiteral("A1.bmp")});
    LoadBGPicList(t, pf.folder(), false);
    EXPECT_EQ(t.entries.size(), 1);
    EXPECT_EQ(t.cursor, 0);
}

TEST(BackgroundList, ChineseNamesInGbkAndUnreadableFiles) {
    TempProgramFolder pf;
    ASSERT_TRUE(WriteBackgroundList(pf.folder(), QStringLiteral("海边.bmp"),
                                    {QStringLiteral("A1.bmp"), QStringLiteral("海边.bmp")}));
    EXPECT_EQ(pf.readBytes(kList),
              QByteArray("\xba\xa3\xb1\xdf.bmp\r\nA1.bmp\r\n\xba\xa3\xb1\xdf.bmp\r\n"));
    BackgroundTable t;
    LoadBGPicList(t, pf.folder(), true);
    EXPECT_EQ(t.chosen, QStringLiteral("海边.bmp"));
    EXPECT_EQ(t.cursor, 2);

    // A list that cannot be read leaves the table as it was.
    QFile::remove(pf.path(kList));
    QDir().mkpath(pf.path(kList));
    LoadBGPicList(t, pf.folder(), false);
    EXPECT_EQ(t.chosen, QStringLiteral("海边.bmp"));
    EXPECT_EQ(t.cursor, 2);
    EXPECT_EQ(t.entries.size(), 3);
}
