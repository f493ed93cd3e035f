#pragma once
// Takes a snapshot of the notes database when one is due: at start-up when
// the newest is older than a day, and again whenever a day has passed while
// the program runs. The copy, its check and the rotation run on a worker
// thread with their own connection, at a lowered priority, so typing is never
// blocked.

#include "store/snapshots.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>

namespace kuvano::notes {

class SnapshotScheduler : public QObject {
    Q_OBJECT
public:
    explicit SnapshotScheduler(const ProgramFolder& folder, QObject* parent = nullptr);
    ~SnapshotScheduler() override; // waits for a snapshot under way

    // Checks now and then every checkIntervalMs whether a snapshot is due.
    void start(int checkIntervalMs = 3600 * 1000);
    // Starts a snapshot on the worker unless one is running; false when not due.
    bool takeIfDue();
    bool busy() const { return busy_; }
    // Blocks until a running snapshot has ended (a restore must not race it).
    void waitIdle();

    const SnapshotStore& store() const { return store_; }

Q_SIGNALS:
    // ok: the snapshot was written and checked; message: its path or the reason.
    void finished(bool ok, const QString& message);

private:
    void join();

    SnapshotStore store_;
    QTimer timer_;
    std::thread worker_;
    std::atomic<bool> busy_{false};
};

} // namespace kuvano::notes
