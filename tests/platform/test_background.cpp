// Work held back until the first window is on the screen, and threads that
// yield to the window's.
#include "platform/background.h"
#include "store/thread_priority.h"

#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <memory>
#include <thread>

using namespace kuvano;

namespace {

// A window wholly covered by an opaque child (so Qt paints only the child),
// which records whether the work had run when it was painted.
class Window : public QWidget {
public:
    Window() {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        child = new QLabel(QStringLiteral("月历"), this);
        child->setAutoFillBackground(true);
        layout->addWidget(child);
        child->installEventFilter(this);
    }
    QLabel* child = nullptr;
    int* runs = nullptr;
    int runsAtChildPaint = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == child && event->type() == QEvent::Paint && runsAtChildPaint < 0)
            runsAtChildPaint = *runs;
        return false;
    }
};

} // namespace

TEST(Background, WorkRunsOnceAfterTheWholeFirstFrameIsDrawn) {
    int runs = 0;
    Window w;
    w.runs = &runs;
    afterFirstPaint(w, [&] { ++runs; });
    w.show();
    EXPECT_EQ(runs, 0) << "not at show: the window is not drawn yet";
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_TRUE(QTest::qWaitFor([&] { return runs == 1; }, 5000));
    EXPECT_EQ(w.runsAtChildPaint, 0) << "the children were drawn before the work ran";
    // Later paints run nothing more.
    w.hide();
    w.show();
    w.repaint();
    QTest::qWait(20);
    EXPECT_EQ(runs, 1);
}

TEST(Background, NothingRunsForAWindowThatGoesFirst) {
    int runs = 0;
    {
        auto w = std::make_unique<QWidget>();
        afterFirstPaint(*w, [&] { ++runs; });
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        // Gone between its paint and the event loop's next pass.
    }
    QTest::qWait(20);
    EXPECT_EQ(runs, 0);
    auto never = std::make_unique<QWidget>();
    afterFirstPaint(*never, [&] { ++runs; });
    never.reset();
    QTest::qWait(20);
    EXPECT_EQ(runs, 0);
}

TEST(Background, ALoweredThreadYieldsAndTheOthersKeepTheirPriority) {
    const int mine = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    int worker = mine;
    std::thread t([&] {
        lowerThreadPriority();
        worker = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    });
    t.join();
    EXPECT_GT(worker, mine);
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), mine);
}
