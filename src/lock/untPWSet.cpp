#include "lock/untPWSet.h"

#include "lock/password_file.h"
#include "lock/password_hash.h"
#include "lock/window_chrome.h"
#include "platform/fonts.h"
#include "platform/message_box.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>

namespace kuvano::lock {
namespace {

constexpr int kWidth = 442;
constexpr int kHeight = 222;
constexpr int kTitleHeight = 28;

QLabel* label(QWidget* parent, const QString& name, const QString& text, const QRect& geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    return l;
}

QLineEdit* passwordBox(QWidget* parent, const QString& name, const QRect& geometry) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    makePasswordBox(box);
    box->setGeometry(geometry);
    // A pasted line break would split the password across the file's lines and
    // leave the login silently off; the boxes refuse it.
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\\r\\n]*")), box));
    return box;
}

} // namespace

TpwsetFrm::TpwsetFrm(const ProgramFolder& folder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), folder_(folder) {
    setObjectName(QStringLiteral("pwsetFrm"));
    setWindowTitle(QStringLiteral("登录密码设置"));
    setFixedSize(kWidth, kHeight);
    setFont(fonts::byPixels(QStringLiteral("宋体"), 12));

    // The frame shape is the window's border; the pictures lie inside it.
    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(0, 0, kWidth, kHeight);
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setStyleSheet(QStringLiteral("#Shape1 { border: 1px solid rgb(80, 125, 180); }"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(1, 1, kWidth - 2, kTitleHeight - 1);
    Image1->setPixmap(windowPicture(folder_, QStringLiteral("lock_title.png"), Image1->size(),
                                    QColor(100, 140, 190), this));

    Image3 = new QLabel(this);
    Image3->setObjectName(QStringLiteral("Image3"));
    Image3->setGeometry(1, kTitleHeight, kWidth - 2, kHeight - kTitleHeight - 1);
    Image3->setPixmap(windowPicture(folder_, QStringLiteral("background.png"), Image3->size(),
                                    QColor(236, 242, 250), this));

    for (QWidget* handle : {static_cast<QWidget*>(Shape1), static_cast<QWidget*>(Image1),
                            static_cast<QWidget*>(Image3)})
        dragWindowBy(handle);

    Label3 = label(this, QStringLiteral("Label3"), QStringLiteral("登录密码设置"),
                   QRect(10, 6, 200, 18));
    Label3->setAttribute(Qt::WA_TransparentForMouseEvents); // the title drags with its strip
    QPalette titlePalette = Label3->palette();
    titlePalette.setColor(QPalette::WindowText, Qt::white);
    Label3->setPalette(titlePalette);

    JvXPToolButton1 = new QToolButton(this);
    JvXPToolButton1->setObjectName(QStringLiteral("JvXPToolButton1"));
    JvXPToolButton1->setText(QStringLiteral("×"));
    JvXPToolButton1->setToolTip(QStringLiteral("关闭"));
    JvXPToolButton1->setAutoRaise(true);
    JvXPToolButton1->setGeometry(kWidth - 30, 4, 24, 20);

    JCheckbox1 = new QCheckBox(QStringLiteral("启动登录密码"), this);
    JCheckbox1->setObjectName(QStringLiteral("JCheckbox1"));
    JCheckbox1->setGeometry(70, 46, 200, 22);

    Label1 = label(this, QStringLiteral("Label1"), QStringLiteral("请输入登录密码："),
                   QRect(70, 86, 110, 20));
    edit1 = passwordBox(this, QStringLiteral("edit1"), QRect(184, 84, 180, 24));
    Label2 = label(this, QStringLiteral("Label2"), QStringLiteral("请再次输入密码："),
                   QRect(70, 124, 110, 20));
    edit2 = passwordBox(this, QStringLiteral("edit2"), QRect(184, 122, 180, 24));

    JvXPButton1 = new QPushButton(QStringLiteral("应   用"), this);
    JvXPButton1->setObjectName(QStringLiteral("JvXPButton1"));
    JvXPButton1->setGeometry(184, 168, 90, 28);
    JvXPButton1->setAutoDefault(false); // Enter in a box does not apply

    connect(JvXPButton1, &QPushButton::clicked, this, &TpwsetFrm::JvXPButton1Click);
    connect(JvXPToolButton1, &QToolButton::clicked, this, &TpwsetFrm::JvXPToolButton1Click);
}

void TpwsetFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QWidget* owner = parentWidget()) {
        const QRect area = owner->window()->frameGeometry();
        move(area.center() - QPoint(kWidth / 2, kHeight / 2));
    }
    FormShow();
}

void TpwsetFrm::FormShow() {
    const LockFlag flag = readLockFlag(folder_);
    if (!flag.ok) {
        showMessage(this, flag.error, QString());
        return;
    }
    // Only ever ticked here: an unticked file leaves the box as the user last set it.
    if (flag.loginOn) JCheckbox1->setChecked(true);
}

bool TpwsetFrm::writeOrReport(const QStringList& lines) {
    QString error;
    if (writePasswordFile(folder_, lines, &error)) return true;
    showMessage(this, error, QString());
    return false;
}

void TpwsetFrm::JvXPButton1Click() {
    if (!JCheckbox1->isChecked()) {
        if (!writeOrReport({noKeyMarker(), noKeyMarker(), lockOffFlag()})) return;
        showMessage(this, QStringLiteral("取消密码成功!"), QStringLiteral("提示"));
        accept();
        return;
    }
    const QString first = edit1->text();
    const QString second = edit2->text();
    if (first.isEmpty()) {
        showMessage(this, QStringLiteral("请输入登录密码!"), QString());
        edit1->setFocus();
        return;
    }
    if (second.isEmpty()) {
        showMessage(this, QStringLiteral("请再次输入登录密码!"), QString());
        edit2->setFocus();
        return;
    }
    if (first != second) {
        showMessage(this, QStringLiteral("两次输入的密码不一致!"), QString());
        return;
    }
    // Both password lines hold the same hash; the password itself is never written.
    const QString hash = hashPassword(first);
    if (!writeOrReport({hash, hash, lockOnFlag()})) return;
    showMessage(this, QStringLiteral("设置登录密码成功!"), QStringLiteral("提示"));
    accept();
}

void TpwsetFrm::JvXPToolButton1Click() {
    reject();
}

} // namespace kuvano::lock
