#include "wallpaper/uPicSel.h"

#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/message_box.h"
#include "platform/window_chrome.h"
#include "wallpaper/background_list.h"
#include "wallpaper/bmp_codec.h"
#include "wallpaper/image_files.h"
#include "wallpaper/picture_error.h"
#include "wallpaper/window_parts.h"

#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace kuvano::wallpaper {
namespace {

constexpr QSize kClientSize{524, 286};

QString addFailed() {
    return QStringLiteral("添加失败，请重试！");
}
QString addBroken() {
    return QStringLiteral("添加背景图片异常，请重试！");
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text, QPoint at) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(QRect(at, QSize(75, 25)));
    return b;
}

// "幼圆" is a Windows face: shown with an installed rounded or plain CJK face.
QFont hintFont() {
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("幼圆"), {QStringLiteral("WenQuanYi Micro Hei"),
                                                            QStringLiteral("AR PL UMing CN")});
        return true;
    }();
    Q_UNUSED(substituted);
    return fonts::byPixels(QStringLiteral("幼圆"), 15);
}

} // namespace

TPicSelFrm::TPicSelFrm(const ProgramFolder& folder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), folder_(folder) {
    setObjectName(QStringLiteral("PicSelFrm"));
    setWindowTitle(QStringLiteral("背景图片选择"));
    setFixedSize(kClientSize);

    imgBackground = new QLabel(this);
    imgBackground->setObjectName(QStringLiteral("imgBackground"));
    imgBackground->setGeometry(QRect(QPoint(0, 0), kClientSize));
    imgBackground->setPixmap(windowPicture(folder_, QStringLiteral("picsel_background.png"),
                                           kClientSize, QColor(226, 238, 248), this));
    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setGeometry(5, 1, 200, 57);
    imgLogo->setPixmap(windowPicture(folder_, QStringLiteral("picsel_logo.png"), imgLogo->size(),
                                     QColor(226, 238, 248), this));
    dragWindowBy(imgBackground);
    dragWindowBy(imgLogo);

    shpList = new QFrame(this);
    shpList->setObjectName(QStringLiteral("shpList"));
    shpList->setGeometry(8, 55, 321, 162);
    shpList->setStyleSheet(QStringLiteral("#shpList { border: 1px solid rgb(64, 128, 128); }"));

    LVpic = new QTreeWidget(this);
    LVpic->setObjectName(QStringLiteral("LVpic"));
    LVpic->setGeometry(9, 56, 319, 160);
    LVpic->setColumnCount(1);
    LVpic->setHeaderLabels({QStringLiteral("默认图片")});
    LVpic->setColumnWidth(0, 300);
    LVpic->header()->hide();
    LVpic->setRootIsDecorated(false);
    LVpic->setSelectionBehavior(QAbstractItemView::SelectRows);
    LVpic->setSelectionMode(QAbstractItemView::SingleSelection);
    LVpic->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LVpic->setFrameShape(QFrame::NoFrame);
    LVpic->setFont(fonts::byPixels(QStringLiteral("宋体"), 12));

    lblTishi = new QLabel(
        QStringLiteral("注：可添加多个壁纸大 小1024*768以上\n图像格式：\nBMP,JPG"), this);
    lblTishi->setObjectName(QStringLiteral("lblTishi"));
    lblTishi->setGeometry(352, 64, 161, 153);
    lblTishi->setWordWrap(true);
    lblTishi->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTishi->setFont(hintFont());

    btnRemove = button(this, QStringLiteral("btnRemove"), QStringLiteral("移  除"), {12, 240});
    btnAdd = button(this, QStringLiteral("btnAdd"), QStringLiteral("添  加"), {108, 240});
    btnOk = button(this, QStringLiteral("btnOk"), QStringLiteral("确  定"), {209, 240});
    connect(btnRemove, &QPushButton::clicked, this, &TPicSelFrm::btnRemoveClick);
    connect(btnAdd, &QPushButton::clicked, this, &TPicSelFrm::btnAddClick);
    connect(btnOk, &QPushButton::clicked, this, &TPicSelFrm::btnOkClick);

    const QSize closeSize(39, 20);
    const auto face = [&](const char* state) {
        return windowPicture(folder_, QStringLiteral("img_close_%1.png").arg(QLatin1String(state)),
                             closeSize, QColor(200, 60, 50), this);
    };
    imgClose = new ImageButton(face("normal"), face("highlight"), face("down"), this);
    imgClose->setObjectName(QStringLiteral("img_close_highlight"));
    imgClose->setGeometry(QRect(QPoint(kClientSize.width() - closeSize.width(), 0), closeSize));
    connect(imgClose, &ImageButton::clicked, this, &TPicSelFrm::img_close_highlightClick);
}

QStringList TPicSelFrm::rows() const {
    QStringList out;
    for (int i = 0; i < LVpic->topLevelItemCount(); ++i)
        out.append(LVpic->topLevelItem(i)->text(0));
    return out;
}

void TPicSelFrm::addRow(const QString& caption) {
    LVpic->addTopLevelItem(new QTreeWidgetItem(QStringList{caption}));
}

int TPicSelFrm::selectedRow() const {
    for (int i = 0; i < LVpic->topLevelItemCount(); ++i)
        if (LVpic->topLevelItem(i)->isSelected()) return i;
    return -1;
}

bool TPicSelFrm::saveList() const {
    return WriteBackgroundList(folder_, chosen, rows());
}

void TPicSelFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
    FormShow();
}

void TPicSelFrm::FormShow() {
    const ListRead list = ReadBackgroundList(folder_);
    if (!list.lines) return; // unreadable: the rows stay as they were
    chosen = list.lines->first();
    LVpic->clear();
    for (qsizetype i = 1; i < list.lines->size(); ++i) addRow(list.lines->at(i));
}

void TPicSelFrm::btnAddClick() {
    dialogs::FileRequest request;
    request.caption = windowTitle();
    request.filter =
        QStringLiteral("(*.Bmp; *.JPG; *Gif) (*.bmp *.jpg *.jpeg *.gif *.BMP *.JPG *.JPEG *.GIF)");
    const QString picked = dialogs::askFileName(this, request);
    if (picked.isEmpty()) return;
    const QString folder = folder_.filePath(QStringLiteral("source/DeskTopBG/"));
    const QString copy = folder + QFileInfo(picked).fileName();
    // A picture picked from the folder itself is already in place: copying
    // it over itself would first delete it.
    const QString source = QFileInfo(picked).canonicalFilePath();
    if (source.isEmpty() || source != QFileInfo(copy).canonicalFilePath()) {
        QFile::remove(copy);
        if (!QFile::copy(picked, copy)) return showMessage(this, addFailed(), QString());
    }
    QString bmp;
    try {
        bmp = PicToBmp(copy);
    } catch (const PictureError&) {
    }
    if (bmp.isEmpty()) return showMessage(this, addFailed(), QString());
    try {
        if (loadBmp(bmp).width() > kMaxAddedWidth)
            StretchBmp(bmp, bmp, kAddedSize.width(), kAddedSize.height());
    } catch (const PictureError&) {
        return showMessage(this, addBroken(), QString());
    }
    addRow(QFileInfo(bmp).fileName());
    if (!saveList()) {
        delete LVpic->takeTopLevelItem(LVpic->topLevelItemCount() - 1);
        showMessage(this, addFailed(), QString());
    }
}

void TPicSelFrm::btnRemoveClick() {
    const int row = selectedRow();
    if (row < 0) return;
    const QString caption = LVpic->topLevelItem(row)->text(0);
    if (caption == chosen) chosen = defaultBackground();
    if (caption != defaultBackground()) delete LVpic->takeTopLevelItem(row);
    saveList(); // a failure here is not reported
}

void TPicSelFrm::btnOkClick() {
    const int row = selectedRow();
    if (row >= 0) {
        const QString caption = LVpic->topLevelItem(row)->text(0);
        if (caption != chosen) {
            chosen = caption;
            saveList();
        }
    }
    accept();
}

void TPicSelFrm::img_close_highlightClick() {
    reject();
}

} // namespace kuvano::wallpaper
