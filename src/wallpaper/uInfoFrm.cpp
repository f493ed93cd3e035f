#include "wallpaper/uInfoFrm.h"

#include "platform/fonts.h"
#include "platform/window_chrome.h"
#include "store/line_file.h"
#include "wallpaper/window_parts.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace kuvano::wallpaper {

bool readConfirmOption(const ProgramFolder& folder) {
    const QString path = folder.filePath(confirmFileRelativePath());
    if (!QFileInfo::exists(path)) {
        linefile::write(path, {QStringLiteral("1")});
        return true;
    }
    const linefile::ReadResult file = linefile::read(path);
    if (!file.lines || file.lines->isEmpty()) return true;
    bool ok = false;
    const int value = file.lines->first().trimmed().toInt(&ok);
    return ok ? value > 0 : true;
}

namespace {
constexpr QSize kClientSize{344, 156};
} // namespace

TInforFrm::TInforFrm(const ProgramFolder& folder, ConfirmState& state, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), folder_(folder), state_(state) {
    setObjectName(QStringLiteral("InforFrm"));
    setWindowTitle(QStringLiteral("更换壁纸"));
    setFixedSize(kClientSize);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    dragWindowBy(this);

    imgQuestion = new QLabel(this);
    imgQuestion->setObjectName(QStringLiteral("imgQuestion"));
    imgQuestion->setGeometry(32, 24, 48, 48);
    imgQuestion->setPixmap(windowPicture(folder_, QStringLiteral("question.png"),
                                         imgQuestion->size(), Qt::white, this));
    dragWindowBy(imgQuestion);

    lblInfo = new QLabel(QStringLiteral("您确定要更换壁纸？"), this);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setFont(fonts::byPixels(QStringLiteral("宋体"), 14, true));
    lblInfo->move(112, 40);
    lblInfo->adjustSize();

    chkSetBgInfo = new QCheckBox(QStringLiteral("下次不再提示"), this);
    chkSetBgInfo->setObjectName(QStringLiteral("chkSetBgInfo"));
    chkSetBgInfo->move(120, 88);
    chkSetBgInfo->adjustSize();

    btnok = new QPushButton(QStringLiteral("确  定"), this);
    btnok->setObjectName(QStringLiteral("btnok"));
    btnok->setGeometry(176, 120, 75, 25);
    btncancel = new QPushButton(QStringLiteral("取  消"), this);
    btncancel->setObjectName(QStringLiteral("btncancel"));
    btncancel->setGeometry(256, 120, 75, 25);
    btnClose = new QPushButton(QStringLiteral("X"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(321, 1, 20, 18);
    btnClose->setFlat(true);
    btnClose->setFont(fonts::byPixels(QStringLiteral("Arial"), 12, true));
    connect(btnok, &QPushButton::clicked, this, &TInforFrm::btnokClick);
    connect(btncancel, &QPushButton::clicked, this, &TInforFrm::btncancelClick);
    connect(btnClose, &QPushButton::clicked, this, &TInforFrm::btnCloseClick);
}

void TInforFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
}

void TInforFrm::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter p(this);
    p.setPen(QColor(216, 227, 243));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TInforFrm::btnokClick() {
    if (chkSetBgInfo->isChecked()) {
        state_.ask = false;
        linefile::write(folder_.filePath(confirmFileRelativePath()), {QStringLiteral("0")});
    }
    state_.answer = true;
    accept();
}

void TInforFrm::btncancelClick() {
    state_.answer = false;
    reject();
}

void TInforFrm::btnCloseClick() {
    state_.answer = false;
    reject();
}

} // namespace kuvano::wallpaper
