#pragma once
// Brings the index in line with the notes: on the first start with notes
// written before the index existed, for a file whose index is missing, stale
// (copied from another machine, written by another program) or was found
// corrupt and emptied. Runs on a worker thread with a connection of its own,
// at a lowered priority; notes are read outside any write lock and their
// entries written in small transactions, so a keystroke waits for one batch
// at most. Nothing is remembered between runs: each run compares every note
// with its entry again, so a run killed at any point is finished by the next
// one.

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace kuvano::notes {

struct BuildOptions {
    int batchNotes = 64; // notes per write transaction
    // Called on the worker after each committed batch (tests, the probe).
    std::function<void(int done, int total)> afterBatch;
};

// Shared between the worker and whoever shows its progress.
struct BuildProgress {
    std::atomic<bool> counted{false}; // the notes were compared: total is known
    std::atomic<int> done{0};
    std::atomic<int> total{0};
    std::atomic<bool> stop{false}; // asks the run to end after the current batch
};

// One run on the calling thread: writes the entries that are missing or
// stale, removes those whose note is gone, and returns how many it changed.
// Throws sql::Error.
int BuildSearchIndex(const QString& databasePath, const BuildOptions& options,
                     BuildProgress& progress);

class SearchIndexBuilder {
public:
    enum class State { Idle, Checking, Building, Ready, Failed };
    struct Status {
        State state = State::Idle;
        int done = 0;
        int total = 0;
        QString error;
        bool busy() const { return state == State::Checking || state == State::Building; }
    };

    explicit SearchIndexBuilder(QString databasePath, BuildOptions options = {});
    ~SearchIndexBuilder(); // stops and waits for the worker
    SearchIndexBuilder(const SearchIndexBuilder&) = delete;
    SearchIndexBuilder& operator=(const SearchIndexBuilder&) = delete;

    // Starts a run unless one is going; a finished or failed run starts again.
    void start();
    void stop();
    Status status() const;

private:
    void run();

    QString path_;
    BuildOptions options_;
    BuildProgress progress_;
    std::atomic<State> state_{State::Idle};
    mutable std::mutex mutex_;
    QString error_;
    std::thread thread_;
};

} // namespace kuvano::notes
