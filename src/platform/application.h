#pragma once
// The application object. Errors end at the boundary of the slot or event
// handler they happen in (platform/guarded.h); an exception that still
// reaches notify() has already crossed Qt's own frames, which is undefined
// behaviour: notify() only logs it, as a last resort, and counts it so that
// tests can tell no known fault path gets there.

#include <QApplication>
#include <QString>

#include "platform/guarded.h"

#include <exception>

namespace kuvano {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Exceptions that reached notify() in this run.
    static int escapedErrors();
};

} // namespace kuvano
