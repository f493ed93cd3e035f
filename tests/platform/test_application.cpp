// The central error handler: whatever an event handler or a slot lets out is
// shown once in a message box and the event loop goes on.
#include "platform/application.h"
#include "platform/message_box.h"
#include "store/sqlite_db.h"
#include "support/test_support.h"

#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace kuvano;

namespace {

// A widget whose mouse press runs the given action.
class PressWidget : public QWidget {
public:
    std::function<void()> onPress;

protected:
    void mousePressEvent(QMouseEvent*) override { onPress(); }
};

QStringList shown(const test::MessageRecorder& r) {
    QStringList texts;
    for (const auto& m : r.messages()) texts.append(m.text);
    return texts;
}

// Lets the event loop run until n messages were shown (or two seconds passed).
void waitForMessages(const test::MessageRecorder& r, size_t n) {
    (void)QTest::qWaitFor([&] { return r.messages().size() >= n; }, 2000);
    QCoreApplication::processEvents();
}

} // namespace

TEST(CentralErrorHandler, ErrorsLeavingAnyRouteAreShownOnceAndTheLoopGoesOn) {
    ASSERT_NE(dynamic_cast<Application*>(QCoreApplication::instance()), nullptr);
    using Thrower = std::function<void()>;
    const struct {
        const char* kind;
        Thrower thrower;
        QString text;
    } kinds[] = {
        {"engine error", [] { throw sql::Error(QStringLiteral("数据库未打开")); },
         QStringLiteral("数据库未打开")},
        {"std::exception", [] { throw std::runtime_error("磁盘已满"); },
         QStringLiteral("磁盘已满")},
        {"anything else", [] { throw 42; }, QStringLiteral("程序发生了未知的错误。")},
    };
    using Route = std::function<void(const Thrower&)>;
    const struct {
        const char* name;
        Route route;
    } routes[] = {
        {"mouse press handler",
         [](const Thrower& t) {
             PressWidget w;
             w.onPress = t;
             w.resize(50, 50);
             w.show();
             QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(10, 10));
         }},
        {"slot of a button's click",
         [](const Thrower& t) {
             QPushButton b(QStringLiteral("x"));
             QObject::connect(&b, &QPushButton::clicked, t);
             b.show();
             QTest::mouseClick(&b, Qt::LeftButton);
         }},
        {"queued slot",
         [](const Thrower& t) {
             QObject receiver;
             QMetaObject::invokeMethod(&receiver, t, Qt::QueuedConnection);
             QCoreApplication::processEvents();
         }},
        {"timer",
         [](const Thrower& t) {
             QTimer timer;
             timer.setSingleShot(true);
             QObject::connect(&timer, &QTimer::timeout, t);
             timer.start(1);
             (void)QTest::qWaitFor([&] { return !timer.isActive(); }, 2000);
         }},
        {"slot on another thread",
         [](const Thrower& t) {
             QThread thread;
             QObject worker;
             worker.moveToThread(&thread);
             thread.start();
             QMetaObject::invokeMethod(&worker, t, Qt::QueuedConnection);
             // Back home once the failing slot has run, so that it ends here.
             QThread* home = QThread::currentThread();
             QMetaObject::invokeMethod(
                 &worker, [&] { worker.moveToThread(home); }, Qt::BlockingQueuedConnection);
             thread.quit();
             thread.wait();
         }},
    };
    for (const auto& route : routes) {
        for (const auto& kind : kinds) {
            SCOPED_TRACE(std::string(route.name) + ", " + kind.kind);
            test::MessageRecorder messages;
            route.route(kind.thrower);
            waitForMessages(messages, 1);
            EXPECT_EQ(shown(messages), QStringList{kind.text});
            // The loop still delivers events.
            bool delivered = false;
            QTimer::singleShot(0, [&] { delivered = true; });
            EXPECT_TRUE(QTest::qWaitFor([&] { return delivered; }, 1000));
        }
    }
}

TEST(CentralErrorHandler, BoxesComeOneAfterTheOtherAndATextWaitingIsNotRepeated) {
    test::MessageRecorder messages;
    PressWidget w;
    w.resize(50, 50);
    w.show();
    // Press and release fail alike, twice over, before the loop runs.
    int n = 0;
    w.onPress = [&] { throw std::runtime_error(++n <= 2 ? "first" : "second"); };
    for (int i = 0; i < 3; ++i) QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(messages.messages().empty()); // shown once the handler has returned
    waitForMessages(messages, 2);
    EXPECT_EQ(shown(messages), (QStringList{QStringLiteral("first"), QStringLiteral("second")}));

    // An error raised while a box is open waits for that box to close.
    int depth = 0, deepest = 0, boxes = 0;
    setMessageHook([&](const QString&, const QString&) {
        ++boxes;
        deepest = std::max(deepest, ++depth);
        if (boxes == 1) {
            reportUnhandledError(QStringLiteral("during the box"));
            QCoreApplication::processEvents();
        }
        --depth;
    });
    reportUnhandledError(QStringLiteral("the box"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return boxes == 2; }, 2000));
    EXPECT_EQ(deepest, 1);
}
