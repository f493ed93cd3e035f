#include "store/access_import.h"

#include "access/access_read.h"
#include "store/note_keys.h"
#include "store/note_store.h"
#include "store/rich_text.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace kuvano::notes {

namespace {

// How a table's rows are found by the pages, and what its columns hold.
enum class Key {
    Month, // month key text (20105)
    Day,   // day key, written in the regional short date form of its day
    Text,  // a constant text key ("rili2011")
    Year,  // the year as a number
    Memo,  // the one row whose memkey is "bwl"
};
enum class Content { RichText, Text, Color };

struct KnownTable {
    const char16_t* name;
    Key key;
    Content content;
    int cells; // columns after the key, at positions 1..cells
};

constexpr KnownTable kKnown[] = {
    {u"TailiNew", Key::Month, Content::RichText, kDeskCells},
    {u"TailiNew_day", Key::Day, Content::RichText, 1},
    {u"edtText", Key::Month, Content::Text, 42},
    {u"edtTextColor", Key::Month, Content::Color, 42},
    {u"RiliJishi", Key::Text, Content::Text, 42},
    {u"RiliColor", Key::Text, Content::Color, 42},
    {u"YearJishi", Key::Year, Content::RichText, 12},
    {u"beiwanglu", Key::Memo, Content::Text, 11},
    // Opened at start-up, never read or written: copied as they are.
    {u"Taili", Key::Text, Content::RichText, 1},
    {u"TailiColor", Key::Text, Content::Color, 1},
};

QString nameOf(const KnownTable& k) {
    return QString::fromUtf16(k.name);
}

QString quoted(const QString& identifier) {
    QString q = identifier;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString shown(const QVariant& v) {
    QString s = v.typeId() == QMetaType::QByteArray ? QStringLiteral("(二进制数据)") : v.toString();
    if (s.size() > 20) s = s.left(20) + QStringLiteral("…");
    return QStringLiteral("“%1”").arg(s);
}

// What was left out or changed, grouped so that ten years of the same kind
// of thing make one line of the report.
class Findings {
public:
    void add(const QString& group, const QString& example = QString()) {
        for (auto& g : groups_) {
            if (g.title == group) {
                ++g.count;
                if (g.examples.size() < kExamples && !example.isEmpty()) g.examples.append(example);
                return;
            }
        }
        groups_.push_back({group, example.isEmpty() ? QStringList() : QStringList{example}, 1});
    }

    QStringList lines() const {
        QStringList out;
        for (const auto& g : groups_) {
            QString line = g.title;
            if (!g.examples.isEmpty()) {
                line += QStringLiteral("：") + g.examples.join(QStringLiteral("、"));
                if (g.count > g.examples.size()) line += QStringLiteral(" 等 %1 个").arg(g.count);
            }
            out.append(line);
        }
        return out;
    }

private:
    static constexpr int kExamples = 3;
    struct Group {
        QString title;
        QStringList examples;
        int count;
    };
    std::vector<Group> groups_;
};

// Where the key and cell k (1-based) of a known table are in the Access table.
struct Layout {
    int key = 0;
    std::vector<int> cells; // -1: the Access table has no such column
    QStringList extra;      // columns left out
};

int columnNamed(const std::vector<access::Column>& cols, const QString& name) {
    for (size_t i = 0; i < cols.size(); ++i)
        if (cols[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

Layout layoutOf(const KnownTable& k, const std::vector<access::Column>& cols) {
    Layout l;
    const int n = int(cols.size());
    for (int c = 1; c <= k.cells; ++c) l.cells.push_back(c < n ? c : -1);
    std::vector<bool> used(size_t(n), false);
    if (k.key == Key::Memo) {
        // The page finds the memo row by the column's name, its lines by position.
        l.key = columnNamed(cols, QStringLiteral("memkey"));
        if (n > 0) used[0] = true; // position 0 is not a line
    } else if (k.key == Key::Year) {
        // The yearly page names its columns: year, Month1 ... Month12.
        std::vector<int> named;
        for (int m = 1; m <= 12; ++m)
            named.push_back(columnNamed(cols, QStringLiteral("Month%1").arg(m)));
        const int year = columnNamed(cols, QStringLiteral("year"));
        if (year >= 0 && std::find(named.begin(), named.end(), -1) == named.end()) {
            l.key = year;
            l.cells = named;
        }
    }
    if (l.key >= 0 && l.key < n) used[size_t(l.key)] = true;
    for (int c : l.cells)
        if (c >= 0) used[size_t(c)] = true;
    for (int i = 0; i < n; ++i)
        if (!used[size_t(i)]) l.extra.append(cols[size_t(i)].name);
    return l;
}

class Importer {
public:
    Importer(const access::FileData& src, sql::Database& db, ImportReport& report)
        : src_(src), db_(db), report_(report) {}

    void run();

private:
    void importTable(const KnownTable& k, const access::TableData& src);
    std::optional<std::pair<QVariant, QString>> keyOf(const KnownTable& k, const QVariant& v,
                                                      const QString& table);
    std::optional<QVariant> cell(const KnownTable& k, const QVariant& v, const QString& where);
    QHash<QString, qint64> existingRows(const KnownTable& k, const QString& keyColumn);
    bool hasNotes(const KnownTable& k, const QStringList& cellColumns, qint64 rowid);
    void count(const KnownTable& k, const QString& key, const std::vector<QVariant>& cells);

    const access::FileData& src_;
    sql::Database& db_;
    ImportReport& report_;
    Findings findings_;
    QSet<QString> generalMonths_;
    QStringEncoder gb18030_{"GB18030", QStringConverter::Flag::Stateless};
    QStringDecoder fromGb18030_{"GB18030", QStringConverter::Flag::Stateless};
};

void Importer::run() {
    QStringList unknown;
    for (const QString& name : src_.tableNames) {
        bool known = false;
        for (const KnownTable& k : kKnown)
            known = known || name.compare(nameOf(k), Qt::CaseInsensitive) == 0;
        if (!known) unknown.append(name);
    }
    for (const access::TableData& t : src_.tables)
        for (const KnownTable& k : kKnown)
            if (t.name.compare(nameOf(k), Qt::CaseInsensitive) == 0) importTable(k, t);
    if (!unknown.isEmpty())
        findings_.add(
            QStringLiteral("不认识的表，没有导入：%1").arg(unknown.join(QStringLiteral("、"))));
    report_.generalMonths = int(generalMonths_.size());
    report_.skipped = findings_.lines();
}

std::optional<std::pair<QVariant, QString>> Importer::keyOf(const KnownTable& k, const QVariant& v,
                                                            const QString& table) {
    const auto meta = v.typeId();
    const bool number = meta == QMetaType::LongLong;
    const bool whole = meta == QMetaType::Double && std::isfinite(v.toDouble()) &&
                       std::fabs(v.toDouble()) < 1e15 && std::trunc(v.toDouble()) == v.toDouble();
    auto text = [&]() -> QString {
        if (meta == QMetaType::QString) return v.toString();
        if (number || whole) return QString::number(qlonglong(v.toDouble()));
        return QString();
    };
    if (k.key == Key::Year) {
        bool ok = number || whole;
        qlonglong year = qlonglong(v.toDouble());
        if (meta == QMetaType::QString) year = v.toString().trimmed().toLongLong(&ok);
        if (!ok) {
            if (v.isValid())
                findings_.add(QStringLiteral("%1：年份不是数，这些行没有导入").arg(table),
                              shown(v));
            else
                findings_.add(QStringLiteral("%1：没有年份的行没有导入").arg(table));
            return std::nullopt;
        }
        return std::pair{QVariant(year), QString::number(year)};
    }
    if (k.key == Key::Day && meta == QMetaType::QDateTime) {
        const QString key = dayKey(v.toDateTime().date());
        return std::pair{QVariant(key), key};
    }
    const QString key = text();
    if (key.isEmpty()) {
        if (k.key != Key::Memo)
            findings_.add(QStringLiteral("%1：键为空或不可用的行没有导入").arg(table),
                          v.isValid() ? shown(v) : QString());
        return std::nullopt;
    }
    if (k.key == Key::Day) {
        if (const auto date = dateOfDayKey(key)) {
            const QString ours = dayKey(*date);
            return std::pair{QVariant(ours), ours};
        }
        findings_.add(QStringLiteral("%1：认不出的日期，按原样保留").arg(table), shown(v));
    }
    return std::pair{QVariant(key), key};
}

std::optional<QVariant> Importer::cell(const KnownTable& k, const QVariant& v,
                                       const QString& where) {
    if (!v.isValid()) return QVariant();
    const auto meta = v.typeId();
    switch (k.content) {
    case Content::RichText:
        // A long binary value is the byte stream the rich-text box wrote; a
        // memo came in through the ANSI code page (GBK) and goes back to it.
        if (meta == QMetaType::QByteArray) return v;
        return QVariant(QByteArray(gb18030_.encode(v.toString())));
    case Content::Text:
        if (meta == QMetaType::QByteArray) return QVariant(fromGb18030_.decode(v.toByteArray()));
        return QVariant(v.toString());
    case Content::Color: {
        constexpr double lo = std::numeric_limits<qint32>::min();
        constexpr double hi = std::numeric_limits<qint32>::max();
        bool ok = false;
        qlonglong c = 0;
        if (meta == QMetaType::LongLong || meta == QMetaType::Double) {
            const double d = v.toDouble();
            ok = std::isfinite(d) && std::trunc(d) == d && d >= lo && d <= hi;
            c = qlonglong(d);
        } else if (meta == QMetaType::QString) {
            const QString s = v.toString().trimmed();
            if (s.isEmpty()) return QVariant(); // shown black, as a NULL colour
            c = s.toLongLong(&ok);
            ok = ok && c >= qlonglong(lo) && c <= qlonglong(hi);
        }
        if (ok) return QVariant(c);
        findings_.add(QStringLiteral("%1：不是颜色值，没有导入").arg(where), shown(v));
        return std::nullopt;
    }
    }
    return QVariant();
}

QHash<QString, qint64> Importer::existingRows(const KnownTable& k, const QString& keyColumn) {
    // A new database holds only the memo row; merging meets every row.
    QHash<QString, qint64> rows;
    sql::Statement st(
        db_, QStringLiteral("select rowid, %1 from %2").arg(quoted(keyColumn), quoted(nameOf(k))));
    while (st.step()) {
        const QString key = st.column(1).toString();
        if (!rows.contains(key)) rows.insert(key, st.column(0).toLongLong());
    }
    return rows;
}

// A value that is a note: text, a colour other than black, rich text with
// some text in it.
bool isNote(Content content, const QVariant& v) {
    if (!v.isValid()) return false;
    switch (content) {
    case Content::Text:
        return !v.toString().isEmpty();
    case Content::Color:
        return v.toLongLong() != 0;
    case Content::RichText: {
        const QByteArray bytes = v.toByteArray();
        if (bytes.isEmpty()) return false;
        return !plainTextOf(bytes).trimmed().isEmpty();
    }
    }
    return false;
}

// A row the user has written in keeps its notes; an empty one (a month
// opened and a cell entered and left, the memo row made with the database)
// takes the imported notes instead of keeping nothing.
bool Importer::hasNotes(const KnownTable& k, const QStringList& cellColumns, qint64 rowid) {
    sql::Statement st(db_, QStringLiteral("select %1 from %2 where rowid=?")
                               .arg(cellColumns.join(QLatin1Char(',')), quoted(nameOf(k))));
    st.bind(1, QVariant(qlonglong(rowid)));
    if (!st.step()) return false;
    for (int c = 0; c < st.columnCount(); ++c)
        if (isNote(k.content, st.column(c))) return true;
    return false;
}

void Importer::count(const KnownTable& k, const QString& key, const std::vector<QVariant>& cells) {
    const QString name = nameOf(k);
    auto nonEmpty = [&] {
        int n = 0;
        for (const QVariant& c : cells) n += c.isValid() && !c.toString().isEmpty() ? 1 : 0;
        return n;
    };
    if (name == QLatin1String("TailiNew"))
        ++report_.deskMonths;
    else if (name == QLatin1String("TailiNew_day"))
        ++report_.dayNotes;
    else if (name == QLatin1String("edtText") || name == QLatin1String("edtTextColor"))
        generalMonths_.insert(key);
    else if (name == QLatin1String("RiliJishi"))
        report_.calendarNotes += nonEmpty();
    else if (name == QLatin1String("YearJishi"))
        ++report_.years;
    else if (name == QLatin1String("beiwanglu"))
        report_.memoLines += nonEmpty();
}

void Importer::importTable(const KnownTable& k, const access::TableData& src) {
    const QString name = nameOf(k);
    const Layout layout = layoutOf(k, src.columns);
    for (const QString& extra : layout.extra)
        findings_.add(QStringLiteral("%1：多出的列没有导入").arg(name), extra);
    if (layout.key < 0) {
        findings_.add(QStringLiteral("%1：没有 memkey 列，备忘录没有导入").arg(name));
        return;
    }
    const QStringList& ours = db_.tableColumns(name);
    const QString keyColumn = k.key == Key::Memo ? QStringLiteral("memkey") : ours.value(0);
    QStringList cellColumns, sets;
    for (int c = 1; c <= k.cells; ++c) {
        cellColumns.append(quoted(ours.value(c)));
        sets.append(cellColumns.back() + QStringLiteral("=?"));
    }
    sql::Statement insert(db_, QStringLiteral("insert into %1(%2,%3) values(?%4)")
                                   .arg(quoted(name), quoted(keyColumn),
                                        cellColumns.join(QLatin1Char(',')),
                                        QStringLiteral(",?").repeated(k.cells)));
    std::optional<sql::Statement> fill; // an existing row without notes

    const QHash<QString, qint64> existing = existingRows(k, keyColumn);
    QSet<QString> seen;
    std::vector<QVariant> cells(size_t(k.cells));
    for (const std::vector<QVariant>& row : src.rows) {
        const QVariant rawKey = row[size_t(layout.key)];
        const auto key = keyOf(k, rawKey, name);
        if (!key) continue;
        const bool memo = k.key == Key::Memo;
        if (memo && key->second != QLatin1String("bwl")) {
            findings_.add(QStringLiteral("%1：不是备忘录的行（memkey 不是 bwl）没有导入").arg(name),
                          shown(rawKey));
            continue;
        }
        if (seen.contains(key->second)) {
            findings_.add(memo ? QStringLiteral("%1：重复的备忘录行没有导入").arg(name)
                               : QStringLiteral("%1：键重复，只导入了第一行").arg(name),
                          memo ? QString() : shown(key->first));
            continue;
        }
        seen.insert(key->second);
        const auto there = existing.constFind(key->second);
        if (there != existing.constEnd() && hasNotes(k, cellColumns, *there)) {
            findings_.add(memo ? QStringLiteral("备忘录已有内容，保留现有的，没有导入")
                               : QStringLiteral("%1：已有笔记，保留现有的，没有导入").arg(name),
                          memo ? QString() : shown(key->first));
            continue;
        }
        for (int c = 0; c < k.cells; ++c) {
            const int at = layout.cells[size_t(c)];
            const auto value = at < 0 ? std::optional<QVariant>(QVariant())
                                      : cell(k, row[size_t(at)],
                                             QStringLiteral("%1 第 %2 列").arg(name).arg(c + 1));
            cells[size_t(c)] = value.value_or(QVariant());
        }
        if (there != existing.constEnd()) {
            // Nothing to bring into an empty row from an empty one.
            if (std::none_of(cells.begin(), cells.end(),
                             [&](const QVariant& v) { return isNote(k.content, v); }))
                continue;
            if (!fill)
                fill.emplace(db_, QStringLiteral("update %1 set %2 where rowid=?")
                                      .arg(quoted(name), sets.join(QLatin1Char(','))));
            int i = 1;
            for (const QVariant& v : cells) fill->bind(i++, v);
            fill->bind(i, QVariant(qlonglong(*there)));
            fill->step();
            fill->reset();
        } else {
            int i = 1;
            insert.bind(i++, key->first);
            for (const QVariant& v : cells) insert.bind(i++, v);
            insert.step();
            insert.reset();
        }
        count(k, key->second, cells);
    }
    const qint64 rows = qint64(src.rows.size());
    if (rows < src.announcedRows)
        findings_.add(QStringLiteral("%1：文件里有 %2 行，只读出了 %3 行（文件可能已损坏）")
                          .arg(name)
                          .arg(src.announcedRows)
                          .arg(rows));
}

QString fileNameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

} // namespace

std::optional<QDate> dateOfDayKey(const QString& key) {
    static const QRegularExpression re(QStringLiteral(
        "^\\s*(\\d{4})\\s*([-/.年])\\s*(\\d{1,2})\\s*([-/.月])\\s*(\\d{1,2})\\s*(日?)\\s*$"));
    const auto m = re.match(key);
    if (!m.hasMatch()) return std::nullopt;
    const QString a = m.captured(2), b = m.captured(4), end = m.captured(6);
    const bool chinese = a == QStringLiteral("年") && b == QStringLiteral("月") && !end.isEmpty();
    const bool plain =
        a == b && a != QStringLiteral("年") && a != QStringLiteral("月") && end.isEmpty();
    if (!chinese && !plain) return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(5).toInt());
    if (!date.isValid()) return std::nullopt;
    return date;
}

ImportReport importAccessFile(const QString& accessPath, sql::Database& db,
                              const std::function<void()>& beforeWriting) {
    const QString file = fileNameOf(accessPath);
    ImportReport report;
    try {
        QStringList known;
        for (const KnownTable& k : kKnown) known.append(nameOf(k));
        const access::FileData src = access::readFile(accessPath, known);
        bool any = false;
        for (const QString& t : src.tableNames)
            for (const KnownTable& k : kKnown)
                any = any || t.compare(nameOf(k), Qt::CaseInsensitive) == 0;
        if (!any)
            throw ImportError(QStringLiteral("%1 里没有本程序的笔记表（TailiNew、TailiNew_day、"
                                             "edtText、YearJishi……），不是本程序的笔记库。")
                                  .arg(file));
        if (beforeWriting) beforeWriting();
        sql::Transaction tx(db);
        // Every note the import alters is a change, in the import's own transaction.
        EnsureJournal(db);
        const NoteSignatureMap before = NoteSignatures(db);
        Importer(src, db, report).run();
        JournalDifferences(db, before, NoteSignatures(db));
        tx.commit();
    } catch (const access::Error& e) {
        throw ImportError(QStringLiteral("%1 无法读取：%2").arg(file, e.message()));
    } catch (const sql::Error& e) {
        throw ImportError(QStringLiteral("写入笔记库时出错：%1").arg(e.message()));
    }
    return report;
}

QString ImportReport::text() const {
    QStringList lines;
    lines << QStringLiteral("已从 Access 格式的笔记库导入：")
          << QStringLiteral("桌面月历 %1 个月，日安排 %2 天，").arg(deskMonths).arg(dayNotes)
          << QStringLiteral("一般记事 %1 个月，日历记事 %2 条，")
                 .arg(generalMonths)
                 .arg(calendarNotes)
          << QStringLiteral("年度记事 %1 年，备忘录 %2 行。").arg(years).arg(memoLines);
    if (!accessKeptAs.isEmpty())
        lines << QString() << QStringLiteral("原来的 Access 文件保留为 %1。").arg(accessKeptAs);
    if (!backup.isEmpty())
        lines << QString() << QStringLiteral("导入前的笔记库已复制为 %1。").arg(backup);
    if (!skipped.isEmpty()) {
        lines << QString() << QStringLiteral("没有导入或有改动的：");
        for (const QString& s : skipped) lines << QStringLiteral("· ") + s;
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace kuvano::notes
