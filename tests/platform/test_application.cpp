// The error boundary: whatever a slot's or an event handler's body throws is
// shown once through the message seam and the event loop goes on; what
// escapes to the application object is only logged and counted.
#include "errors/file_error.h"
#include "platform/application.h"
#include "platform/guarded.h"
#include "platform/message_box.h"
#include "support/test_support.h"

#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <functional>
#include <new>
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

TEST(ErrorBoundary, EachKindOfErrorIsShownOnceAndTheLoopGoesOn) {
    using Thrower = std::function<void()>;
    const struct {
        const char* kind;
        Thrower thrower;
        QString text;
    } kinds[] = {
        {"file error",
         [] {
             throw FileError(QStringLiteral("笔记数据库文件 %1 已损坏"), QStringLiteral("/n/C.mdb"),
                             QStringLiteral("database disk image is malformed"));
         },
         QStringLiteral("笔记数据库文件 /n/C.mdb 已损坏 (database disk image is malformed)")},
        {"std::exception", [] { throw std::runtime_error("磁盘已满"); },
         QStringLiteral("磁盘已满")},
        {"out of memory", [] { throw std::bad_alloc(); }, QStringLiteral("内存不足，操作未完成。")},
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
             w.onPress = [&] { guarded(&w, t); };
             w.resize(50, 50);
             w.show();
             QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(10, 10));
         }},
        {"slot of a button's click",
         [](const Thrower& t) {
             QPushButton b(QStringLiteral("x"));
             QObject::connect(&b, &QPushButton::clicked, [&] { guarded(&b, t); });
             b.show();
             QTest::mouseClick(&b, Qt::LeftButton);
         }},
        {"queued slot",
         [](const Thrower& t) {
             QObject receiver;
             QMetaObject::invokeMethod(
                 &receiver, [&] { guarded(nullptr, t); }, Qt::QueuedConnection);
             QCoreApplication::processEvents();
         }},
        {"timer",
         [](const Thrower& t) {
             QTimer timer;
             timer.setSingleShot(true);
             QObject::connect(&timer, &QTimer::timeout, [&] { guarded(nullptr, t); });
             timer.start(1);
             (void)QTest::qWaitFor([&] { return !timer.isActive(); }, 2000);
         }},
    };
    const int escaped = Application::escapedErrors();
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
    EXPECT_EQ(Application::escapedErrors(), escaped);
}

TEST(ErrorBoundary, AnErrorThatReachesTheApplicationIsCountedAndShowsNoBox) {
    ASSERT_NE(dynamic_cast<Application*>(QCoreApplication::instance()), nullptr);
    test::MessageRecorder messages;
    const int escaped = Application::escapedErrors();
    PressWidget w;
    w.onPress = [] { throw std::runtime_error("let out"); };
    w.resize(50, 50);
    w.show();
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(10, 10));
    QCoreApplication::processEvents();
    EXPECT_EQ(Application::escapedErrors(), escaped + 1);
    EXPECT_TRUE(messages.messages().empty());
}
