#include "platform/application.h"

#include "platform/message_box.h"
#include "store/sqlite_db.h"

#include <QMutex>
#include <QStringList>

#include <optional>

namespace kuvano {

namespace {

// Texts waiting for their box. Written from any thread, shown on the
// application's.
struct Pending {
    QMutex mutex;
    QStringList texts;
    bool posted = false;  // a showPending() call is on its way
    bool showing = false; // a box is open (only touched on the application's thread)
};

Pending& pending() {
    static Pending p;
    return p;
}

std::optional<QString> takeNext() {
    Pending& p = pending();
    QMutexLocker lock(&p.mutex);
    if (p.texts.isEmpty()) return std::nullopt;
    return p.texts.takeFirst();
}

void showPending() {
    Pending& p = pending();
    {
        QMutexLocker lock(&p.mutex);
        p.posted = false;
    }
    // An error raised while a box is open is queued: the box already open
    // shows it when it closes.
    if (p.showing) return;
    p.showing = true;
    while (const std::optional<QString> text = takeNext())
        showMessage(QApplication::activeWindow(), *text, QString());
    p.showing = false;
}

} // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportUnhandledError(errorText(std::current_exception()));
    }
    // The event counts as handled: it is not handed on to a parent.
    return true;
}

QString errorText(const std::exception_ptr& error) {
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const sql::Error& e) {
            return e.message();
        } catch (const std::exception& e) {
            return QString::fromUtf8(e.what());
        } catch (...) {
        }
    }
    return QStringLiteral("程序发生了未知的错误。");
}

void reportUnhandledError(const QString& text) {
    Pending& p = pending();
    QMutexLocker lock(&p.mutex);
    if (!p.texts.contains(text)) p.texts.append(text);
    if (p.posted || !qApp) return;
    p.posted = true;
    QMetaObject::invokeMethod(qApp, &showPending, Qt::QueuedConnection);
}

} // namespace kuvano
