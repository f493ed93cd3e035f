#pragma once

#include "platform/program_folder.h"

#include <QColor>
#include <QPixmap>
#include <QSize>

class QLineEdit;
class QWidget;

namespace kuvano::lock {

// Pressing the left mouse button on `handle` moves its top-level window with
// the mouse: the window system's move by caption, as borderless windows do.
void dragWindowBy(QWidget* handle);

// Hides what is typed behind one "*" per character.
void makePasswordBox(QLineEdit* box);

// A supplied window picture from source/UI/, scaled to `size`; a plain strip of
// `fallback` when it is missing, so a damaged program folder still shows a usable window.
QPixmap windowPicture(const ProgramFolder& folder, const QString& name, const QSize& size,
                      const QColor& fallback);

} // namespace kuvano::lock
