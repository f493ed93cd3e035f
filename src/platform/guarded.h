#pragma once
// The one way an error ends inside the program: a slot or an event handler
// that can reach the notes, a file or a picture runs its body through
// guarded(), which shows what went wrong through the message seam (in
// Chinese, with the file it concerns) and lets the program go on. Nothing is
// thrown through Qt's own frames, whose libraries have no exception tables.

#include "errors/file_error.h"

#include <QString>

#include <exception>

class QWidget;

namespace kuvano {

// The text shown for an error: a FileError's message, an exception's what(),
// or a general text for anything else.
QString errorText(const std::exception_ptr& error);

// Shows the error's text in a message box over `parent`.
void showError(QWidget* parent, const QString& text);

// Runs body; an error it throws is shown over `parent`. True when it ran to its end.
template <typename F> bool guarded(QWidget* parent, F&& body) noexcept {
    try {
        body();
        return true;
    } catch (...) {
        showError(parent, errorText(std::current_exception()));
    }
    return false;
}

} // namespace kuvano
