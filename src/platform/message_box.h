#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace kuvano {

// Modal message boxes with one OK button, as the program shows them. Tests
// install a hook that records the message instead of opening a window.
void showMessage(QWidget* parent, const QString& text, const QString& caption);

using MessageHook = std::function<void(const QString& text, const QString& caption)>;
// Replaces the boxes with the hook (pass an empty hook to restore them).
void setMessageHook(MessageHook hook);

} // namespace kuvano
