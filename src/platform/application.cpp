#include "platform/application.h"

#include "platform/message_box.h"

#include <atomic>
#include <new>

namespace kuvano {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

namespace {
std::atomic<int> g_escaped{0};
} // namespace

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ++g_escaped;
        qCritical("kuvano: an error crossed Qt's event handling: %s",
                  qUtf8Printable(errorText(std::current_exception())));
    }
    // The event counts as handled: it is not handed on to a parent.
    return true;
}

int Application::escapedErrors() {
    return g_escaped.load();
}

void showError(QWidget* parent, const QString& text) {
    showMessage(parent, text, QString());
}

QString errorText(const std::exception_ptr& error) {
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const FileError& e) {
            return e.message();
        } catch (const std::bad_alloc&) {
            return QStringLiteral("内存不足，操作未完成。");
        } catch (const std::exception& e) {
            return QString::fromUtf8(e.what());
        } catch (...) {
        }
    }
    return QStringLiteral("程序发生了未知的错误。");
}

} // namespace kuvano
