#include "app/uFrmSet.h"

#include "app/Main.h"
#include "app/MainFrame.h"
#include "platform/fonts.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace kuvano::app {

int SizeChoiceForWidth(int width) {
    for (size_t i = 1; i < kSizeChoices.size(); ++i)
        if (kSizeChoices[i].width == width) return int(i);
    return 0;
}

TFrmSetFrm::TFrmSetFrm(TMainForm& mainForm)
    : QDialog(&mainForm, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                             Qt::WindowCloseButtonHint),
      main_(mainForm) {
    setObjectName(QStringLiteral("FrmSetFrm"));
    setWindowTitle(QStringLiteral("窗体大小设置"));
    setModal(false);
    setFixedSize(335, 308);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);

    imgTitle = pictureLabel(this, QStringLiteral("imgTitle"),
                            mainForm.uiFolder() + QStringLiteral("frmset_title.png"), true);
    imgTitle->setGeometry(0, 0, 335, 64);
    for (size_t i = 0; i < kSizeChoices.size(); ++i) {
        auto* r = new QRadioButton(QString::fromUtf16(kSizeChoices[i].caption), this);
        r->setObjectName(QStringLiteral("JvRadioButton%1").arg(i + 1));
        r->setFont(fonts::byPixels(QStringLiteral("微软雅黑"), 14, true));
        r->setGeometry(96, 86 + int(i) * 36, 200, 24);
        radios_[i] = r;
    }
    btnSave = new QPushButton(QStringLiteral("确  定"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setGeometry(122, 246, 90, 30);
    connect(btnSave, &QPushButton::clicked, this, &TFrmSetFrm::btnSaveClick);
}

void TFrmSetFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFrmSetFrm::FormShow() {
    radios_[size_t(SizeChoiceForWidth(main_.sizeRecord().width))]->setChecked(true);
    // Centred on the main window.
    const QRect m = main_.frameGeometry();
    move(m.left() + (m.width() - frameGeometry().width()) / 2,
         m.top() + (m.height() - frameGeometry().height()) / 2);
}

void TFrmSetFrm::btnSaveClick() {
    for (size_t i = 0; i < radios_.size(); ++i) {
        if (radios_[i]->isChecked()) {
            main_.SetWindowSize(kSizeChoices[i].width, kSizeChoices[i].height);
            return;
        }
    }
}

} // namespace kuvano::app
