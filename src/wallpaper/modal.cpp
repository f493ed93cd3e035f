#include "wallpaper/modal.h"

#include <QDialog>
#include <QFileDialog>

namespace kuvano::wallpaper::modal {
namespace {
DialogAnswerer& dialogAnswerer() {
    static DialogAnswerer a;
    return a;
}
FileAnswerer& fileAnswerer() {
    static FileAnswerer a;
    return a;
}
} // namespace

void setDialogAnswerer(DialogAnswerer answerer) {
    dialogAnswerer() = std::move(answerer);
}

void setFileAnswerer(FileAnswerer answerer) {
    fileAnswerer() = std::move(answerer);
}

int exec(QDialog& dialog) {
    if (!dialogAnswerer()) return dialog.exec();
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    dialogAnswerer()(dialog);
    if (dialog.isVisible()) dialog.reject();
    return dialog.result();
}

QString openFileName(QWidget* parent, const QString& caption, const QString& filter) {
    if (fileAnswerer()) return fileAnswerer()(filter);
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

} // namespace kuvano::wallpaper::modal
