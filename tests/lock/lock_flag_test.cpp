#include "lock/password_file.h"
#include "lock/password_hash.h"
#include "support/test_support.h"

#include <QDir>
#include <gtest/gtest.h>

using kuvano::lock::readLockFlag;
using kuvano::test::TempProgramFolder;

namespace {
const QString kFile = QStringLiteral("DB3/loginstr.db");
}

TEST(LockFlag, OnlyAnExactMinusOneTurnsTheLoginOn) {
    TempProgramFolder tmp;
    auto fresh = readLockFlag(tmp.folder());
    EXPECT_TRUE(fresh.ok);
    EXPECT_FALSE(fresh.loginOn);
    EXPECT_TRUE(fresh.error.isEmpty());

    tmp.writeLines(kFile, {QStringLiteral("pw"), QStringLiteral("pw"), QStringLiteral("-1")});
    EXPECT_TRUE(readLockFlag(tmp.folder()).loginOn);

    // Extra lines are ignored; the third line decides.
    tmp.writeLines(kFile, {QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("-1"),
                           QStringLiteral("0")});
    EXPECT_TRUE(readLockFlag(tmp.folder()).loginOn);

    for (const QString& third :
         {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("NOKEY4817306"),
          QStringLiteral(" -1"), QStringLiteral("-1 "), QString()}) {
        tmp.writeLines(kFile, {QStringLiteral("pw"), QStringLiteral("pw"), third});
        const auto flag = readLockFlag(tmp.folder());
        EXPECT_TRUE(flag.ok) << third.toStdString();
        EXPECT_FALSE(flag.loginOn) << third.toStdString();
    }
}

TEST(LockFlag, ErrorsNameTheProblemAndThePath) {
    TempProgramFolder tmp;
    const QString path = tmp.path(kFile);

    tmp.writeLines(kFile, {QStringLiteral("NOKEY4817306"), QStringLiteral("NOKEY4817306")});
    auto shortFile = readLockFlag(tmp.folder());
    EXPECT_FALSE(shortFile.ok);
    EXPECT_FALSE(shortFile.loginOn);
    EXPECT_TRUE(shortFile.error.contains(QStringLiteral("不足三行")))
        << shortFile.error.toStdString();
    EXPECT_TRUE(shortFile.error.contains(path));

    tmp.writeBytes(kFile, QByteArray());
    EXPECT_FALSE(readLockFlag(tmp.folder()).ok);

    ASSERT_TRUE(QFile::remove(path));
    auto missing = readLockFlag(tmp.folder());
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, QStringLiteral("密码文件缺失: ") + path);

    // A folder in the file's place exists but cannot be read as a file.
    ASSERT_TRUE(QDir().mkpath(path));
    auto unreadable = readLockFlag(tmp.folder());
    EXPECT_FALSE(unreadable.ok);
    EXPECT_TRUE(unreadable.error.startsWith(QStringLiteral("密码文件无法读取")))
        << unreadable.error.toStdString();
    EXPECT_TRUE(unreadable.error.contains(path));
}

TEST(LockFlag, APasswordKeptAsTypedIsHashedAtStartWithTheFlagLineKept) {
    TempProgramFolder tmp;
    for (const QString& flag : {QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("-1")}) {
        tmp.writeLines(kFile, {QStringLiteral("pw"), QStringLiteral("pw"), flag});
        EXPECT_TRUE(kuvano::lock::hashPlainPassword(tmp.folder(), nullptr));
        const QStringList now = tmp.readLines(kFile);
        ASSERT_EQ(now.size(), 3);
        EXPECT_TRUE(kuvano::lock::isPasswordHash(now[0])) << now[0].toStdString();
        EXPECT_EQ(now[1], now[0]);
        EXPECT_EQ(now[2], flag);
        EXPECT_TRUE(kuvano::lock::passwordMatches(now[0], QStringLiteral("pw")));
        // Hashed once: the next start leaves it alone.
        const QByteArray hashed = tmp.readBytes(kFile);
        EXPECT_TRUE(kuvano::lock::hashPlainPassword(tmp.folder(), nullptr));
        EXPECT_EQ(tmp.readBytes(kFile), hashed);
    }
    const QByteArray lockOff = "NOKEY4817306\r\nNOKEY4817306\r\n0\r\n";
    tmp.writeBytes(kFile, lockOff);
    EXPECT_TRUE(kuvano::lock::hashPlainPassword(tmp.folder(), nullptr));
    EXPECT_EQ(tmp.readBytes(kFile), lockOff);
}
