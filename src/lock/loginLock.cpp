#include "lock/loginLock.h"

#include "lock/password_file.h"
#include "lock/password_hash.h"
#include "lock/window_chrome.h"
#include "platform/fonts.h"
#include "platform/message_box.h"
#include "platform/screen.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace kuvano::lock {
namespace {

QToolButton* speedButton(QWidget* parent, const QString& name, const QString& text,
                         const QRect& geometry) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setGeometry(geometry);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus); // speed buttons never take the focus from Edit1
    return button;
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, const QRect& geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    return l;
}

} // namespace

TLockLogin::TLockLogin(const ProgramFolder& folder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), folder_(folder),
      endProgram_([] { QCoreApplication::exit(0); }) {
    setObjectName(QStringLiteral("LockLogin"));
    setFixedSize(246, 144);
    setFont(fonts::byPixels(QStringLiteral("宋体"), 12));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(236, 242, 250));
    setPalette(pal);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 246, 24);
    Image1->setPixmap(windowPicture(folder_, QStringLiteral("lock_title.png"), QSize(246, 24),
                                    QColor(100, 140, 190), this));
    dragWindowBy(Image1);

    Label1 = label(this, QStringLiteral("Label1"), QStringLiteral("用户名：台历记事"),
                   QRect(28, 38, 190, 18));
    Label2 =
        label(this, QStringLiteral("Label2"), QStringLiteral("密  码："), QRect(28, 69, 60, 18));

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    makePasswordBox(Edit1);
    Edit1->setGeometry(84, 66, 134, 22);

    SpeedButton1 = speedButton(this, QStringLiteral("SpeedButton1"), QStringLiteral("确定"),
                               QRect(28, 104, 52, 24));
    SpeedButton2 = speedButton(this, QStringLiteral("SpeedButton2"), QStringLiteral("取消"),
                               QRect(88, 104, 52, 24));
    // "忘记密码" has no action: there is no way to recover a password.
    SpeedButton3 = speedButton(this, QStringLiteral("SpeedButton3"), QStringLiteral("忘记密码"),
                               QRect(148, 104, 70, 24));

    connect(SpeedButton1, &QToolButton::clicked, this, &TLockLogin::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TLockLogin::SpeedButton2Click);
    // Enter and the keypad's Enter both act as 确定.
    connect(Edit1, &QLineEdit::returnPressed, this, &TLockLogin::SpeedButton1Click);

    const QSize desk = screen::primarySize();
    move((desk.width() - width()) / 2, (desk.height() - height()) / 2);
    Edit1->setFocus();
}

void TLockLogin::SpeedButton1Click() {
    // Read each time: the file may have changed since start-up.
    const PasswordFile file = readPasswordFile(folder_);
    if (!file.ok) {
        endProgram();
        return;
    }
    const QString& stored = file.lines.at(0);
    bool admitted = stored == noKeyMarker();
    if (!admitted) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor); // the hash takes a moment
        admitted = passwordMatches(stored, Edit1->text());
        // A password an older copy kept as typed is replaced by its hash now.
        // Should that write fail the user is let in all the same, and the
        // next login tries again.
        if (admitted && !isPasswordHash(stored)) {
            QStringList lines = file.lines;
            lines[0] = lines[1] = hashPassword(Edit1->text());
            writePasswordFile(folder_, lines, nullptr);
        }
        QGuiApplication::restoreOverrideCursor();
    }
    if (admitted) {
        if (mainWindow_) mainWindow_->show();
        hide();
        return;
    }
    showMessage(this, QStringLiteral("密码不正确,请重新输入登录密码!"), QStringLiteral("登陆提示"));
    Edit1->clear();
    Edit1->setFocus();
}

void TLockLogin::SpeedButton2Click() {
    close();
}

void TLockLogin::closeEvent(QCloseEvent* event) {
    // Closing the login window in any way ends the program, as closing the main window would.
    QWidget::closeEvent(event);
    endProgram();
}

void TLockLogin::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Edit1->setFocus();
}

void TLockLogin::endProgram() {
    if (ending_) return;
    ending_ = true;
    if (endProgram_) endProgram_();
}

} // namespace kuvano::lock
