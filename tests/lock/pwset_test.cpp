#include "lock/password_hash.h"
#include "lock/untPWSet.h"
#include "support/test_support.h"
#include "typing.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using kuvano::ProgramFolder;
using kuvano::lock::TpwsetFrm;
using kuvano::test::MessageRecorder;
using kuvano::test::TempProgramFolder;

namespace {

const QString kFile = QStringLiteral("DB3/loginstr.db");
const QByteArray kLockOffBytes = "NOKEY4817306\r\nNOKEY4817306\r\n0\r\n";

class PwsetFrm : public ::testing::Test {
protected:
    void open(const ProgramFolder& folder) {
        form = std::make_unique<TpwsetFrm>(folder);
        form->show();
    }
    void open() { open(tmp.folder()); }

    QCheckBox* box() { return form->findChild<QCheckBox*>(QStringLiteral("JCheckbox1")); }
    QLineEdit* edit(const char* name) {
        return form->findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    void type(const QString& first, const QString& second) {
        kuvano::test::typeText(edit("edit1"), first);
        kuvano::test::typeText(edit("edit2"), second);
    }
    void apply() {
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("JvXPButton1")),
                          Qt::LeftButton);
    }
    // The one message shown, as "caption|text".
    QString onlyMessage() {
        if (messages.messages().size() != 1)
            return QStringLiteral("<%1 messages>").arg(messages.messages().size());
        return messages.messages()[0].caption + QLatin1Char('|') + messages.messages()[0].text;
    }

    TempProgramFolder tmp;
    MessageRecorder messages;
    std::unique_ptr<TpwsetFrm> form;
};

} // namespace

TEST_F(PwsetFrm, ShowingTicksTheBoxOnlyWhenTheLoginIsOn) {
    open();
    EXPECT_FALSE(box()->isChecked());
    form->hide();

    tmp.writeLines(kFile, {QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("-1")});
    form->show();
    EXPECT_TRUE(box()->isChecked());
    form->hide();

    // A lock-off file leaves the box as the user last set it.
    tmp.writeLines(kFile, {QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("0")});
    form->show();
    EXPECT_TRUE(box()->isChecked());
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(PwsetFrm, ShowingReportsAnUnreadableFile) {
    ASSERT_TRUE(QFile::remove(tmp.path(kFile)));
    open();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(onlyMessage(), QStringLiteral("|密码文件缺失: ") + tmp.path(kFile));
    messages.clear();
    form->hide();

    tmp.writeLines(kFile, {QStringLiteral("a")});
    form->show();
    EXPECT_TRUE(onlyMessage().contains(QStringLiteral("不足三行"))) << onlyMessage().toStdString();
}

TEST_F(PwsetFrm, IncompleteEntriesWriteNothing) {
    open();
    box()->setChecked(true);
    struct Case {
        QString first, second, message, focus;
    } cases[] = {
        {QString(), QString(), QStringLiteral("请输入登录密码!"), QStringLiteral("edit1")},
        {QString(), QStringLiteral("b"), QStringLiteral("请输入登录密码!"),
         QStringLiteral("edit1")},
        {QStringLiteral("a"), QString(), QStringLiteral("请再次输入登录密码!"),
         QStringLiteral("edit2")},
        {QStringLiteral("abc"), QStringLiteral("abd"), QStringLiteral("两次输入的密码不一致!"),
         QString()},
        {QStringLiteral("Abc"), QStringLiteral("abc"), QStringLiteral("两次输入的密码不一致!"),
         QString()},
    };
    for (const Case& c : cases) {
        messages.clear();
        edit("edit1")->clear();
        edit("edit2")->clear();
        type(c.first, c.second);
        apply();
        EXPECT_EQ(onlyMessage(), QLatin1Char('|') + c.message) << c.first.toStdString();
        if (!c.focus.isEmpty()) {
            ASSERT_NE(form->focusWidget(), nullptr);
            EXPECT_EQ(form->focusWidget()->objectName().toStdString(), c.focus.toStdString());
        }
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(tmp.readBytes(kFile), kLockOffBytes);
    }
}

TEST_F(PwsetFrm, MatchingPasswordsTurnTheLoginOn) {
    open();
    box()->setChecked(true);
    EXPECT_EQ(edit("edit1")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit("edit2")->echoMode(), QLineEdit::Password);
    type(QStringLiteral("台历Ab1"), QStringLiteral("台历Ab1"));
    apply();
    EXPECT_EQ(onlyMessage(), QStringLiteral("提示|设置登录密码成功!"));
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
    // The same hash line twice, then the lock flag; the password itself
    // (here its GBK or UTF-8 bytes) is nowhere in the file.
    const QByteArray bytes = tmp.readBytes(kFile);
    const QStringList lines = tmp.readLines(kFile);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(bytes.endsWith("\r\n-1\r\n"));
    EXPECT_TRUE(kuvano::lock::isPasswordHash(lines[0])) << lines[0].toStdString();
    EXPECT_EQ(lines[1], lines[0]);
    EXPECT_TRUE(kuvano::lock::passwordMatches(lines[0], QStringLiteral("台历Ab1")));
    EXPECT_FALSE(bytes.contains("Ab1"));
    EXPECT_FALSE(bytes.contains("\xCC\xA8\xC0\xFA"));
    EXPECT_FALSE(bytes.contains(QStringLiteral("台历").toUtf8()));
}

TEST_F(PwsetFrm, UntickedWritesTheLockOffFormWhateverTheBoxesHold) {
    tmp.writeLines(kFile, {QStringLiteral("old"), QStringLiteral("old"), QStringLiteral("-1")});
    open();
    ASSERT_TRUE(box()->isChecked());
    box()->setChecked(false);
    type(QStringLiteral("x"), QStringLiteral("y"));
    apply();
    EXPECT_EQ(onlyMessage(), QStringLiteral("提示|取消密码成功!"));
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(tmp.readBytes(kFile), kLockOffBytes);
}

TEST_F(PwsetFrm, CloseButtonWritesNothing) {
    open();
    box()->setChecked(true);
    type(QStringLiteral("a"), QStringLiteral("a"));
    QTest::mouseClick(form->findChild<QToolButton*>(QStringLiteral("JvXPToolButton1")),
                      Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_EQ(tmp.readBytes(kFile), kLockOffBytes);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(PwsetFrm, WriteFailureIsReportedAndTheWindowStays) {
    // DB3 is a plain file here, so nothing can be written below it (even as root).
    ASSERT_TRUE(QDir(tmp.path(QStringLiteral("DB3"))).removeRecursively());
    tmp.writeBytes(QStringLiteral("DB3"), "not a folder");
    open();
    messages.clear(); // the unreadable file reported on showing
    for (bool ticked : {true, false}) {
        box()->setChecked(ticked);
        edit("edit1")->setText(QStringLiteral("pw"));
        edit("edit2")->setText(QStringLiteral("pw"));
        apply();
        ASSERT_EQ(messages.messages().size(), 1u) << ticked;
        EXPECT_TRUE(messages.messages()[0].text.startsWith(QStringLiteral("无法写入密码文件 ")))
            << messages.messages()[0].text.toStdString();
        EXPECT_TRUE(messages.messages()[0].text.contains(tmp.path(kFile)));
        EXPECT_TRUE(form->isVisible());
        messages.clear();
    }
}

TEST_F(PwsetFrm, AFullDiskKeepsTheOldFileAndSaysSoInsteadOfSuccess) {
    open();
    for (bool ticked : {true, false}) {
        kuvano::test::FullDisk full(4);
        box()->setChecked(ticked);
        edit("edit1")->setText(QStringLiteral("pw"));
        edit("edit2")->setText(QStringLiteral("pw"));
        apply();
        EXPECT_TRUE(onlyMessage().contains(QStringLiteral("磁盘已满，设置未保存")))
            << onlyMessage().toStdString();
        EXPECT_EQ(tmp.readBytes(kFile), kLockOffBytes);
        EXPECT_TRUE(form->isVisible());
        messages.clear();
    }
}

TEST_F(PwsetFrm, LineBreaksCannotEnterAPassword) {
    // A pasted line break would split the password over the file's lines.
    open();
    box()->setChecked(true);
    QTest::keyClicks(edit("edit1"), QStringLiteral("ab"));
    QGuiApplication::clipboard()->setText(QStringLiteral("c\r\nd"));
    edit("edit1")->paste();
    EXPECT_EQ(edit("edit1")->text().toStdString(), "ab");
    QTest::keyClicks(edit("edit2"), QStringLiteral("ab"));
    apply();
    const QStringList lines = tmp.readLines(kFile);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(kuvano::lock::passwordMatches(lines[0], QStringLiteral("ab")));
}
