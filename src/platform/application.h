#pragma once
// The application object, and the one place where an error that no handler
// dealt with ends up.
//
// Every event handler, and every slot reached through a signal connection
// (direct or queued, on any thread: both run inside the dispatch of some
// event), is called from notify(). An exception that leaves it is caught
// there: its text is shown in a message box once the event loop runs again,
// and the program goes on. So page code catches only errors it has its own
// answer for (a message of its own, a failure to swallow) and lets every other
// one propagate; it must not leave its own state half changed when it does
// (restore switches in destructors, change widgets only after the reads that
// may fail).
//
// Not covered: code run outside the event loop (start-up before exec(), a
// QThread's own run()).

#include <QApplication>
#include <QString>

#include <exception>

namespace kuvano {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// The text shown for an error: an engine error's own message, an exception's
// what(), or a general text for anything else.
QString errorText(const std::exception_ptr& error);

// Shows the text in a message box (through showMessage) when the event loop
// next runs, on the application's thread; callable from any thread. A text
// already waiting to be shown is not queued twice, and the boxes come one
// after the other, never one inside another.
void reportUnhandledError(const QString& text);

} // namespace kuvano
