#include "wallpaper/modal.h"

#include <QDialog>

namespace kuvano::wallpaper::modal {
namespace {
DialogAnswerer& dialogAnswerer() {
    static DialogAnswerer a;
    return a;
}
} // namespace

void setDialogAnswerer(DialogAnswerer answerer) {
    dialogAnswerer() = std::move(answerer);
}

int exec(QDialog& dialog) {
    if (!dialogAnswerer()) return dialog.exec();
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    dialogAnswerer()(dialog);
    if (dialog.isVisible()) dialog.reject();
    return dialog.result();
}

} // namespace kuvano::wallpaper::modal
