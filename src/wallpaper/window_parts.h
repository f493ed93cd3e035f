#pragma once
// Pieces of the composer's borderless windows: moving the window by dragging
// a picture, a button drawn as three pictures, and the supplied pictures.

#include "platform/program_folder.h"

#include <QLabel>
#include <QPixmap>

namespace kuvano::wallpaper {

// Pressing the left button on `handle` moves its window with the mouse.
void dragWindowBy(QWidget* handle);

// A supplied picture from source/UI/ scaled to `size`; a plain `fallback`
// colour when it is missing, so a damaged program folder still shows a usable window.
QPixmap uiPicture(const ProgramFolder& folder, const QString& name, QSize size,
                  const QColor& fallback);

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
