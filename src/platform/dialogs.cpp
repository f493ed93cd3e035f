#include "platform/dialogs.h"

#include <QColorDialog>
#include <QFileDialog>

namespace kuvano::dialogs {

namespace {
FileHook& fileHook() {
    static FileHook h;
    return h;
}
ColorHook& colorHook() {
    static ColorHook h;
    return h;
}
} // namespace

void setFileHook(FileHook hook) {
    fileHook() = std::move(hook);
}

void setColorHook(ColorHook hook) {
    colorHook() = std::move(hook);
}

QString askFileName(QWidget* parent, const FileRequest& request) {
    if (fileHook()) return fileHook()(request);
    if (request.kind == FileRequest::Save)
        // No overwrite question: the caller replaces an existing file.
        return QFileDialog::getSaveFileName(parent, request.caption, request.fileName,
                                            request.filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    return QFileDialog::getOpenFileName(parent, request.caption, request.fileName, request.filter);
}

std::optional<QColor> askColor(QWidget* parent, const ColorRequest& request) {
    if (colorHook()) return colorHook()(request);
    QColorDialog dialog(request.initial, parent);
    // Qt's dialog always shows its custom colours; nothing to expand.
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedColor();
}

} // namespace kuvano::dialogs
