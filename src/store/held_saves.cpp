// Saves that find the notes file held by another program (a sync tool, a
// second copy on a shared folder, an open sqlite3 shell) are held back rather
// than waited for on every keystroke: typing stays fluid, loads show what was
// typed, and a timer writes them as soon as the file is free.

#include "store/note_store.h"

namespace kuvano::notes {

bool NoteStore::writeOrHold(const std::function<void()>& write, const std::function<void()>& hold) {
    if (!held_.empty()) retryHeld(); // the file may be free again
    if (held_.empty()) {
        try {
            const sql::BusyTimeout wait(db_, kFirstTryMs);
            writeSafely(write);
            return true;
        } catch (const sql::Busy&) {
            // Held back below, like every save after it until the file is free.
        }
    }
    const bool first = held_.empty();
    hold();
    if (first) {
        retry_.start();
        if (onHeldChanged) onHeldChanged(true);
    }
    return false;
}

void NoteStore::writeSafely(const std::function<void()>& write) {
    const bool indexed = indexing_;
    try {
        write();
    } catch (const FileError&) {
        // The index failed and took the transaction with it: the note goes
        // in without it.
        if (!indexed || indexing_) throw;
        write();
    }
}

void NoteStore::writeHeldSaves(int waitMs) {
    if (held_.empty()) return;
    {
        const sql::BusyTimeout wait(db_, waitMs);
        // One transaction: the file is taken once, and nothing is half written.
        sql::Transaction tx(db_);
        for (const auto& [at, note] : held_.desk) writeDeskCell(at.first, at.second, note);
        // A day that came to have two rows meanwhile cannot take its note; it
        // stays in its box, as when such a day is typed in directly.
        for (const auto& [key, note] : held_.days) writeDaySchedule(key, note);
        for (const auto& [at, lines] : held_.lines)
            writeLines(LineBook(at.first), at.second, lines);
        for (const auto& [year, notes] : held_.years) writeYear(year, notes);
        for (const auto& [line, text] : held_.memo) writeMemoLine(line, text);
        tx.commit();
    }
    held_ = {};
    retry_.stop();
    if (onHeldChanged) onHeldChanged(false);
}

void NoteStore::retryHeld() {
    try {
        // Never waits: the timer comes back soon enough.
        writeHeldSaves(0);
    } catch (const FileError&) {
        // Still held (or failing otherwise): the unsaved sign stays, and so do the notes.
    }
}

void NoteStore::saveDeskCell(const QString& monthKey, int cell, const RichNote& note) {
    writeOrHold([&] { writeDeskCell(monthKey, cell, note); },
                [&] {
                    held_.desk[{monthKey, cell}] = note;
                });
}

bool NoteStore::saveDaySchedule(const QString& dayKey, const RichNote& note) {
    bool saved = true;
    writeOrHold([&] { saved = writeDaySchedule(dayKey, note); },
                [&] { held_.days[dayKey] = note; });
    return saved;
}

void NoteStore::saveLines(LineBook book, const QString& key, const LineNotes& lines) {
    writeOrHold([&] { writeLines(book, key, lines); },
                [&] {
                    held_.lines[{int(book), key}] = lines;
                });
}

void NoteStore::saveYear(int year, const std::array<RichNote, kYearNotes>& notes) {
    writeOrHold([&] { writeYear(year, notes); }, [&] { held_.years[year] = notes; });
}

bool NoteStore::saveMemoLine(int line, const QString& text) {
    bool written = true;
    writeOrHold([&] { written = writeMemoLine(line, text); },
                [&] {
                    if (line < 1 || line > kMemoNotes)
                        throw FileError(QStringLiteral("备忘录没有第 %1 行").arg(line));
                    held_.memo[line] = text;
                });
    return written;
}

} // namespace kuvano::notes
