#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace kuvano {

// The application's own name, the title of message boxes given no caption of
// their own. Until set, the application's display name.
QString applicationTitle();
void setApplicationTitle(const QString& title);

// Modal message boxes with one OK button, as the program shows them. Tests
// install a hook that records the message instead of opening a window.
void showMessage(QWidget* parent, const QString& text, const QString& caption);

using MessageHook = std::function<void(const QString& text, const QString& caption)>;
// Replaces the boxes with the hook (pass an empty hook to restore them).
void setMessageHook(MessageHook hook);

// A modal question with the given buttons (captions as shown, the default
// first unless defaultButton says otherwise). Returns the index of the button
// chosen, or -1 when the box was closed without one. Tests install a hook
// that answers instead of opening a window.
int askQuestion(QWidget* parent, const QString& text, const QString& caption,
                const QStringList& buttons, int defaultButton = 0);

using QuestionHook =
    std::function<int(const QString& text, const QString& caption, const QStringList& buttons)>;
void setQuestionHook(QuestionHook hook);

} // namespace kuvano
