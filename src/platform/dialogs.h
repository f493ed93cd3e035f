#pragma once
// The platform's file and colour dialogs, behind seams that tests answer
// instead of opening a window (every modal question goes through one).

#include <QColor>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace kuvano::dialogs {

struct FileRequest {
    enum Kind { Open, Save } kind = Open;
    QString caption;
    QString fileName; // proposed name (save) or start folder
    QString filter;   // Qt filter text, e.g. "*.Txt"
};

// The chosen path, or an empty string when the user cancelled.
QString askFileName(QWidget* parent, const FileRequest& request);
using FileHook = std::function<QString(const FileRequest&)>;
void setFileHook(FileHook hook);

struct ColorRequest {
    QColor initial;
    bool customColorsShown = true;
};
// The chosen colour, or nothing when the user cancelled.
std::optional<QColor> askColor(QWidget* parent, const ColorRequest& request);
using ColorHook = std::function<std::optional<QColor>(const ColorRequest&)>;
void setColorHook(ColorHook hook);

} // namespace kuvano::dialogs
