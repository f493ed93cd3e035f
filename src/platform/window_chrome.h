#pragma once
// Pieces every borderless window of the program uses.

#include "platform/program_folder.h"

#include <QColor>
#include <QPixmap>
#include <QSize>

class QWidget;

namespace kuvano {

// Pressing the left mouse button on `handle` moves its top-level window with
// the mouse: the window system's move by caption, as borderless windows do.
void dragWindowBy(QWidget* handle);

// A supplied window picture from source/UI/, scaled to `size` at the device
// pixel ratio of the screen `shownOn` is on; a plain strip of `fallback` when
// it is missing, so a damaged program folder still shows a usable window.
QPixmap windowPicture(const ProgramFolder& folder, const QString& name, const QSize& size,
                      const QColor& fallback, const QWidget* shownOn);

} // namespace kuvano
