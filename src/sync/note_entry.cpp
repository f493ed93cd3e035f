#include "sync/note_entry.h"

#include "store/clock.h"
#include "store/note_keys.h"
#include "store/note_store.h"
#include "sync/ical.h"
#include "sync/sync_error.h"

#include <QCryptographicHash>

#include <array>
#include <tuple>

namespace kuvano::sync {

using notes::NotePage;

namespace {

// Page names in UIDs and X-KUVANO-PAGE, by NotePage's number (1..6).
constexpr std::array<const char*, 7> kPageNames = {nullptr,    "desk",   "day", "general",
                                                   "calendar", "yearly", "memo"};

QString pageName(NotePage page) {
    return QString::fromLatin1(kPageNames[size_t(page)]);
}

std::optional<NotePage> pageNamed(QStringView name) {
    for (size_t i = 1; i < kPageNames.size(); ++i)
        if (name == QLatin1String(kPageNames[i])) return NotePage(int(i));
    return std::nullopt;
}

const QString& calendarKey() {
    static const QString k = QStringLiteral("rili2011");
    return k;
}
const QString& memoKey() {
    static const QString k = QStringLiteral("bwl");
    return k;
}

// The year of a yearly note's key, 0 unless it is one written as we write it.
int yearOfKey(const QString& key) {
    bool ok = false;
    const int year = key.toInt(&ok);
    return ok && year >= 1 && year <= 9999 && QString::number(year) == key ? year : 0;
}

// Text as iCalendar carries it: line ends as LF (a CR would end the
// property), no other control characters but tabs.
QString normalized(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    t.removeIf([](QChar c) { return c.unicode() < 0x20 && c != u'\n' && c != u'\t'; });
    return t;
}

QString firstLine(const QString& text) {
    for (const QStringView line : QStringView(text).split(u'\n')) {
        const QStringView t = line.trimmed();
        if (!t.isEmpty()) return t.toString();
    }
    return {};
}

// A short digest of the DESCRIPTION we wrote beside the RTF: when another
// program edits the text, the RTF no longer shows it and must not win.
QString textDigest(const QString& text) {
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).left(8).toHex());
}

constexpr const char* kXPage = "X-KUVANO-PAGE";
constexpr const char* kXKey = "X-KUVANO-KEY";
constexpr const char* kXBox = "X-KUVANO-BOX";
constexpr const char* kXRtf = "X-KUVANO-RTF";
constexpr const char* kXColor = "X-KUVANO-COLOR";
constexpr const char* kXTextDigest = "X-KUVANO-TEXT-DIGEST";

// The note and content our properties describe, when they are all consistent.
std::optional<std::pair<NoteId, NoteContent>> ourNote(const ical::Component& j, const QString& uid,
                                                      const QString& text) {
    const auto page = j.x(kXPage), key = j.x(kXKey), box = j.x(kXBox);
    if (!page || !key || !box) return std::nullopt;
    NoteId id;
    const auto p = pageNamed(*page);
    bool ok = false;
    id.box = box->toInt(&ok);
    if (!p || !ok) return std::nullopt;
    id.page = *p;
    id.key = *key;
    if (!IsValid(id) || UidOf(id) != uid) return std::nullopt;
    NoteContent content;
    content.text = text;
    const auto rtf = j.x(kXRtf);
    const auto color = j.x(kXColor);
    if (IsRich(id.page)) {
        if (color) return std::nullopt;
        if (rtf) {
            const auto decoded = QByteArray::fromBase64Encoding(
                rtf->toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded || rtf->isEmpty()) return std::nullopt;
            content.rtf = *decoded;
            // Edited elsewhere since we wrote it: the text is what the user saw last.
            const auto digest = j.x(kXTextDigest);
            if (digest && *digest != textDigest(text)) content.rtf.clear();
        }
    } else {
        if (rtf) return std::nullopt;
        if (color) {
            content.color = color->toInt(&ok);
            if (!ok || content.color < 0 || content.color > 0xFFFFFF) return std::nullopt;
            if (id.page == NotePage::Memo) return std::nullopt;
        }
    }
    return std::make_pair(id, content);
}

JournalEntry readJournal(const ical::Component& j) {
    JournalEntry e;
    e.uid = j.textOf(ical::Prop::Uid).value_or(QString());
    if (e.uid.isEmpty())
        throw SyncError(SyncError::Kind::BadReply, QStringLiteral("日历条目缺少 UID"));
    e.date = j.dateOf(ical::Prop::DtStart);
    e.lastModified = j.timeOf(ical::Prop::LastModified);
    QString text = j.textOf(ical::Prop::Description).value_or(QString());
    if (text.isEmpty()) text = j.textOf(ical::Prop::Summary).value_or(QString());
    if (auto ours = ourNote(j, e.uid, text)) {
        e.note = ours->first;
        e.content = std::move(ours->second);
    } else {
        e.content.text = text;
    }
    return e;
}

} // namespace

bool NoteId::operator<(const NoteId& o) const {
    return std::tie(page, key, box) < std::tie(o.page, o.key, o.box);
}

size_t qHash(const NoteId& id, size_t seed) noexcept {
    return qHashMulti(seed, int(id.page), id.key, id.box);
}

bool IsRich(NotePage page) {
    return page == NotePage::Desk || page == NotePage::Day || page == NotePage::Yearly;
}

bool IsUndated(NotePage page) {
    return page == NotePage::Calendar || page == NotePage::Memo;
}

bool IsValid(const NoteId& id) {
    switch (id.page) {
    case NotePage::Desk:
    case NotePage::General: {
        const QDate month = notes::MonthOfKey(id.key);
        return month.isValid() && notes::monthKey(month) == id.key && id.box >= 1 &&
               id.box <= notes::kDeskCells;
    }
    case NotePage::Day: {
        const QDate day = notes::DateOfDayKey(id.key);
        return day.isValid() && notes::dayKey(day) == id.key && id.box == 1;
    }
    case NotePage::Calendar:
        return id.key == calendarKey() && id.box >= 1 && id.box <= notes::kDeskCells;
    case NotePage::Yearly:
        return yearOfKey(id.key) != 0 && id.box >= 1 && id.box <= notes::kYearNotes;
    case NotePage::Memo:
        return id.key == memoKey() && id.box >= 1 && id.box <= notes::kMemoNotes;
    }
    return false;
}

bool NoteContent::empty() const {
    for (const QChar c : text)
        if (!c.isSpace()) return false;
    return true;
}

QByteArray ContentHash(const NoteContent& content) {
    QCryptographicHash h(QCryptographicHash::Sha256);
    if (!content.rtf.isEmpty()) {
        h.addData(QByteArrayView("rtf\n"));
        h.addData(content.rtf);
    } else {
        h.addData(QByteArrayView("text\n"));
        h.addData(QByteArray::number(content.color) + '\n');
        h.addData(content.text.toUtf8());
    }
    return h.result();
}

QString UidOf(const NoteId& id) {
    return QStringLiteral("kuvano-%1-%2-%3@kuvano").arg(pageName(id.page), id.key).arg(id.box);
}

std::optional<NoteId> NoteIdOfUid(const QString& uid) {
    static const QLatin1String prefix("kuvano-"), suffix("@kuvano");
    if (!uid.startsWith(prefix) || !uid.endsWith(suffix)) return std::nullopt;
    const QStringView body =
        QStringView(uid).mid(prefix.size(), uid.size() - prefix.size() - suffix.size());
    const qsizetype dash = body.indexOf(u'-'), last = body.lastIndexOf(u'-');
    if (dash <= 0 || last <= dash) return std::nullopt;
    const auto page = pageNamed(body.left(dash));
    bool ok = false;
    const int box = body.mid(last + 1).toInt(&ok);
    if (!page || !ok) return std::nullopt;
    NoteId id{*page, body.mid(dash + 1, last - dash - 1).toString(), box};
    if (!IsValid(id) || UidOf(id) != uid) return std::nullopt;
    return id;
}

QDate DateOf(const NoteId& id) {
    switch (id.page) {
    case NotePage::Desk:
        return notes::deskOrigin(notes::MonthOfKey(id.key)).addDays(id.box - 1);
    case NotePage::Day:
        return notes::DateOfDayKey(id.key);
    case NotePage::General:
        return notes::MonthOfKey(id.key);
    case NotePage::Yearly:
        return QDate(yearOfKey(id.key), id.box, 1);
    case NotePage::Calendar:
    case NotePage::Memo:
        break;
    }
    return kUndatedDate;
}

JournalEntry EntryOf(const NoteId& id, const NoteContent& content, const QDateTime& modified) {
    JournalEntry e;
    e.uid = UidOf(id);
    e.date = DateOf(id);
    e.note = id;
    e.content = content;
    e.lastModified = modified;
    return e;
}

ical::Component NewCalendar() {
    ical::Component cal(ical::Kind::Calendar);
    cal.setText(ical::Prop::ProdId, QStringLiteral("-//kuvano//kuvano notes//ZH-CN"));
    cal.setText(ical::Prop::Version, QStringLiteral("2.0"));
    return cal;
}

void AddEntry(ical::Component& calendar, const JournalEntry& e) {
    ical::Component j(ical::Kind::Journal);
    const QString text = normalized(e.content.text);
    j.setText(ical::Prop::Uid, e.uid);
    j.setTime(ical::Prop::DtStamp, clock::now().toUTC());
    j.setDate(ical::Prop::DtStart, e.date);
    j.setText(ical::Prop::Summary, firstLine(text));
    j.setText(ical::Prop::Description, text);
    j.setTime(ical::Prop::LastModified, e.lastModified);
    if (e.note) {
        j.setX(kXPage, pageName(e.note->page));
        j.setX(kXKey, e.note->key);
        j.setX(kXBox, QString::number(e.note->box));
        if (IsRich(e.note->page) && !e.content.rtf.isEmpty()) {
            j.setX(kXRtf, QString::fromLatin1(e.content.rtf.toBase64()));
            j.setX(kXTextDigest, textDigest(text));
        } else if (e.note->page == NotePage::General || e.note->page == NotePage::Calendar) {
            j.setX(kXColor, QString::number(e.content.color));
        }
    }
    calendar.add(j);
}

QByteArray WriteEntry(const JournalEntry& entry) {
    ical::Component cal = NewCalendar();
    AddEntry(cal, entry);
    return cal.text();
}

JournalEntry ReadEntry(const QByteArray& ics) {
    if (ics.size() > kMaxIcsBytes)
        throw SyncError(SyncError::Kind::BadReply, QStringLiteral("日历条目太大，无法读取"));
    const ical::Component root = ical::Component::parse(ics);
    if (root.kind() != ical::Kind::Calendar)
        throw SyncError(SyncError::Kind::BadReply,
                        QStringLiteral("日历条目不是单个 VCALENDAR，无法读取"));
    const std::vector<ical::Component> journals = root.children(ical::Kind::Journal);
    if (journals.size() != 1)
        throw SyncError(SyncError::Kind::BadReply,
                        journals.empty() ? QStringLiteral("日历条目中没有记事 (VJOURNAL)")
                                         : QStringLiteral("一个日历条目中有多条记事 (VJOURNAL)"));
    return readJournal(journals.front());
}

std::vector<JournalEntry> ReadEntries(const QByteArray& ics, int* unreadable) {
    const ical::Component root = ical::Component::parse(ics);
    std::vector<ical::Component> calendars;
    if (root.kind() == ical::Kind::Root)
        calendars = root.children(ical::Kind::Calendar);
    else if (root.kind() != ical::Kind::Calendar)
        throw SyncError(SyncError::Kind::BadReply,
                        QStringLiteral("内容不是 iCalendar 日历 (VCALENDAR)"));
    std::vector<JournalEntry> out;
    int bad = 0;
    const auto readAll = [&](const ical::Component& cal) {
        for (const ical::Component& j : cal.children(ical::Kind::Journal)) {
            try {
                out.push_back(readJournal(j));
            } catch (const SyncError&) {
                ++bad;
            }
        }
    };
    if (calendars.empty())
        readAll(root);
    else
        for (const ical::Component& cal : calendars) readAll(cal);
    if (unreadable) *unreadable = bad;
    return out;
}

} // namespace kuvano::sync
