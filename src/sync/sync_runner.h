#pragma once
// Keeps the open notebook in step with its calendar, off the window's thread:
// a sync at start, a few seconds after typing stops, every 15 minutes and on
// request. A server that is down is tried again later, with growing pauses;
// nothing but the state line tells of it.

#include "store/folder.h"
#include "sync/sync_session.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>
#include <mutex>

namespace kuvano::sync {

struct SyncStatus {
    enum Kind { Off, Syncing, Synced, Failed } kind = Off;
    QDateTime time;  // of the last success
    QString message; // why the last sync failed
    // "已同步 14:02", "正在同步", "同步出错: …"; empty when off.
    QString text() const;
};

class SyncRunner : public QObject {
    Q_OBJECT
public:
    explicit SyncRunner(ProgramFolder folder, QObject* parent = nullptr);
    ~SyncRunner() override;

    // Starts syncing with these settings (a first sync at once); unconfigured
    // settings or an empty password stop it.
    void configure(const SyncSettings& settings, const QString& password);
    const SyncSettings& settings() const { return settings_; }
    bool active() const { return settings_.configured() && !password_.isEmpty(); }

    void syncNow();    // "立即同步", a request from `kuvano --sync`
    void notesTyped(); // a save: a sync once typing has stopped a while
    SyncStatus status() const { return status_; }
    bool running() const { return running_; }

    // Pauses, in milliseconds (tests shorten them).
    void setPauses(int afterTypingMs, int everyMs, int firstRetryMs);
    DavOptions& options() { return options_; }

Q_SIGNALS:
    void statusChanged(const kuvano::sync::SyncStatus& status);
    // A sync ended; the notes it wrote here, for the pages on view.
    void finished(const kuvano::sync::SyncOutcome& outcome);
    void notesChanged();

private:
    void start();
    void done(const SyncOutcome& outcome);
    void setStatus(const SyncStatus& s);

    ProgramFolder folder_;
    SyncSettings settings_;
    QString password_;
    DavOptions options_;
    QThread thread_;
    QObject* worker_ = nullptr; // lives in thread_
    QTimer typing_, every_, retry_;
    int firstRetryMs_ = 30 * 1000;
    int retryMs_ = 0;
    bool running_ = false;
    bool again_ = false; // asked while one ran: one more after it
    SyncStatus status_;
    std::mutex clientLock_;
    CalDavClient* client_ = nullptr; // the running sync's, for cancel
};

} // namespace kuvano::sync

Q_DECLARE_METATYPE(kuvano::sync::SyncStatus)
Q_DECLARE_METATYPE(kuvano::sync::SyncOutcome)
