#include "lock/loginLock.h"
#include "lock/password_hash.h"
#include "support/test_support.h"
#include "typing.h"

#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using kuvano::lock::TLockLogin;
using kuvano::test::MessageRecorder;
using kuvano::test::TempProgramFolder;

namespace {

const QString kFile = QStringLiteral("DB3/loginstr.db");

class LockLogin : public ::testing::Test {
protected:
    void SetUp() override {
        lockWith(QStringLiteral("Secret台历"));
        login = std::make_unique<TLockLogin>(tmp.folder());
        login->setMainWindow(&mainWindow);
        login->setEndProgram([this] { ++ends; });
        login->show();
    }

    // As the settings window writes it, with fewer rounds to keep the tests fast.
    void lockWith(const QString& password) {
        const QString hash = kuvano::lock::hashPassword(password, 1000);
        tmp.writeLines(kFile, {hash, hash, QStringLiteral("-1")});
    }
    QLineEdit* edit() { return login->findChild<QLineEdit*>(QStringLiteral("Edit1")); }
    QToolButton* button(const char* name) {
        return login->findChild<QToolButton*>(QString::fromLatin1(name));
    }
    void enter(const QString& text) {
        edit()->clear();
        kuvano::test::typeText(edit(), text);
    }
    void clickOk() { QTest::mouseClick(button("SpeedButton1"), Qt::LeftButton); }
    bool admitted() const { return mainWindow.isVisible() && !login->isVisible(); }

    TempProgramFolder tmp;
    MessageRecorder messages;
    QWidget mainWindow;
    std::unique_ptr<TLockLogin> login;
    int ends = 0;
};

} // namespace

TEST_F(LockLogin, RightPasswordShowsTheMainWindowAndHidesTheLogin) {
    EXPECT_EQ(edit()->echoMode(), QLineEdit::Password);
    enter(QStringLiteral("Secret台历"));
    clickOk();
    EXPECT_TRUE(admitted());
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(ends, 0);
}

TEST_F(LockLogin, EnterInThePasswordBoxActsAsOk) {
    enter(QStringLiteral("Secret台历"));
    QTest::keyClick(edit(), Qt::Key_Return);
    EXPECT_TRUE(admitted());
}

TEST_F(LockLogin, WrongPasswordsAreRefusedAndTheBoxEmptied) {
    // Other letter case, a prefix, trailing blank, empty: all wrong.
    for (const QString& wrong :
         {QStringLiteral("secret台历"), QStringLiteral("SECRET台历"), QStringLiteral("Secret"),
          QStringLiteral("Secret台历 "), QString()}) {
        messages.clear();
        enter(wrong);
        clickOk();
        EXPECT_FALSE(mainWindow.isVisible()) << wrong.toStdString();
        EXPECT_TRUE(login->isVisible());
        ASSERT_EQ(messages.messages().size(), 1u);
        EXPECT_EQ(messages.messages()[0].text, QStringLiteral("密码不正确,请重新输入登录密码!"));
        EXPECT_EQ(messages.messages()[0].caption, QStringLiteral("登陆提示"));
        EXPECT_TRUE(edit()->text().isEmpty());
    }
    EXPECT_EQ(ends, 0);
    // Still usable after a mistake.
    enter(QStringLiteral("Secret台历"));
    QTest::keyClick(edit(), Qt::Key_Enter);
    EXPECT_TRUE(admitted());
}

TEST_F(LockLogin, FileIsReadAtEveryTry) {
    lockWith(QStringLiteral("new"));
    enter(QStringLiteral("Secret台历"));
    clickOk();
    EXPECT_FALSE(mainWindow.isVisible());
    enter(QStringLiteral("new"));
    clickOk();
    EXPECT_TRUE(admitted());
}

TEST_F(LockLogin, MarkerInTheFirstLineLetsAnyoneIn) {
    tmp.writeLines(kFile,
                   {QStringLiteral("NOKEY4817306"), QStringLiteral("x"), QStringLiteral("-1")});
    clickOk(); // empty box
    EXPECT_TRUE(admitted());
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(LockLogin, CancelClosesAndEndsTheProgram) {
    QTest::mouseClick(button("SpeedButton2"), Qt::LeftButton);
    EXPECT_FALSE(login->isVisible());
    EXPECT_FALSE(mainWindow.isVisible());
    EXPECT_EQ(ends, 1);
}

TEST_F(LockLogin, UnreadableOrShortFileEndsWithoutAMessage) {
    tmp.writeLines(kFile, {QStringLiteral("Secret台历"), QStringLiteral("Secret台历")});
    enter(QStringLiteral("Secret台历"));
    clickOk();
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(mainWindow.isVisible());
    EXPECT_TRUE(messages.messages().empty());

    TLockLogin other(tmp.folder());
    int otherEnds = 0;
    other.setEndProgram([&] { ++otherEnds; });
    other.setMainWindow(&mainWindow);
    other.show();
    ASSERT_TRUE(QFile::remove(tmp.path(kFile)));
    QTest::mouseClick(other.findChild<QToolButton*>(QStringLiteral("SpeedButton1")),
                      Qt::LeftButton);
    EXPECT_EQ(otherEnds, 1);
    EXPECT_FALSE(mainWindow.isVisible());
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(LockLogin, APasswordKeptAsTypedByAnOlderCopyIsReplacedByItsHashAtTheFirstLogin) {
    const QStringList older = {QStringLiteral("Old台历"), QStringLiteral("Old台历"),
                               QStringLiteral("-1")};
    tmp.writeLines(kFile, older);
    const QByteArray olderBytes = tmp.readBytes(kFile);
    enter(QStringLiteral("old台历"));
    clickOk();
    EXPECT_FALSE(mainWindow.isVisible());
    EXPECT_EQ(tmp.readBytes(kFile), olderBytes); // a wrong try rewrites nothing

    enter(QStringLiteral("Old台历"));
    clickOk();
    EXPECT_TRUE(admitted());
    const QStringList now = tmp.readLines(kFile);
    ASSERT_EQ(now.size(), 3);
    EXPECT_TRUE(kuvano::lock::isPasswordHash(now[0])) << now[0].toStdString();
    EXPECT_EQ(now[1], now[0]);
    EXPECT_EQ(now[2], QStringLiteral("-1"));
    EXPECT_FALSE(tmp.readBytes(kFile).contains("Old"));
    EXPECT_TRUE(kuvano::lock::passwordMatches(now[0], QStringLiteral("Old台历")));
    EXPECT_FALSE(kuvano::lock::passwordMatches(now[0], QStringLiteral("old台历")));
}

TEST_F(LockLogin, AnUpgradeOnAFullDiskLetsTheUserInAndKeepsTheOldFile) {
    const QStringList older = {QStringLiteral("Old"), QStringLiteral("Old"), QStringLiteral("-1")};
    tmp.writeLines(kFile, older);
    {
        kuvano::test::FullDisk full(2);
        enter(QStringLiteral("Old"));
        clickOk();
    }
    EXPECT_TRUE(admitted());
    EXPECT_EQ(tmp.readLines(kFile), older);
}
