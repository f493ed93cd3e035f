#include "access/access_read.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTime>

#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define KUVANO_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KUVANO_ASAN 1
#endif
#endif

namespace kuvano::access {

namespace {

// The reader's output: a magic line, then records of one tag byte each.
//   'V' i32 version   'N' u32 n, n texts: the table names
//   'T' text name, i64 announced rows, u32 columns, per column: text, i32 type, u8 kind
//   'R' one value per column of the last table    'E' text: the reading failed
//   'D' the end
// Values: u8 tag, then 0 NULL, 1 text, 2 bytes, 3 i64, 4 f64, 5 u8 bool,
// 6 i64 Julian day + i32 ms of the day. Texts are UTF-8, texts and bytes
// with a u32 length before them; numbers little-endian.
constexpr char kMagic[] = "KUVANO-MDB 1\n";
constexpr qsizetype kMaxOutput = qsizetype(1) << 30;
constexpr int kTimeoutMs = 120000;

QString& readerPath() {
    static QString path;
    return path;
}

class Writer {
public:
    explicit Writer(QFile& out) : out_(out) {}
    void u8(quint8 v) { buf_.append(char(v)); }
    void u32(quint32 v) { raw(&v, 4); }
    void i32(qint32 v) { raw(&v, 4); }
    void i64(qint64 v) { raw(&v, 8); }
    void bytes(const QByteArray& b) {
        u32(quint32(b.size()));
        buf_.append(b);
        if (buf_.size() > (1 << 20)) flush();
    }
    void text(const QString& s) { bytes(s.toUtf8()); }
    void value(const QVariant& v) {
        switch (v.typeId()) {
        case QMetaType::UnknownType:
            return u8(0);
        case QMetaType::QString:
            return u8(1), text(v.toString());
        case QMetaType::QByteArray:
            return u8(2), bytes(v.toByteArray());
        case QMetaType::LongLong:
            return u8(3), i64(v.toLongLong());
        case QMetaType::Double: {
            const double d = v.toDouble();
            qint64 bits;
            std::memcpy(&bits, &d, 8);
            return u8(4), i64(bits);
        }
        case QMetaType::Bool:
            return u8(5), u8(v.toBool() ? 1 : 0);
        case QMetaType::QDateTime: {
            const QDateTime t = v.toDateTime();
            return u8(6), i64(t.date().toJulianDay()), i32(t.time().msecsSinceStartOfDay());
        }
        default:
            return u8(1), text(v.toString());
        }
    }
    void flush() {
        out_.write(buf_);
        out_.flush();
        buf_.clear();
    }

private:
    void raw(const void* p, int n) {
        // Little-endian on every machine this runs on; spelled out all the same.
        quint64 v = 0;
        std::memcpy(&v, p, size_t(n));
        for (int i = 0; i < n; ++i) buf_.append(char(v >> (8 * i)));
    }
    QFile& out_;
    QByteArray buf_;
};

class Reader {
public:
    explicit Reader(const QByteArray& in) : in_(in) {}
    bool atEnd() const { return pos_ >= in_.size(); }
    quint8 u8() { return quint8(take(1)[0]); }
    quint32 u32() { return quint32(number(4)); }
    qint32 i32() { return qint32(quint32(number(4))); }
    qint64 i64() { return qint64(number(8)); }
    QByteArray bytes() { return take(u32()).toByteArray(); }
    QString text() { return QString::fromUtf8(take(u32())); }
    QByteArrayView take(qint64 n) {
        if (n < 0 || n > in_.size() - pos_) cut();
        const QByteArrayView v(in_.constData() + pos_, qsizetype(n));
        pos_ += qsizetype(n);
        return v;
    }
    QVariant value() {
        switch (u8()) {
        case 0:
            return {};
        case 1:
            return QVariant(text());
        case 2:
            return QVariant(bytes());
        case 3:
            return QVariant(qlonglong(i64()));
        case 4: {
            const qint64 bits = i64();
            double d;
            std::memcpy(&d, &bits, 8);
            return QVariant(d);
        }
        case 5:
            return QVariant(u8() != 0);
        case 6: {
            const qint64 day = i64();
            const qint32 ms = i32();
            return QVariant(
                QDateTime(QDate::fromJulianDay(day), QTime::fromMSecsSinceStartOfDay(ms)));
        }
        default:
            malformed();
        }
    }
    [[noreturn]] static void cut() { throw Error(QStringLiteral("读取程序的输出不完整")); }
    [[noreturn]] static void malformed() { throw Error(QStringLiteral("读取程序的输出有误")); }

private:
    quint64 number(int n) {
        const QByteArrayView b = take(n);
        quint64 v = 0;
        for (int i = 0; i < n; ++i) v |= quint64(quint8(b[i])) << (8 * i);
        return v;
    }
    const QByteArray& in_;
    qsizetype pos_ = 0;
};

bool wanted(const QStringList& tables, const QString& name) {
    return tables.isEmpty() || tables.contains(name, Qt::CaseInsensitive);
}

} // namespace

QString readerProgram() {
    if (!readerPath().isEmpty()) return readerPath();
    // Beside the program in a portable copy; an installed copy keeps it
    // with the program's private helpers.
    const QString dir = QCoreApplication::applicationDirPath();
    const QString beside = dir + QStringLiteral("/kuvano-mdb-reader");
    const QString installed = dir + QStringLiteral("/../libexec/kuvano/kuvano-mdb-reader");
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed))
        return QFileInfo(installed).canonicalFilePath();
    return beside;
}

void setReaderProgram(const QString& path) {
    readerPath() = path;
}

int runReader(int argc, char** argv) {
    // The library prints page dumps of damaged files to the standard output:
    // they go to the null device, the records to the original output.
    const int records = ::dup(STDOUT_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    if (records < 0 || null < 0 || ::dup2(null, STDOUT_FILENO) < 0) return 3;
    ::close(null);
    QFile out;
    if (!out.open(records, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) return 3;
    Writer w(out);
    w.bytes(QByteArray(kMagic));
    if (argc < 2) return 3;
    QStringList tables;
    for (int i = 2; i < argc; ++i) tables.append(QString::fromUtf8(argv[i]));
    int code = 0;
    try {
        const Database db(QFile::decodeName(argv[1]));
        w.u8('V'), w.i32(db.jetVersion());
        const QStringList names = db.tables();
        w.u8('N'), w.u32(quint32(names.size()));
        for (const QString& n : names) w.text(n);
        for (const QString& n : names) {
            if (!wanted(tables, n)) continue;
            Table t = db.table(n);
            w.u8('T'), w.text(t.name()), w.i64(t.announcedRows());
            w.u32(quint32(t.columns().size()));
            for (const Column& c : t.columns()) w.text(c.name), w.i32(c.type), w.u8(quint8(c.kind));
            while (t.next()) {
                w.u8('R');
                for (size_t c = 0; c < t.columns().size(); ++c) w.value(t.value(int(c)));
            }
        }
        w.u8('D');
    } catch (const Error& e) {
        w.u8('E'), w.text(e.message());
        code = 2;
    }
    w.flush();
    return code;
}

FileData parseReaderOutput(const QByteArray& output) {
    Reader r(output);
    if (r.bytes() != QByteArray(kMagic)) Reader::malformed();
    FileData file;
    TableData* table = nullptr;
    for (;;) {
        switch (r.u8()) {
        case 'V':
            file.jetVersion = r.i32();
            break;
        case 'N':
            for (quint32 n = r.u32(), i = 0; i < n; ++i) {
                if (r.atEnd()) Reader::cut();
                file.tableNames.append(r.text());
            }
            break;
        case 'T': {
            TableData t;
            t.name = r.text();
            t.announcedRows = r.i64();
            const quint32 n = r.u32();
            if (n > 256) Reader::malformed();
            for (quint32 i = 0; i < n; ++i) {
                Column c;
                c.name = r.text();
                c.type = r.i32();
                const quint8 kind = r.u8();
                if (kind > quint8(ColumnKind::Other)) Reader::malformed();
                c.kind = ColumnKind(kind);
                t.columns.push_back(c);
            }
            file.tables.push_back(std::move(t));
            table = &file.tables.back();
            break;
        }
        case 'R': {
            if (!table) Reader::malformed();
            std::vector<QVariant> row;
            row.reserve(table->columns.size());
            for (size_t c = 0; c < table->columns.size(); ++c) row.push_back(r.value());
            table->rows.push_back(std::move(row));
            break;
        }
        case 'E':
            throw Error(r.text());
        case 'D':
            return file;
        default:
            Reader::malformed();
        }
    }
}

FileData readFile(const QString& path, const QStringList& tables) {
    if (!isAccessFile(path)) {
        if (!QFile::exists(path)) throw Error(QStringLiteral("找不到文件"));
        throw Error(QStringLiteral("不是 Access 格式的数据库文件"));
    }
    QProcess p;
    p.setProgram(readerProgram());
    p.setArguments(QStringList{path} + tables);
    p.setStandardErrorFile(QProcess::nullDevice());
    p.setStandardInputFile(QProcess::nullDevice());
#ifndef KUVANO_ASAN
    // Far above what reading a notes file takes (bind buffers are mostly never
    // touched), far below what would trouble the machine. (AddressSanitizer's
    // shadow memory would not fit under it.)
    p.setChildProcessModifier([] {
        constexpr rlim_t size = rlim_t(8) << 30;
        const rlimit limit{size, size};
        ::setrlimit(RLIMIT_AS, &limit);
    });
#endif
    p.start();
    if (!p.waitForStarted())
        throw Error(QStringLiteral("无法启动读取程序 %1").arg(readerProgram()));
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    while (p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(200);
        output += p.readAllStandardOutput();
        if (output.size() > kMaxOutput || clock.elapsed() > kTimeoutMs) {
            p.kill();
            p.waitForFinished();
            throw Error(output.size() > kMaxOutput ? QStringLiteral("文件里的数据太多")
                                                   : QStringLiteral("读取超时，文件可能已损坏"));
        }
    }
    output += p.readAllStandardOutput();
    const bool finished = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    try {
        FileData file = parseReaderOutput(output);
        if (!finished) throw Error(QStringLiteral("读取程序异常结束"));
        return file;
    } catch (const Error& e) {
        // The reader's own message when it gave one; otherwise it broke down
        // on the file.
        if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 2) throw;
        throw Error(QStringLiteral("文件已损坏，读取时出错"));
    }
}

} // namespace kuvano::access
