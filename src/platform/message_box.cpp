#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace kuvano {
namespace {
MessageHook& hook() {
    static MessageHook h;
    return h;
}
} // namespace

void setMessageHook(MessageHook h) {
    hook() = std::move(h);
}

void showMessage(QWidget* parent, const QString& text, const QString& caption) {
    if (hook()) {
        hook()(text, caption);
        return;
    }
    const QString title = caption.isEmpty() ? QApplication::applicationDisplayName() : caption;
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

} // namespace kuvano
