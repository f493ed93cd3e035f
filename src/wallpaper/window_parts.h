#pragma once
// A button of the composer's borderless windows drawn as three pictures.

#include <QLabel>
#include <QPixmap>

namespace kuvano::wallpaper {

// A button made of three pictures at one place: normal, highlighted while
// the mouse is over it, pressed while the button is held.
class ImageButton : public QLabel {
    Q_OBJECT
public:
    ImageButton(QPixmap normal, QPixmap highlight, QPixmap down, QWidget* parent);
    enum class Face { Normal, Highlight, Down };
    Face face() const { return face_; }

Q_SIGNALS:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void showFace(Face face);
    QPixmap faces_[3];
    Face face_ = Face::Normal;
};

} // namespace kuvano::wallpaper
