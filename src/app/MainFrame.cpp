#include "app/MainFrame.h"

#include "platform/anchors.h"
#include "platform/fonts.h"
#include "platform/screen.h"
#include "platform/sharp_picture.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QWidget>
#include <QWindow>

namespace kuvano::app {

namespace {
const char* const kButtonNames[] = {"mini", "max", "restore", "close"};
const char* const kFaceNames[] = {"normal", "highlight", "down"};

struct EntrySpec {
    const char* name;
    const char16_t* caption;
    bool separatorBefore;
    bool ready; // features still to come are shown disabled
};
// Menu order; the object names let later features find their entry.
const EntrySpec kEntries[] = {
    {"N_UISize", u"设置界面大小", false, true}, {"N_PicSel", u"选择桌面壁纸", false, false},
    {"N_SetBG", u"设为桌面背景", false, false}, {"N_NoteToTxt", u"内容导出", true, false},
    {"N_PwSet", u"密码设置", false, true},      {"N5", u"帮助说明", true, false},
    {"N7", u"意见反馈", false, false},          {"N_Exit", u"退出程序", false, true},
    {"N_About", u"关于 Kuvano", true, false},
};

bool isPress(const QEvent* e) {
    return e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick;
}

// A label stretching its picture over itself, as QLabel's scaled contents
// do and with the same pixels, through smoothStretched: the window's
// background gradient fills a million pixels at the first frame.
class StretchedLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override {
        const QPixmap picture = pixmap();
        if (!hasScaledContents() || picture.isNull() || !isEnabled() || margin() != 0)
            return QLabel::paintEvent(event);
        const QRect cr = contentsRect();
        const QSize device = cr.size() * devicePixelRatio();
        if (stretched_.size() != device || sourceKey_ != picture.cacheKey()) {
            sourceKey_ = picture.cacheKey();
            stretched_ = QPixmap::fromImage(smoothStretched(picture.toImage(), device));
            stretched_.setDevicePixelRatio(devicePixelRatio());
        }
        QPainter painter(this);
        drawFrame(&painter);
        style()->drawItemPixmap(&painter, cr, int(alignment()), stretched_);
    }

private:
    QPixmap stretched_;
    qint64 sourceKey_ = 0;
};
} // namespace

CaptionFaces captionFaces(std::optional<CaptionButton> active, CaptionFace face,
                          bool widerThanScreen) {
    CaptionFaces f;
    const auto set = [&f](CaptionButton b, std::optional<CaptionFace> v) {
        f.faces[size_t(b)] = v;
    };
    set(CaptionButton::Mini, CaptionFace::Normal);
    set(CaptionButton::Close, CaptionFace::Normal);
    set(CaptionButton::Max, widerThanScreen ? std::nullopt : std::optional(CaptionFace::Normal));
    set(CaptionButton::Restore,
        widerThanScreen ? std::optional(CaptionFace::Normal) : std::nullopt);
    if (!active) return f;
    if (*active == CaptionButton::Max) set(CaptionButton::Restore, std::nullopt);
    if (*active == CaptionButton::Restore) set(CaptionButton::Max, std::nullopt);
    set(*active, face);
    return f;
}

QLabel* pictureLabel(QWidget* parent, const QString& name, const QString& file, bool scaled) {
    auto* l = scaled ? new StretchedLabel(parent) : new QLabel(parent);
    l->setObjectName(name);
    if (!file.isEmpty()) {
        const QPixmap pm = sharpPicture(file, parent);
        if (!pm.isNull()) l->setPixmap(pm);
    }
    l->setScaledContents(scaled);
    return l;
}

QWidget* colorPanel(QWidget* parent, const QString& name, const QColor& color) {
    auto* w = new QWidget(parent);
    w->setObjectName(name);
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, color);
    w->setPalette(p);
    return w;
}

Shape::Shape(QWidget* parent, const QString& name, const QColor& pen, const QColor& fill,
             int radius)
    : QWidget(parent), pen_(pen), fill_(fill), radius_(radius) {
    setObjectName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, radius_ > 0);
    p.setPen(pen_);
    p.setBrush(fill_.isValid() ? QBrush(fill_) : Qt::NoBrush);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (radius_ > 0)
        p.drawRoundedRect(r, radius_, radius_);
    else
        p.drawRect(r);
}

PictureButton::PictureButton(QWidget* parent, const QString& name, const QPixmap& normal,
                             const QPixmap& active)
    : QAbstractButton(parent), normal_(normal), activePicture_(active) {
    setObjectName(name);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void PictureButton::setActive(bool on) {
    if (on == active_) return;
    active_ = on;
    update();
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPixmap& pm = active_ && !activePicture_.isNull() ? activePicture_ : normal_;
    // At a fractional device pixel ratio the picture is a pixel off its place's size.
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(rect(), pm);
    if (isDown())
        p.fillRect(rect(), QColor(0, 40, 80, 40));
    else if (underMouse() && !active_)
        p.fillRect(rect(), QColor(255, 255, 255, 90));
}

void PictureButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    update();
}

void PictureButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    update();
}

MainFrame::MainFrame(QWidget* window, QWidget* pnlbg, AnchorLayout& layout, const QString& ui)
    : QObject(pnlbg), window_(window), layout_(&layout) {
    startMove = [this](Qt::MouseButton button) {
        QWindow* w = window_->windowHandle();
        return button == Qt::LeftButton && w && w->startSystemMove();
    };
    imgBackGround = pictureLabel(pnlbg, QStringLiteral("imgBackGround"),
                                 ui + QStringLiteral("background.png"), true);
    layout.place(imgBackGround, QRect(2, 18, 1323, 809), AnchorAll);
    img1 = pictureLabel(pnlbg, QStringLiteral("img1"), ui + QStringLiteral("title.png"), true);
    layout.place(img1, QRect(0, 0, 1327, 21), AnchorLeft | AnchorTop | AnchorRight);
    img2 = pictureLabel(pnlbg, QStringLiteral("img2"), ui + QStringLiteral("logo.png"), false);
    layout.place(img2, QRect(15, 19, 225, 62));
    for (QLabel* l : {imgBackGround, img1}) {
        l->setMouseTracking(true);
        l->installEventFilter(this);
    }
    buildCaptionButtons(layout, ui);
    buildOptions(layout, ui);
    ShowNormalFaces();
}

void MainFrame::buildCaptionButtons(AnchorLayout& layout, const QString& ui) {
    const int lefts[] = {1230, 1258, 1258, 1287};
    for (int b = 0; b < 4; ++b) {
        const int width = b == int(CaptionButton::Close) ? 39 : 28;
        for (int f = 0; f < 3; ++f) {
            const QString name =
                QStringLiteral("img_%1_%2")
                    .arg(QLatin1String(kButtonNames[b]), QLatin1String(kFaceNames[f]));
            // Only the normal faces show at start; the others are read when
            // the mouse first brings them.
            const QString file = ui + name + QStringLiteral(".png");
            QLabel* l = pictureLabel(imgBackGround->parentWidget(), name,
                                     f == int(CaptionFace::Normal) ? file : QString(), true);
            if (f != int(CaptionFace::Normal)) unreadFaces_[size_t(b)][size_t(f)] = file;
            l->setMouseTracking(true);
            l->installEventFilter(this);
            layout.place(l, QRect(lefts[b], 0, width, 20), AnchorTop | AnchorRight);
            pictures_[size_t(b)][size_t(f)] = l;
        }
    }
}

void MainFrame::buildOptions(AnchorLayout& layout, const QString& ui) {
    QWidget* pnlbg = imgBackGround->parentWidget();
    lblSet = new QLabel(QStringLiteral("|  选项"), pnlbg);
    lblSet->setObjectName(QStringLiteral("lblSet"));
    lblSet->setFont(fonts::byPixels(QStringLiteral("宋体"), 12));
    lblSet->setCursor(Qt::PointingHandCursor);
    lblSet->installEventFilter(this);
    layout.place(lblSet, QRect(1123, 88, 60, 16), AnchorTop | AnchorRight);

    popSysset = new QMenu(pnlbg);
    popSysset->setObjectName(QStringLiteral("popSysset"));
    for (size_t i = 0; i < std::size(kEntries); ++i) {
        const EntrySpec& e = kEntries[i];
        if (e.separatorBefore) popSysset->addSeparator();
        QAction* a = popSysset->addAction(QString::fromUtf16(e.caption));
        a->setObjectName(QLatin1String(e.name));
        a->setEnabled(e.ready);
        entries_[i] = a;
    }
    connect(entry(OptionsEntry::UISize), &QAction::triggered, this,
            &MainFrame::sizeSettingsRequested);
    connect(entry(OptionsEntry::Password), &QAction::triggered, this,
            &MainFrame::passwordRequested);
    connect(entry(OptionsEntry::Exit), &QAction::triggered, this, &MainFrame::exitRequested);

    imgAppToDesk = pictureLabel(pnlbg, QStringLiteral("imgAppToDesk"),
                                ui + QStringLiteral("apptodesk.png"), false);
    imgAppToDesk->setCursor(Qt::PointingHandCursor);
    imgAppToDesk->installEventFilter(this);
    layout.place(imgAppToDesk, QRect(1230, 77, 88, 28), AnchorTop | AnchorRight);

    btnUISize = new PictureButton(pnlbg, QStringLiteral("btnUISize"),
                                  sharpPicture(ui + QStringLiteral("uisize.png"), pnlbg));
    btnUISize->setToolTip(QStringLiteral("设置窗体大小"));
    layout.place(btnUISize, QRect(1303, 809, 18, 16), AnchorRight | AnchorBottom);
    connect(btnUISize, &QAbstractButton::clicked, this, &MainFrame::sizeSettingsRequested);
}

void MainFrame::ShowSyncState(const QString& text) {
    // Made on the first state shown: most notebooks never sync.
    if (!lblSync) {
        if (text.isEmpty()) return;
        QWidget* pnlbg = imgBackGround->parentWidget();
        lblSync = new QLabel(pnlbg);
        lblSync->setObjectName(QStringLiteral("lblSync"));
        lblSync->setFont(fonts::byPixels(QStringLiteral("宋体"), 12));
        lblSync->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lblSync->setStyleSheet(QStringLiteral("color: rgb(64, 84, 112);"));
        // The title bar stays a drag area under it.
        lblSync->setAttribute(Qt::WA_TransparentForMouseEvents);
        // Right-anchored like the caption buttons it sits beside.
        layout_->place(lblSync, QRect(922, 3, 300, 15), AnchorTop | AnchorRight);
    }
    lblSync->setText(text);
    lblSync->setToolTip(text);
    lblSync->setVisible(!text.isEmpty());
    lblSync->raise();
}

QLabel* MainFrame::picture(CaptionButton button, CaptionFace face) const {
    return pictures_[size_t(button)][size_t(face)];
}

QWidget* MainFrame::backgroundPicture() const {
    return imgBackGround;
}

QWidget* MainFrame::titlePicture() const {
    return img1;
}

bool MainFrame::WiderThanScreen() const {
    return screen::geometryOf(window_).width() < window_->width();
}

void MainFrame::releaseGrab() {
    if (auto* grabber = qobject_cast<QLabel*>(QWidget::mouseGrabber()))
        for (const auto& faces : pictures_)
            if (faces[size_t(CaptionFace::Down)] == grabber) grabber->releaseMouse();
}

void MainFrame::ShowNormalFaces() {
    releaseGrab();
    pressed_.reset();
    setFaces(captionFaces(std::nullopt, CaptionFace::Normal, WiderThanScreen()));
}

void MainFrame::RaiseButtons() {
    btnUISize->raise();
}

void MainFrame::setFaces(const CaptionFaces& faces) {
    faces_ = faces;
    for (int b = 0; b < 4; ++b) {
        const auto shown = faces.faces[size_t(b)];
        // Show the new face before hiding the old one, so the place never
        // passes through empty under the mouse.
        if (shown) {
            QString& unread = unreadFaces_[size_t(b)][size_t(*shown)];
            QLabel* l = pictures_[size_t(b)][size_t(*shown)];
            if (!unread.isEmpty()) {
                const QPixmap pm = sharpPicture(unread, l->parentWidget());
                if (!pm.isNull()) l->setPixmap(pm);
                unread.clear();
            }
            l->show();
        }
        for (int f = 0; f < 3; ++f)
            if (!shown || int(*shown) != f) pictures_[size_t(b)][size_t(f)]->hide();
    }
}

bool MainFrame::captionEvent(QLabel* label, QEvent* event) {
    int button = -1, face = -1;
    for (int b = 0; b < 4; ++b)
        for (int f = 0; f < 3; ++f)
            if (pictures_[size_t(b)][size_t(f)] == label) button = b, face = f;
    if (button < 0) return false;
    const auto b = CaptionButton(button);
    const bool wider = WiderThanScreen();
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::MouseMove:
        if (face == int(CaptionFace::Normal) && !pressed_)
            setFaces(captionFaces(b, CaptionFace::Highlight, wider));
        return false;
    case QEvent::Leave:
        // Leaving through the window's edge (a picture hidden by a face
        // change leaves too, and changes nothing).
        if (face != int(CaptionFace::Normal) && label->isVisible() && !pressed_) ShowNormalFaces();
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return true;
        pressed_ = b;
        setFaces(captionFaces(b, CaptionFace::Down, wider));
        // The picture pressed is hidden now: the down picture takes the
        // mouse, or the window system's release would find no receiver.
        picture(b, CaptionFace::Down)->grabMouse();
        return true;
    case QEvent::MouseButtonRelease: {
        releaseGrab();
        if (!pressed_ || *pressed_ != b) return true;
        pressed_.reset();
        // In the picture's own coordinates: the window's global place may
        // be stale while the window manager moves it.
        if (label->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
            click(b);
        else
            ShowNormalFaces();
        return true;
    }
    default:
        return false;
    }
}

void MainFrame::click(CaptionButton button) {
    switch (button) {
    case CaptionButton::Close:
        Q_EMIT closeClicked();
        break;
    case CaptionButton::Max:
    case CaptionButton::Restore:
        Q_EMIT maxRestoreClicked(button == CaptionButton::Restore);
        break;
    case CaptionButton::Mini:
        Q_EMIT minimizeClicked();
        break;
    }
}

bool MainFrame::handMoveEvent(QEvent* event) {
    if (!handMove_) return false;
    const auto type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonRelease) return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonRelease) {
        if (mouse->button() == handMove_->button) handMove_.reset();
        return true;
    }
    // Global places: the picture moves with the window under the mouse.
    window_->move(handMove_->windowStart + mouse->globalPosition().toPoint() -
                  handMove_->pressGlobal);
    return true;
}

bool MainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgBackGround || watched == img1) {
        if (handMoveEvent(event)) return true;
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
            if (!pressed_ &&
                faces_ != captionFaces(std::nullopt, CaptionFace::Normal, WiderThanScreen()))
                ShowNormalFaces();
        } else if (isPress(event)) {
            // Any button: the borderless window follows the mouse.
            const auto* press = static_cast<QMouseEvent*>(event);
            if (!startMove || !startMove(press->button()))
                handMove_ =
                    HandMove{press->globalPosition().toPoint(), window_->pos(), press->button()};
            return true;
        }
        return false;
    }
    if (watched == lblSet && isPress(event)) {
        popSysset->popup(lblSet->mapToGlobal(QPoint(0, lblSet->height())));
        return true;
    }
    if (watched == imgAppToDesk && event->type() == QEvent::MouseButtonRelease) {
        Q_EMIT appToDeskClicked();
        return true;
    }
    if (auto* label = qobject_cast<QLabel*>(watched)) return captionEvent(label, event);
    return QObject::eventFilter(watched, event);
}

} // namespace kuvano::app
