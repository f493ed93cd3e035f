#include "notebook.h"

#include "notes/MainState.h"
#include "rtf/rtf.h"
#include "store/sqlite_db.h"
#include "store/untdb.h"

#include <QColor>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>

namespace kuvano::notebook {

namespace {

// splitmix64: small, fast, and the same on every machine.
class Random {
public:
    explicit Random(quint64 seed) : s_(seed) {}
    quint64 next() {
        quint64 z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % quint64(n)); }

private:
    quint64 s_;
};

quint64 seedOf(quint64 table, quint64 key, quint64 cell) {
    Random r(table * 0x100000001B3ull ^ key * 0x9E3779B1ull ^ cell);
    return r.next();
}

const std::array<const char16_t*, 24> kChinese = {
    u"上午九点部门例会，讨论下季度预算。",
    u"下午三点去银行办理转账",
    u"给王经理回电话，确认合同条款",
    u"取快递、交电费、买菜、接孩子放学",
    u"妈妈生日，记得订蛋糕！",
    u"复习第五章，准备周五的考试",
    u"牙医预约 10:30，带上医保卡",
    u"整理年度总结，周一前交给主任",
    u"晚上七点同学聚会，地点：老地方",
    u"春节回家的火车票已订好",
    u"给花浇水，换鱼缸的水",
    u"车辆年检，带行驶证和保险单",
    u"读完《平凡的世界》第二部",
    u"报销单据：出租车票三张",
    u"晨跑五公里，晚上瑜伽",
    u"水电煤气费已缴",
    u"项目进度会：确认里程碑和负责人",
    u"周末带孩子去动物园",
    u"体检报告出来了，血压正常",
    u"农历初一，去庙里上香",
    u"交房租，找房东修热水器",
    u"重要：护照续签材料准备齐全",
    u"会议纪要发给全组",
    u"快递单号 SF1234567890 查询",
};

const std::array<const char16_t*, 12> kLatin = {
    u"Call Mr. Wang about the contract. ",
    u"Meeting at 14:00, room 302. ",
    u"Flight CA1831 PEK-SHA 08:05 ",
    u"TODO: backup photos to the NAS ",
    u"Email Dr. Smith the report ",
    u"Pay the credit card bill ",
    u"Gym 18:30 ",
    u"Password hint: see the blue notebook ",
    u"Order #20417 shipped ",
    u"Tel 13800138000 ",
    u"Deadline Friday! ",
    u"Buy milk, eggs, bread ",
};

// Chinese faces first, then the Latin ones.
const std::array<const char16_t*, 7> kFaces = {u"宋体", u"黑体",  u"楷体_GB2312",    u"微软雅黑",
                                               u"仿宋", u"Arial", u"Times New Roman"};
constexpr int kChineseFaces = 5;

// 0x00BBGGRR colours a user picks from the colour tools, as QColor.
const std::array<QColor, 8> kColours = {QColor(0, 0, 0),   QColor(255, 0, 0),   QColor(0, 0, 255),
                                        QColor(0, 128, 0), QColor(128, 0, 128), QColor(255, 128, 0),
                                        QColor(128, 0, 0), QColor(0, 128, 128)};

// One run of text: a phrase in a random face, size and colour.
// Most text keeps the box's own 宋体 9 pt, as people write; the rest is
// spread over every face and the sizes 10 to 14.
void insertPiece(QTextCursor& c, Random& r) {
    QTextCharFormat f;
    const bool latin = r.below(4) == 0;
    const int face = latin             ? kChineseFaces + r.below(int(kFaces.size()) - kChineseFaces)
                     : r.below(2) == 0 ? 0
                                       : r.below(kChineseFaces);
    f.setFontFamilies({QString::fromUtf16(kFaces[size_t(face)])});
    f.setFontPointSize(r.below(2) == 0 ? 9 : 10 + r.below(5));
    f.setForeground(kColours[size_t(r.below(3) == 0 ? r.below(int(kColours.size())) : 0)]);
    if (r.below(6) == 0) f.setFontWeight(QFont::Bold);
    if (r.below(12) == 0) f.setFontItalic(true);
    if (r.below(15) == 0) f.setFontUnderline(true);
    c.insertText(latin ? QString::fromUtf16(kLatin[size_t(r.below(int(kLatin.size())))])
                       : QString::fromUtf16(kChinese[size_t(r.below(int(kChinese.size())))]),
                 f);
    if (r.below(3) == 0) c.insertBlock();
}

// A colour the user picked for a line, as the 0x00BBGGRR value the colour columns hold.
qlonglong pickedColour(Random& r) {
    const QColor c = kColours[size_t(r.below(int(kColours.size())))];
    return c.red() | c.green() << 8 | c.blue() << 16;
}

QString monthTitle(int year, int month) {
    return QStringLiteral("%1年%2月").arg(year).arg(month);
}

// The key column, then prefix1 .. prefixN.
QStringList columns(const char* key, const char* prefix, int n) {
    QStringList names{QLatin1String(key)};
    for (int i = 1; i <= n; ++i) names.append(QLatin1String(prefix) + QString::number(i));
    return names;
}

// Rows are inserted through one prepared statement per table.
class Inserter {
public:
    Inserter(sql::Database& db, const QString& table, const QStringList& columns)
        : st_(db, QStringLiteral("insert into %1(%2) values(?%3)")
                      .arg(table, columns.join(QStringLiteral(", ")),
                           QStringLiteral(", ?").repeated(columns.size() - 1))) {}
    sql::Statement& operator*() { return st_; }
    void done() {
        st_.step();
        st_.reset();
    }

private:
    sql::Statement st_;
};

// One row of a one-line-notes page: 42 texts and their colours.
void bindLines(Inserter& texts, Inserter& colours, quint64 table, quint64 key) {
    for (int cell = 1; cell <= notes::kDeskCells; ++cell) {
        Random r(seedOf(table, key, quint64(cell)));
        (*texts).bind(cell + 1, lineNote(r.next()));
        (*colours).bind(cell + 1, pickedColour(r));
    }
    texts.done();
    colours.done();
}

} // namespace

QByteArray noteRtf(quint64 seed, int targetBytes, const QString& title) {
    Random r(seed);
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat head;
    head.setFontFamilies({QStringLiteral("黑体")});
    head.setFontPointSize(10);
    head.setFontWeight(QFont::Bold);
    head.setForeground(QColor(0, 0, 128));
    c.insertText(title, head);
    c.insertBlock();
    QByteArray rtf = rtf::write(doc);
    const qsizetype base = rtf.size();
    // Add runs in batches sized from the bytes per run so far, then one by
    // one near the target: a few writes per note instead of one per run.
    int pieces = 0;
    while (rtf.size() < targetBytes) {
        const qsizetype perPiece =
            pieces > 0 ? std::max<qsizetype>(1, (rtf.size() - base) / pieces) : 200;
        const qsizetype batch = std::max<qsizetype>(1, (targetBytes - rtf.size()) / perPiece / 2);
        for (qsizetype k = 0; k < batch; ++k, ++pieces) insertPiece(c, r);
        rtf = rtf::write(doc);
    }
    return rtf;
}

QString lineNote(quint64 seed) {
    Random r(seed);
    QString s = r.below(4) == 0
                    ? QString::fromUtf16(kLatin[size_t(r.below(int(kLatin.size())))])
                    : QString::fromUtf16(kChinese[size_t(r.below(int(kChinese.size())))]);
    return s.left(4 + r.below(17)).trimmed();
}

Counts makeNotebook(const QString& programFolder, const Spec& spec) {
    const QString path = QDir(programFolder).filePath(notes::TDM::relativePath());
    if (QFileInfo::exists(path))
        throw sql::Error(QStringLiteral("already exists, not replaced: ") + path);
    QDir(programFolder).mkpath(QStringLiteral("DB3"));
    const int last = spec.lastYear > 0 ? spec.lastYear : QDate::currentDate().year();
    const int first = last - std::max(1, spec.years) + 1;
    const int bytes = std::max(1, spec.noteBytes);

    Counts counts;
    sql::Database db;
    db.create(path, notes::NotesSchemaSql(), notes::TDM::kBusyTimeoutMs);
    {
        sql::Transaction tx(db);
        Inserter desk(db, QStringLiteral("TailiNew"),
                      columns("YearMonth", "Cell", notes::kDeskCells));
        Inserter texts(db, QStringLiteral("edtText"),
                       columns("edtYearMonth", "Text", notes::kDeskCells));
        Inserter colours(db, QStringLiteral("edtTextColor"),
                         columns("edtYearMonth", "Color", notes::kDeskCells));
        Inserter day(db, QStringLiteral("TailiNew_day"),
                     {QStringLiteral("daydate"), QStringLiteral("daycontent")});
        Inserter year(db, QStringLiteral("YearJishi"), columns("year", "Month", 12));
        for (int y = first; y <= last; ++y) {
            for (int m = 1; m <= 12; ++m) {
                const QDate d(y, m, 1);
                const QString key = notes::monthKey(d);
                (*desk).bind(1, key);
                (*texts).bind(1, key);
                (*colours).bind(1, key);
                for (int cell = 1; cell <= notes::kDeskCells; ++cell) {
                    const QByteArray rtf =
                        noteRtf(seedOf(1, quint64(key.toLongLong()), quint64(cell)), bytes,
                                monthTitle(y, m) + QStringLiteral(" 第%1格").arg(cell));
                    counts.rtfBytes += rtf.size();
                    (*desk).bind(cell + 1, rtf);
                }
                desk.done();
                bindLines(texts, colours, 2, quint64(key.toLongLong()));
                ++counts.months;
                if (!spec.dayNotes) continue;
                for (int k = 1; k <= d.daysInMonth(); ++k) {
                    const QDate date(y, m, k);
                    (*day).bind(1, notes::dayKey(date));
                    const QByteArray rtf =
                        noteRtf(seedOf(3, quint64(date.toJulianDay()), 0), bytes,
                                QStringLiteral("%1年%2月%3日 日安排").arg(y).arg(m).arg(k));
                    counts.rtfBytes += rtf.size();
                    (*day).bind(2, rtf);
                    day.done();
                    ++counts.days;
                }
            }
            (*year).bind(1, qlonglong(y));
            for (int m = 1; m <= 12; ++m) {
                const QByteArray rtf = noteRtf(seedOf(4, quint64(y), quint64(m)), bytes,
                                               QStringLiteral("%1年 %2月计划").arg(y).arg(m));
                counts.rtfBytes += rtf.size();
                (*year).bind(m + 1, rtf);
            }
            year.done();
            ++counts.years;
        }
        // The calendar page's fixed set and the memo row that every file has.
        Inserter rili(db, QStringLiteral("RiliJishi"),
                      columns("edtYearMonth", "Text", notes::kDeskCells));
        Inserter riliColours(db, QStringLiteral("RiliColor"),
                             columns("edtYearMonth", "Color", notes::kDeskCells));
        (*rili).bind(1, QStringLiteral("rili2011"));
        (*riliColours).bind(1, QStringLiteral("rili2011"));
        bindLines(rili, riliColours, 5, 0);
        QString memo = QStringLiteral("update beiwanglu set ");
        for (int n = 1; n <= 11; ++n)
            memo +=
                QStringLiteral("Line%1=?%2").arg(n).arg(n < 11 ? QStringLiteral(", ") : QString());
        memo += QStringLiteral(" where memkey='bwl'");
        sql::Statement st(db, memo);
        for (int n = 1; n <= 11; ++n) st.bind(n, lineNote(seedOf(6, 0, quint64(n))));
        st.step();
        st.reset();
        tx.commit();
    }
    // One self-contained file, as a notebook copied from elsewhere would be.
    db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    db.close();
    return counts;
}

} // namespace kuvano::notebook
