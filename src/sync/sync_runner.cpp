#include "sync/sync_runner.h"

#include "store/thread_priority.h"

#include <QLocale>
#include <QMetaObject>

namespace kuvano::sync {

QString SyncStatus::text() const {
    switch (kind) {
    case Off:
        return {};
    case Syncing:
        return QStringLiteral("正在同步");
    case Synced:
        return QStringLiteral("已同步 ") + time.toLocalTime().toString(QStringLiteral("HH:mm"));
    case Failed:
        return QStringLiteral("同步出错: ") + message;
    }
    return {};
}

SyncRunner::SyncRunner(ProgramFolder folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)) {
    qRegisterMetaType<SyncStatus>();
    qRegisterMetaType<SyncOutcome>();
    setObjectName(QStringLiteral("SyncRunner"));
    thread_.setObjectName(QStringLiteral("kuvano sync"));
    worker_ = new QObject;
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);

    for (QTimer* t : {&typing_, &retry_}) t->setSingleShot(true);
    setPauses(5 * 1000, 15 * 60 * 1000, 30 * 1000);
    for (QTimer* t : {&typing_, &every_, &retry_})
        connect(t, &QTimer::timeout, this, &SyncRunner::start);
}

SyncRunner::~SyncRunner() {
    {
        const std::lock_guard lock(clientLock_);
        if (client_) client_->cancel();
    }
    thread_.quit();
    thread_.wait();
    if (!thread_.isFinished()) delete worker_; // never started
}

void SyncRunner::setPauses(int afterTypingMs, int everyMs, int firstRetryMs) {
    typing_.setInterval(afterTypingMs);
    every_.setInterval(everyMs);
    firstRetryMs_ = firstRetryMs;
}

void SyncRunner::configure(const SyncSettings& settings, const QString& password) {
    settings_ = settings;
    password_ = password;
    retry_.stop();
    retryMs_ = 0;
    if (!active()) {
        every_.stop();
        typing_.stop();
        setStatus({});
        return;
    }
    every_.start();
    start();
}

void SyncRunner::syncNow() {
    retryMs_ = 0;
    start();
}

void SyncRunner::notesTyped() {
    if (active()) typing_.start(); // restarted by every keystroke
}

void SyncRunner::setStatus(const SyncStatus& s) {
    status_ = s;
    Q_EMIT statusChanged(status_);
}

void SyncRunner::start() {
    if (!active()) return;
    if (running_) {
        again_ = true;
        return;
    }
    typing_.stop();
    retry_.stop();
    running_ = true;
    setStatus({SyncStatus::Syncing, status_.time, {}});
    // Started by the first sync: most notebooks never sync.
    if (!thread_.isRunning()) thread_.start(QThread::LowPriority);
    QMetaObject::invokeMethod(worker_, [this, folder = folder_, settings = settings_,
                                        password = password_, options = options_] {
        lowerThreadPriority();
        const SyncOutcome outcome =
            SyncOnce(folder, settings, password, options, [this](CalDavClient* c) {
                const std::lock_guard lock(clientLock_);
                client_ = c;
            });
        {
            const std::lock_guard lock(clientLock_);
            client_ = nullptr;
        }
        QMetaObject::invokeMethod(
            this, [this, outcome] { done(outcome); }, Qt::QueuedConnection);
    });
}

void SyncRunner::done(const SyncOutcome& outcome) {
    running_ = false;
    if (!outcome.calendarFound.isEmpty() && settings_.calendar.isEmpty()) {
        settings_.calendar = outcome.calendarFound;
        try {
            WriteSyncSettings(folder_, settings_);
        } catch (const FileError&) {
            // Found again at the next sync.
        }
    }
    if (outcome.ok) {
        retryMs_ = 0;
        setStatus({SyncStatus::Synced, QDateTime::currentDateTimeUtc(), {}});
    } else {
        setStatus({SyncStatus::Failed, status_.time, outcome.message});
        if (outcome.transient) {
            // 30 s, 1 min, 2 min … up to the regular pause.
            retryMs_ = retryMs_ == 0 ? firstRetryMs_ : std::min(retryMs_ * 2, every_.interval());
            retry_.start(retryMs_);
        }
    }
    if (!outcome.report.changedHere.empty()) Q_EMIT notesChanged();
    Q_EMIT finished(outcome);
    if (again_) {
        again_ = false;
        start();
    }
}

} // namespace kuvano::sync
