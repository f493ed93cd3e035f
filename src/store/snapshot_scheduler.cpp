#include "store/snapshot_scheduler.h"

#include "store/clock.h"
#include "store/sqlite_db.h"
#include "store/thread_priority.h"

#include <QMetaObject>

namespace kuvano::notes {

SnapshotScheduler::SnapshotScheduler(const ProgramFolder& folder, QObject* parent)
    : QObject(parent), store_(folder) {
    connect(&timer_, &QTimer::timeout, this, [this] { takeIfDue(); });
}

SnapshotScheduler::~SnapshotScheduler() {
    timer_.stop();
    join();
}

void SnapshotScheduler::start(int checkIntervalMs) {
    takeIfDue();
    timer_.start(checkIntervalMs);
}

void SnapshotScheduler::join() {
    if (worker_.joinable()) worker_.join();
}

void SnapshotScheduler::waitIdle() {
    join();
}

bool SnapshotScheduler::takeIfDue() {
    if (busy_) return false;
    const QDateTime now = clock::now();
    if (!store_.due(now)) return false;
    join(); // the previous worker has ended: busy_ was cleared
    busy_ = true;
    worker_ = std::thread([this, now] {
        // Behind the window's own thread for the processor: the user types on.
        lowerThreadPriority();
        bool ok = false;
        QString message;
        try {
            message = store_.take(now).path;
            // Old snapshots go only once a new good one exists.
            store_.rotate(now);
            ok = true;
        } catch (const sql::Error& e) {
            message = e.message();
        } catch (const std::exception& e) {
            message = QString::fromLocal8Bit(e.what());
        }
        busy_ = false;
        QMetaObject::invokeMethod(
            this, [this, ok, message] { Q_EMIT finished(ok, message); }, Qt::QueuedConnection);
    });
    return true;
}

} // namespace kuvano::notes
