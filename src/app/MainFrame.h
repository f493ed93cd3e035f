#pragma once
// The main window's own frame: background and title pictures (the drag
// areas), the logo, the four caption buttons drawn as pictures that change on
// hover and press, the options label with its menu, the wallpaper picture and
// the window size button.

#include <QAbstractButton>
#include <QColor>
#include <QObject>
#include <QPixmap>
#include <QPoint>

#include <array>
#include <functional>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QWidget;

namespace kuvano {
class AnchorLayout;
}

namespace kuvano::app {

enum class CaptionButton { Mini, Max, Restore, Close };
enum class CaptionFace { Normal, Highlight, Down };

// The face each caption button shows; nullopt when none of its pictures does.
struct CaptionFaces {
    std::array<std::optional<CaptionFace>, 4> faces;
    std::optional<CaptionFace> operator[](CaptionButton b) const { return faces[size_t(b)]; }
    bool operator==(const CaptionFaces&) const = default;
};

// The faces with `active` showing `face` (nullopt: every button normal).
// Maximise and restore share a place: normally maximise shows while the
// window is no wider than the screen, restore only while it is wider; when
// one of them is active the other shows nothing.
CaptionFaces captionFaces(std::optional<CaptionButton> active, CaptionFace face,
                          bool widerThanScreen);

// A picture from the program folder (a missing file gives an empty label).
QLabel* pictureLabel(QWidget* parent, const QString& name, const QString& file, bool scaled);
// A panel filled with one colour.
QWidget* colorPanel(QWidget* parent, const QString& name, const QColor& color);

// A frame line: a rectangle, or a rounded one, with an optional fill.
class Shape : public QWidget {
    Q_OBJECT
public:
    Shape(QWidget* parent, const QString& name, const QColor& pen, const QColor& fill = QColor(),
          int radius = 0);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor pen_, fill_;
    int radius_;
};

// A flat button that is only its picture: the active picture while `active`
// (the page on view), a lighter face under the mouse.
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    PictureButton(QWidget* parent, const QString& name, const QPixmap& normal,
                  const QPixmap& active = QPixmap());
    void setActive(bool on);
    bool isActive() const { return active_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPixmap normal_, activePicture_;
    bool active_ = false;
};

// Options menu entries, in menu order (separators not counted).
enum class OptionsEntry {
    UISize,        // 设置界面大小
    PicSel,        // 选择桌面壁纸
    SetBackground, // 设为桌面背景
    NoteToTxt,     // 内容导出
    Password,      // 密码设置
    Help,          // 帮助说明
    Feedback,      // 意见反馈
    Exit,          // 退出程序
    About,         // 关于 Kuvano
};

class MainFrame : public QObject {
    Q_OBJECT
public:
    // Builds the frame on pnlbg (its client area laid out by `layout`, in the
    // design size of the main window); pictures come from uiFolder.
    MainFrame(QWidget* window, QWidget* pnlbg, AnchorLayout& layout, const QString& uiFolder);

    QLabel* picture(CaptionButton button, CaptionFace face) const;
    CaptionFaces faces() const { return faces_; }
    // Every button back to its normal picture, by the width rule.
    void ShowNormalFaces();
    bool WiderThanScreen() const;

    QWidget* backgroundPicture() const;
    QWidget* titlePicture() const;
    QLabel* optionsLabel() const { return lblSet; }
    // The sync's one-line state in the title bar, left of the caption
    // buttons; hidden while the text is empty.
    void ShowSyncState(const QString& text);
    QLabel* syncLabel() const { return lblSync; }
    QMenu* optionsMenu() const { return popSysset; }
    QAction* entry(OptionsEntry e) const { return entries_[size_t(e)]; }
    PictureButton* sizeButton() const { return btnUISize; }
    // Keeps the small bottom-right button above the panels built after the frame.
    void RaiseButtons();

    // The window system's move by caption for a press of `button`; false
    // when it takes none (no window manager, or not the left button: a
    // system move begun by another button lasts until the next left click).
    // The frame then moves the window itself. Tests replace it.
    std::function<bool(Qt::MouseButton button)> startMove;

Q_SIGNALS:
    void closeClicked();
    void maxRestoreClicked(bool restorePicture);
    void minimizeClicked();
    void sizeSettingsRequested();
    void passwordRequested();
    void exitRequested();
    void appToDeskClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildCaptionButtons(AnchorLayout& layout, const QString& ui);
    void buildOptions(AnchorLayout& layout, const QString& ui);
    void setFaces(const CaptionFaces& faces);
    bool captionEvent(QLabel* label, QEvent* event);
    void click(CaptionButton button);
    void releaseGrab();

    QWidget* window_;
    AnchorLayout* layout_;
    QLabel* imgBackGround = nullptr;
    QLabel* img1 = nullptr;
    QLabel* img2 = nullptr;
    QLabel* lblSet = nullptr;
    QLabel* lblSync = nullptr;
    QLabel* imgAppToDesk = nullptr;
    PictureButton* btnUISize = nullptr;
    QMenu* popSysset = nullptr;
    std::array<QAction*, 9> entries_{};
    // [button][face]
    std::array<std::array<QLabel*, 3>, 4> pictures_{};
    // The highlight and down faces' files, read when the face first shows.
    std::array<std::array<QString, 3>, 4> unreadFaces_{};
    CaptionFaces faces_;
    std::optional<CaptionButton> pressed_;
    // A move by hand under way: the press's global place and button, and
    // where the window was then.
    struct HandMove {
        QPoint pressGlobal;
        QPoint windowStart;
        Qt::MouseButton button;
    };
    std::optional<HandMove> handMove_;
    bool handMoveEvent(QEvent* event);
};

} // namespace kuvano::app
