#include "access/access_db.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QStringDecoder>
#include <QTime>

#include <mdbtools.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace kuvano::access {

namespace {

// The format's name in the database definition page, after its 4-byte page header.
constexpr qsizetype kMagicAt = 4;
constexpr char kJetMagic[] = "Standard Jet DB";
constexpr char kAceMagic[] = "Standard ACE DB";
constexpr qsizetype kMagicSize = sizeof(kJetMagic) - 1;

// libmdb converts a memo into its bound buffer and silently cuts it at the
// bind size. A memo holds at most 2^24 stored bytes, which become at most
// three bytes of output each (a Jet 3 code page character to UTF-8), and it
// cannot hold more bytes than the file: a buffer of that size never cuts, and
// a value that fills it is reported, not imported cut.
constexpr size_t kMaxStoredValue = size_t(1) << 24;
// Every other column is read from one row, which fits on a page (4 KiB); a
// page-sized OLE chunk is also written into its buffer.
constexpr size_t kSmallBuffer = 64 * 1024;

size_t bindSizeFor(qint64 fileSize) {
    const size_t stored = std::min(kMaxStoredValue, size_t(std::max<qint64>(fileSize, 0)));
    return std::max(kSmallBuffer, 3 * stored + 16);
}

QString fromLibrary(const char* text) {
    return QString::fromUtf8(text, qsizetype(::strnlen(text, MDB_MAX_OBJ_NAME + 1)));
}

ColumnKind kindOf(int type) {
    switch (type) {
    case MDB_BOOL:
        return ColumnKind::Boolean;
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return ColumnKind::Integer;
    case MDB_FLOAT:
    case MDB_DOUBLE:
        return ColumnKind::Real;
    case MDB_DATETIME:
        return ColumnKind::DateTime;
    case MDB_TEXT:
        return ColumnKind::Text;
    case MDB_MEMO:
        return ColumnKind::Memo;
    case MDB_OLE:
    case MDB_BINARY:
        return ColumnKind::Ole;
    default:
        return ColumnKind::Other;
    }
}

// Access date-time: days from 1899-12-30; the fraction is the time of day,
// also for days before the epoch (-1.25 is 1899-12-29 06:00).
QVariant dateTimeOf(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6) return QVariant(days);
    const double whole = std::trunc(days);
    const qint64 ms = qint64(std::llround(std::fabs(days - whole) * 86400000.0));
    const QDate date = QDate(1899, 12, 30).addDays(qint64(whole));
    return QVariant(QDateTime(date, QTime(0, 0)).addMSecs(std::min<qint64>(ms, 86399999)));
}

struct HandleCloser {
    void operator()(MdbHandle* h) const { mdb_close(h); }
};
struct TableFreer {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};
struct BufferFreer {
    void operator()(char* p) const { std::free(p); }
};

} // namespace

bool hasAccessHeader(const QByteArray& firstBytes) {
    const QByteArray name = firstBytes.mid(kMagicAt, kMagicSize);
    return name == kJetMagic || name == kAceMagic;
}

bool isAccessFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && hasAccessHeader(f.read(kMagicAt + kMagicSize));
}

struct Database::Impl {
    QByteArray bytes; // the file in memory, when opened from bytes
    std::unique_ptr<MdbHandle, HandleCloser> mdb;
    size_t bindSize = kSmallBuffer;
    // libmdb writes text in its target character set (UTF-8 unless the
    // environment names another).
    bool utf8 = true;
    QByteArray charset;

    void setUp(qint64 fileSize) {
        if (!mdb) throw Error(QStringLiteral("文件已损坏或不是 Access 数据库"));
        bindSize = bindSizeFor(fileSize);
        mdb_set_bind_size(mdb.get(), bindSize);
        mdb_set_boolean_fmt_numbers(mdb.get());
        charset = QByteArray(mdb_target_charset(mdb.get()));
        utf8 = charset.isEmpty() || charset.compare("UTF-8", Qt::CaseInsensitive) == 0 ||
               charset.compare("UTF8", Qt::CaseInsensitive) == 0;
        if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
            throw Error(QStringLiteral("目录无法读取：文件已损坏、不完整或已加密"));
    }

    QString text(const char* data, qsizetype size) const {
        if (utf8) return QString::fromUtf8(data, size);
        QStringDecoder decoder(charset.constData());
        if (!decoder.isValid()) return QString::fromUtf8(data, size);
        return decoder.decode(QByteArrayView(data, size));
    }

    MdbCatalogEntry* entry(const QString& name) const {
        GPtrArray* catalog = mdb->catalog;
        for (guint i = 0; catalog && i < catalog->len; ++i) {
            auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
            if (e && e->object_type == MDB_TABLE &&
                fromLibrary(e->object_name).compare(name, Qt::CaseInsensitive) == 0)
                return e;
        }
        return nullptr;
    }
};

Database::Database(const QString& path) : d_(std::make_unique<Impl>()) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("无法打开文件（%1）").arg(f.errorString()));
    if (!hasAccessHeader(f.read(kMagicAt + kMagicSize)))
        throw Error(QStringLiteral("不是 Access 格式的数据库文件"));
    const qint64 size = f.size();
    f.close();
    // MDB_NOFLAGS: the file is opened for reading only.
    d_->mdb.reset(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    d_->setUp(size);
}

Database::Database(QByteArray bytes) : d_(std::make_unique<Impl>()) {
    if (!hasAccessHeader(bytes)) throw Error(QStringLiteral("不是 Access 格式的数据库文件"));
    d_->bytes = std::move(bytes);
    d_->bytes.detach();
    d_->mdb.reset(mdb_open_buffer(d_->bytes.data(), size_t(d_->bytes.size()), MDB_NOFLAGS));
    d_->setUp(d_->bytes.size());
}

Database::~Database() = default;

int Database::jetVersion() const {
    const guint32 v = d_->mdb->f->jet_version;
    return v == MDB_VER_JET3 ? 3 : int(v) + 3;
}

QStringList Database::tables() const {
    QStringList names;
    GPtrArray* catalog = d_->mdb->catalog;
    for (guint i = 0; catalog && i < catalog->len; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (e && e->object_type == MDB_TABLE && mdb_is_user_table(e))
            names.append(fromLibrary(e->object_name));
    }
    return names;
}

struct Table::Impl {
    const Database::Impl* db = nullptr;
    std::unique_ptr<MdbTableDef, TableFreer> def;
    QString name;
    std::vector<Column> columns;
    std::vector<MdbColumn*> mdbColumns;
    std::vector<std::unique_ptr<char, BufferFreer>> buffers; // null: read from the row itself
    std::vector<size_t> bufferSizes;
    std::vector<int> lengths;
    std::vector<MdbField> fields;
    std::vector<QVariant> values;
    qint64 row = 0;

    [[noreturn]] void fail(int position, const QString& why) const {
        throw Error(QStringLiteral("表 %1 第 %2 行第 %3 列（%4）%5")
                        .arg(name)
                        .arg(row)
                        .arg(position + 1)
                        .arg(columns[size_t(position)].name, why));
    }

    const MdbField* field(int position) const {
        const int n = int(columns.size());
        if (position < n && fields[size_t(position)].colnum == position)
            return &fields[size_t(position)];
        for (int i = 0; i < n; ++i)
            if (fields[size_t(i)].colnum == position) return &fields[size_t(i)];
        return nullptr;
    }

    // A fixed-size number straight from the row.
    QVariant number(int position, const MdbField& f) const {
        const int type = columns[size_t(position)].type;
        auto need = [&](int size) {
            if (f.siz != size || !f.value) fail(position, QStringLiteral("的数值已损坏"));
        };
        switch (type) {
        case MDB_BYTE:
            need(1);
            return QVariant(qlonglong(mdb_get_byte(f.value, 0)));
        case MDB_INT:
            need(2);
            return QVariant(qlonglong(qint16(mdb_get_int16(f.value, 0))));
        case MDB_LONGINT:
            need(4);
            return QVariant(qlonglong(qint32(mdb_get_int32(f.value, 0))));
        case MDB_FLOAT:
            need(4);
            return QVariant(double(mdb_get_single(f.value, 0)));
        case MDB_DOUBLE:
            need(8);
            return QVariant(mdb_get_double(f.value, 0));
        default: // MDB_DATETIME
            need(8);
            return dateTimeOf(mdb_get_double(f.value, 0));
        }
    }

    QVariant boundText(int position) const {
        const int len = lengths[size_t(position)];
        if (len < 0 || size_t(len) >= bufferSizes[size_t(position)])
            fail(position, QStringLiteral("的值已损坏"));
        // A value that fills the buffer may have been cut: never take it.
        if (columns[size_t(position)].kind == ColumnKind::Memo && size_t(len) + 1 >= db->bindSize)
            fail(position, QStringLiteral("的值太大，无法完整读取"));
        return QVariant(db->text(buffers[size_t(position)].get(), len));
    }

    QVariant longBinary(int position) {
        const int len = lengths[size_t(position)];
        if (len == 0) return QVariant(QByteArray());
        // The value's header gives its length (read now: the chunks of the
        // value are read into the same buffer). A shorter read means a broken
        // chain of long-value pages.
        const quint32 announced =
            len >= 4 ? quint32(mdb_get_int32(buffers[size_t(position)].get(), 0)) & 0x3fffffffu : 0;
        size_t size = 0;
        void* data = mdb_ole_read_full(db->mdb.get(), mdbColumns[size_t(position)], &size);
        QByteArray bytes(static_cast<const char*>(data), data ? qsizetype(size) : 0);
        g_free(data);
        if (len >= 4 && quint32(bytes.size()) != announced &&
            quint32(bytes.size()) != (announced & 0xffffffu))
            fail(position, QStringLiteral("的长数据已损坏"));
        return QVariant(bytes);
    }
};

Table::Table(std::unique_ptr<Impl> d) : d_(std::move(d)) {}
Table::Table(Table&&) noexcept = default;
Table& Table::operator=(Table&&) noexcept = default;
Table::~Table() = default;

const QString& Table::name() const {
    return d_->name;
}

const std::vector<Column>& Table::columns() const {
    return d_->columns;
}

qint64 Table::announcedRows() const {
    return qint64(d_->def->num_rows);
}

const QVariant& Table::value(int position) const {
    static const QVariant none;
    if (position < 0 || size_t(position) >= d_->values.size()) return none;
    return d_->values[size_t(position)];
}

Table Database::table(const QString& name) const {
    MdbCatalogEntry* entry = d_->entry(name);
    if (!entry) throw Error(QStringLiteral("没有表 %1").arg(name));
    auto t = std::make_unique<Table::Impl>();
    t->db = d_.get();
    t->name = fromLibrary(entry->object_name);
    t->def.reset(mdb_read_table(entry));
    // libmdb hands back a definition whose page map could not be read (and
    // then follows the missing map): such a table is unreadable.
    if (!t->def || !t->def->usage_map || t->def->map_sz == 0 || !mdb_read_columns(t->def.get()) ||
        !t->def->columns || t->def->columns->len != t->def->num_cols ||
        t->def->num_cols > MDB_MAX_COLS)
        throw Error(QStringLiteral("表 %1 的定义无法读取").arg(t->name));
    MdbTableDef* def = t->def.get();
    const size_t n = def->num_cols;
    t->columns.resize(n);
    t->mdbColumns.resize(n);
    t->buffers.resize(n);
    t->bufferSizes.assign(n, 0);
    t->lengths.assign(n, 0);
    // mdb_crack_row fills one field per column of the table definition.
    t->fields.resize(std::max<size_t>(n, 1));
    t->values.resize(n);
    for (size_t c = 0; c < n; ++c) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, c));
        t->mdbColumns[c] = col;
        Column& out = t->columns[c];
        out.name = fromLibrary(col->name);
        out.type = col->col_type;
        out.kind = kindOf(col->col_type);
        const bool fromRow = out.kind == ColumnKind::Integer || out.kind == ColumnKind::Real ||
                             out.kind == ColumnKind::DateTime || col->col_type == MDB_BINARY;
        if (fromRow) continue;
        const size_t size = out.kind == ColumnKind::Memo ? d_->bindSize : kSmallBuffer;
        // Never cleared: only the bytes the reader reports are read, and the
        // pages of a large buffer are only touched where a value lands.
        t->buffers[c].reset(static_cast<char*>(std::malloc(size + 1)));
        if (!t->buffers[c]) throw Error(QStringLiteral("内存不足"));
        t->bufferSizes[c] = size;
        mdb_bind_column(def, int(c) + 1, t->buffers[c].get(), &t->lengths[c]);
    }
    mdb_rewind_table(def);
    return Table(std::move(t));
}

bool Table::next() {
    Impl& t = *d_;
    MdbTableDef* def = t.def.get();
    MdbHandle* mdb = t.db->mdb.get();
    std::fill(t.lengths.begin(), t.lengths.end(), 0);
    if (!mdb_fetch_row(def)) return false;
    ++t.row;
    // NULL and an empty text both come back with length 0: the row itself
    // tells them apart. Cracked before any long binary is read, while the
    // row's page is the current one.
    int start = 0;
    size_t size = 0;
    if (def->cur_row == 0 || mdb_find_row(mdb, int(def->cur_row) - 1, &start, &size) != 0 ||
        mdb_crack_row(def, start, size, t.fields.data()) < 0)
        throw Error(QStringLiteral("表 %1 第 %2 行已损坏").arg(t.name).arg(t.row));
    const int n = int(t.columns.size());
    for (int c = 0; c < n; ++c) {
        const Column& col = t.columns[size_t(c)];
        const MdbField* f = t.field(c);
        QVariant& v = t.values[size_t(c)];
        if (col.kind == ColumnKind::Boolean) {
            // Jet keeps a yes/no value in the null mask: never NULL.
            v = QVariant(t.lengths[size_t(c)] > 0 && t.buffers[size_t(c)].get()[0] == '1');
        } else if (!f || f->is_null) {
            v = QVariant();
        } else if (col.type == MDB_BINARY) {
            v = QVariant(QByteArray(static_cast<const char*>(f->value), f->value ? f->siz : 0));
        } else if (!t.buffers[size_t(c)]) {
            v = t.number(c, *f);
        } else if (col.kind != ColumnKind::Ole) {
            v = t.boundText(c);
        }
    }
    for (int c = 0; c < n; ++c) {
        const MdbField* f = t.field(c);
        if (t.columns[size_t(c)].kind == ColumnKind::Ole && t.buffers[size_t(c)] && f &&
            !f->is_null)
            t.values[size_t(c)] = t.longBinary(c);
    }
    return true;
}

} // namespace kuvano::access
