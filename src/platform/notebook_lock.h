#pragma once
// One writer per notebook. The single-instance server lives in the user's
// runtime folder, so a copy started with another one does not find it; this
// lock lives beside the notes, and every copy that opens them must hold it.

#include "store/folder.h"

#include <QString>

namespace kuvano {

class NotebookLock {
public:
    // Takes an exclusive lock on DB3/kuvano.lock (made 0600) without waiting.
    // The system drops it when the process ends, however it ends.
    explicit NotebookLock(const ProgramFolder& folder);
    ~NotebookLock();
    NotebookLock(const NotebookLock&) = delete;
    NotebookLock& operator=(const NotebookLock&) = delete;

    bool held() const { return fd_ >= 0; }
    // Another running copy has it (rather than the file failing to open).
    bool busy() const { return busy_; }
    // Why it is not held, in one line naming the notes folder; empty when held.
    const QString& error() const { return error_; }

    static QString relativePath() { return QStringLiteral("DB3/kuvano.lock"); }

private:
    int fd_ = -1;
    bool busy_ = false;
    QString error_;
};

} // namespace kuvano
