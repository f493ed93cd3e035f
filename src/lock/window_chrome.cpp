#include "lock/window_chrome.h"

#include <QLineEdit>

namespace kuvano::lock {

void makePasswordBox(QLineEdit* box) {
    box->setEchoMode(QLineEdit::Password);
    box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
}

} // namespace kuvano::lock
