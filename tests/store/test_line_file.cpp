#include "store/line_file.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace kuvano;

TEST(LineFile, WritesGbkLinesEndedByCrLf) {
    const QByteArray bytes = linefile::encode({QStringLiteral("1024"), QStringLiteral("台历记事")});
    // "台历记事" in GBK.
    EXPECT_EQ(bytes, QByteArray("1024\r\n\xcc\xa8\xc0\xfa\xbc\xc7\xca\xc2\r\n"));
}

TEST(LineFile, SplitsAtEveryKindOfLineEndWithoutATrailingEmptyLine) {
    EXPECT_EQ(linefile::decode("a\r\nb\nc\rd"),
              QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                           QStringLiteral("d")}));
    EXPECT_EQ(linefile::decode("a\r\n\r\n"), QStringList({QStringLiteral("a"), QString()}));
    EXPECT_TRUE(linefile::decode("").isEmpty());
}

TEST(LineFile, RoundTripsTextGbkLacksThroughGb18030) {
    test::TempProgramFolder pf;
    const QStringList lines = {QStringLiteral("密码😀"), QStringLiteral("한국"), QString()};
    ASSERT_TRUE(linefile::write(pf.path(QStringLiteral("DB3/x.ini")), lines));
    EXPECT_EQ(linefile::read(pf.path(QStringLiteral("DB3/x.ini"))).lines, lines);
}

TEST(LineFile, ReplacesTheFileWholeAndLeavesNoTemporaryBehind) {
    test::TempProgramFolder pf;
    const QString path = pf.path(QStringLiteral("DB3/form.ini"));
    ASSERT_TRUE(
        linefile::write(path, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    ASSERT_TRUE(linefile::write(path, {QStringLiteral("9")}));
    EXPECT_EQ(pf.readBytes(QStringLiteral("DB3/form.ini")), QByteArray("9\r\n"));
    const QStringList entries = QDir(pf.path(QStringLiteral("DB3"))).entryList(QDir::Files);
    EXPECT_EQ(entries, QStringList({QStringLiteral("form.ini"), QStringLiteral("loginstr.db")}));
}

TEST(LineFile, ReportsMissingFilesAndUnwritableFolders) {
    test::TempProgramFolder pf;
    const linefile::ReadResult r = linefile::read(pf.path(QStringLiteral("DB3/none.ini")));
    EXPECT_FALSE(r.lines.has_value());
    EXPECT_TRUE(r.error.contains(QStringLiteral("none.ini")));
    // A folder that is a file cannot take a new file, even for root.
    pf.writeBytes(QStringLiteral("blocked"), "x");
    QString error;
    EXPECT_FALSE(
        linefile::write(pf.path(QStringLiteral("blocked/a.ini")), {QStringLiteral("1")}, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(LineFile, AFullDiskKeepsTheOldFileWholeAndSaysSo) {
    test::TempProgramFolder pf;
    const QString path = pf.path(QStringLiteral("DB3/loginstr.db"));
    const QByteArray old = pf.readBytes(QStringLiteral("DB3/loginstr.db"));
    // Full at once, and full part way through the new text.
    for (long room : {0L, 5L}) {
        test::FullDisk full(room);
        QString error;
        EXPECT_FALSE(linefile::write(
            path, {QStringLiteral("secret"), QStringLiteral("secret"), QStringLiteral("-1")},
            &error))
            << room;
        EXPECT_EQ(error, linefile::diskFullText()) << room;
        EXPECT_EQ(pf.readBytes(QStringLiteral("DB3/loginstr.db")), old) << room;
        EXPECT_EQ(QDir(pf.path(QStringLiteral("DB3"))).entryList(QDir::Files),
                  QStringList({QStringLiteral("loginstr.db")}))
            << room;
    }
    // With room again the same write goes through.
    EXPECT_TRUE(linefile::write(path, {QStringLiteral("9")}));
    EXPECT_EQ(pf.readBytes(QStringLiteral("DB3/loginstr.db")), QByteArray("9\r\n"));
}

TEST(LineFile, AFileThatIsALinkIsReplacedBehindTheLink) {
    test::TempProgramFolder pf;
    pf.writeBytes(QStringLiteral("real.ini"), "1\r\n");
    ASSERT_TRUE(
        QFile::link(pf.path(QStringLiteral("real.ini")), pf.path(QStringLiteral("DB3/form.ini"))));
    ASSERT_TRUE(linefile::write(pf.path(QStringLiteral("DB3/form.ini")), {QStringLiteral("2")}));
    EXPECT_TRUE(QFileInfo(pf.path(QStringLiteral("DB3/form.ini"))).isSymLink());
    EXPECT_EQ(pf.readBytes(QStringLiteral("real.ini")), QByteArray("2\r\n"));
}
