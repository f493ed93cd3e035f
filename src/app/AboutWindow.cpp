#include "app/AboutWindow.h"

#include "app/about_texts.h"
#include "app/command_line.h"
#include "platform/fonts.h"
#include "platform/guarded.h"
#include "platform/message_box.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace kuvano::app {

QString AboutWindow::licenceText() {
    return QStringLiteral(
               "Kuvano 桌面月历\n"
               "© 2026 Kuvano 开发者。保留所有权利：尚未授予复制、修改或传播本程序的许可。\n\n"
               "本程序使用下列程序库，各依其许可：\n"
               "  Qt %1 — GNU LGPL 3.0\n"
               "  SQLite — 公有领域\n"
               "  libjpeg-turbo — IJG 许可与 BSD 许可\n"
               "  giflib — MIT 许可\n"
               "  OpenSSL — Apache 许可 2.0\n"
               "  mdbtools (libmdb，用于导入旧笔记) — GNU LGPL 2.0 或更新版本\n\n"
               "中国大陆的放假与调休安排取自 holiday-cn 数据集，依下列 MIT 许可使用：\n\n")
               .arg(QString::fromLatin1(qVersion())) +
           QString::fromUtf16(kHolidayDataLicence);
}

AboutWindow::AboutWindow(const QString& dataFolder, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutWindow"));
    setWindowTitle(QStringLiteral("关于 Kuvano"));
    openFolder = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(versionText(), this);
    name->setObjectName(QStringLiteral("lblVersion"));
    name->setFont(fonts::byPixels(QStringLiteral("微软雅黑"), 18));
    layout->addWidget(name);

    const QString folder = QDir::cleanPath(dataFolder);
    const QString native = QDir::toNativeSeparators(folder);
    folderLink_ = new QLabel(this);
    folderLink_->setObjectName(QStringLiteral("lblDataFolder"));
    folderLink_->setTextFormat(Qt::RichText);
    folderLink_->setText(
        QStringLiteral("数据文件夹：<a href=\"%1\">%2</a>")
            .arg(QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded), native.toHtmlEscaped()));
    folderLink_->setTextInteractionFlags(Qt::LinksAccessibleByMouse |
                                         Qt::LinksAccessibleByKeyboard);
    folderLink_->setToolTip(QStringLiteral("在文件管理器中打开"));
    connect(folderLink_, &QLabel::linkActivated, this,
            [this](const QString& link) { guarded(this, [&] { openFolder(QUrl(link)); }); });
    layout->addWidget(folderLink_);

    licences_ = new QPlainTextEdit(licenceText(), this);
    licences_->setObjectName(QStringLiteral("licences"));
    licences_->setReadOnly(true);
    layout->addWidget(licences_, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* aboutQt =
        buttons->addButton(QStringLiteral("关于 Qt"), QDialogButtonBox::ActionRole);
    connect(aboutQt, &QPushButton::clicked, this, [this] { QMessageBox::aboutQt(this); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    layout->addWidget(buttons);
    resize(560, 480);
}

} // namespace kuvano::app
