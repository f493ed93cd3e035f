#include "sync/ics_file.h"

#include "lunar/holidays.h"
#include "store/clock.h"
#include "store/note_keys.h"
#include "sync/ical.h"
#include "sync/note_access.h"
#include "sync/sync_error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <map>

namespace kuvano::sync {

using notes::NotePage;

namespace {

// Every note the notebook stores something for, from the signatures of its
// stored values ("page/key/box", the first row of a key, as shown).
std::vector<NoteId> storedNotes(notes::NoteStore& store) {
    std::vector<NoteId> out;
    const notes::NoteSignatureMap sigs = notes::NoteSignatures(store.database());
    for (auto it = sigs.begin(); it != sigs.end(); ++it) {
        const QString& name = it.key();
        const qsizetype first = name.indexOf(QLatin1Char('/'));
        const qsizetype last = name.lastIndexOf(QLatin1Char('/'));
        if (first <= 0 || last <= first) continue;
        NoteId id{NotePage(name.left(first).toInt()), name.mid(first + 1, last - first - 1),
                  name.mid(last + 1).toInt()};
        if (IsValid(id)) out.push_back(std::move(id));
    }
    std::sort(out.begin(), out.end());
    return out;
}

void addDayOff(ical::Component& cal, const DayOffEntry& d) {
    ical::Component e(ical::Kind::Event);
    const QString mark = d.workday ? QStringLiteral("班") : QStringLiteral("休");
    e.setText(
        ical::Prop::Uid,
        QStringLiteral("kuvano-dayoff-%1@kuvano").arg(d.date.toString(QStringLiteral("yyyyMMdd"))));
    e.setTime(ical::Prop::DtStamp, clock::now().toUTC());
    e.setDate(ical::Prop::DtStart, d.date);
    e.setDate(ical::Prop::DtEnd, d.date.addDays(1));
    e.setText(ical::Prop::Summary, d.name.isEmpty() ? mark : d.name + QLatin1Char(' ') + mark);
    e.setText(ical::Prop::Transp, QStringLiteral("TRANSPARENT"));
    cal.add(e);
}

QByteArray readWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("无法打开日历文件 %1"), path, file.errorString());
    if (file.size() > kMaxIcsBytes)
        throw FileError(QStringLiteral("日历文件 %1 太大（超过 64 MB），没有导入"), path);
    QByteArray bytes = file.read(kMaxIcsBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("无法读取日历文件 %1"), path, file.errorString());
    if (bytes.size() > kMaxIcsBytes)
        throw FileError(QStringLiteral("日历文件 %1 太大（超过 64 MB），没有导入"), path);
    return bytes;
}

} // namespace

std::vector<DayOffEntry> CollectDaysOff(int fromYear, int toYear) {
    std::vector<DayOffEntry> out;
    const QDate last(std::clamp(toYear, 1, 2100), 12, 31);
    for (QDate d(std::clamp(fromYear, 1, 2100), 1, 1); d <= last; d = d.addDays(1)) {
        const lunar::DayOff kind = lunar::DayOffOf(d.year(), d.month(), d.day());
        if (kind != lunar::DayOff::None) out.push_back({d, kind == lunar::DayOff::Work, {}});
    }
    return out;
}

int ExportICalendar(notes::NoteStore& store, const QString& path, const IcsExportOptions& options) {
    ical::Component cal = NewCalendar();
    int written = 0;
    try {
        const QHash<NoteId, QDateTime> changed = LocalChangeTimes(store);
        for (const NoteId& id : storedNotes(store)) {
            const QDate date = DateOf(id);
            if (options.year && (IsUndated(id.page) || date.year() != *options.year)) continue;
            const NoteContent content = LoadNote(store, id);
            if (IsBlank(content)) continue;
            AddEntry(cal, EntryOf(id, content, changed.value(id)));
            ++written;
        }
        for (const DayOffEntry& d : options.daysOff)
            if (d.date.isValid() && (!options.year || d.date.year() == *options.year))
                addDayOff(cal, d);
    } catch (const FileError& e) {
        throw e.about(path);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(QStringLiteral("无法写入日历文件 %1"), path, file.errorString());
    const QByteArray text = cal.text();
    if (file.write(text) != text.size() || !file.commit())
        throw FileError(QStringLiteral("无法写入日历文件 %1"), path, file.errorString());
    return written;
}

QString DescribeImport(const IcsImportReport& r) {
    QStringList parts;
    const auto part = [&parts](int n, const char16_t* what) {
        if (n > 0) parts.append(QString::fromUtf16(what).arg(n));
    };
    part(r.added, u"新增 %1 条");
    part(r.updated, u"更新 %1 条");
    part(r.unchanged, u"%1 条未变");
    part(r.conflicts, u"%1 条有冲突（另一份已保留）");
    part(r.skipped, u"跳过 %1 条无法读取或没有日期的条目");
    if (parts.isEmpty()) return QStringLiteral("没有可导入的记事");
    return parts.join(QStringLiteral("，"));
}

IcsImportReport ImportICalendar(notes::NoteStore& store, SyncState& state, const QString& path) {
    const QByteArray bytes = readWhole(path);
    IcsImportReport report;
    std::vector<JournalEntry> entries;
    try {
        entries = ReadEntries(bytes, &report.skipped);
    } catch (const SyncError& e) {
        throw FileError(QStringLiteral("%1 不是可以导入的 iCalendar 日历文件"), path, e.text());
    }
    // In UID order, so that the same file always gives the same notes.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const JournalEntry& a, const JournalEntry& b) { return a.uid < b.uid; });
    const QString origin = QFileInfo(path).fileName();
    const QDateTime now = clock::now().toUTC();
    try {
        // One transaction over every note: the import is all or nothing. The
        // texts set aside go into the sync's file first, so that a failure
        // between the two keeps a text twice rather than never.
        sql::Transaction tx(store.database());
        std::vector<SyncState::Conflict> lost;
        QHash<NoteId, QDateTime> changed = LocalChangeTimes(store);
        for (const JournalEntry& e : entries) {
            if (!e.note && (!e.date.isValid() || e.content.empty())) {
                ++report.skipped;
                continue;
            }
            const NoteId id = e.note ? *e.note : NoteId{NotePage::Day, notes::dayKey(e.date), 1};
            const NoteContent local = LoadNote(store, id);
            if (!e.note) {
                // Another program's entry: added below the day's own text.
                if (local.text.contains(e.content.text.trimmed())) {
                    ++report.unchanged;
                } else if (IsBlank(local)) {
                    SaveNote(store, id, e.content);
                    ++report.added;
                } else {
                    const QString text = local.text + QLatin1Char('\n') + e.content.text;
                    SaveNote(store, id,
                             {AppendTextToRtf(local.rtf, local.text, e.content.text), text, 0});
                    ++report.updated;
                }
                continue;
            }
            const bool same = ContentHash(local) == ContentHash(e.content) ||
                              (e.content.rtf.isEmpty() && local.text == e.content.text &&
                               (IsRich(id.page) || local.color == e.content.color));
            if (same) {
                ++report.unchanged;
            } else if (IsBlank(local)) {
                SaveNote(store, id, e.content);
                ++report.added;
            } else if (e.content.empty()) {
                ++report.unchanged; // an empty entry never clears a note from a file
            } else {
                const QDateTime here = changed.value(id);
                const bool theirs =
                    e.lastModified.isValid() && (!here.isValid() || e.lastModified > here);
                if (theirs) {
                    SaveNote(store, id, e.content);
                    lost.push_back({0, id, local, now, origin});
                    ++report.updated;
                    changed.insert(id, e.lastModified);
                } else {
                    lost.push_back({0, id, e.content, now, origin});
                }
                ++report.conflicts;
            }
        }
        if (!lost.empty()) {
            // A text already set aside (the same file imported again) is kept once.
            QSet<QPair<NoteId, QByteArray>> kept;
            for (const SyncState::Conflict& c : state.conflicts())
                kept.insert({c.note, ContentHash(c.content)});
            sql::Transaction keep(state.db());
            for (const SyncState::Conflict& c : lost)
                if (!kept.contains({c.note, ContentHash(c.content)})) state.addConflict(c);
            keep.commit();
        }
        tx.commit();
    } catch (const FileError& e) {
        throw e.about(path);
    }
    return report;
}

} // namespace kuvano::sync
