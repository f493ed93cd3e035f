#include "store/untdb.h"

#include "store/search_index.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace kuvano::notes {

namespace {

QString quoted(const QString& identifier) {
    QString q = identifier;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// "select * from T ..." can be posted back to T: we then also fetch each
// row's rowid, which identifies the row for the update.
const QRegularExpression& selectStar() {
    static const QRegularExpression re(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+([A-Za-z_][A-Za-z0-9_]*)(.*)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return re;
}

constexpr const char* kRowidAlias = "__kuvano_rowid";

// The tables the pages read and write, and the two the data module opens.
constexpr const char16_t* kNotesTables[] = {
    u"TailiNew",  u"TailiNew_day", u"edtText",   u"edtTextColor", u"RiliJishi",
    u"RiliColor", u"YearJishi",    u"beiwanglu", u"Taili",        u"TailiColor"};

// Steps a statement once, fetching every column of the row it finds (a
// column's overflow pages are read only when it is fetched).
void readFirstRow(sql::Database& db, const QString& text) {
    sql::Statement st(db, text);
    if (!st.step()) return;
    for (int c = 0; c < st.columnCount(); ++c) st.column(c);
}

// Start-up check of an existing file, before anything may be written to it.
// It reads a number of pages that does not grow with the notes: the header
// and the schema, then in each notes table the first and the last row, and
// the first and the last entry of each of its indexes, which walks every
// b-tree from its root down both edges (the pages a lookup or an append
// goes through first). A damaged page elsewhere shows when it is read, with
// the engine's message; the whole-file check reads every page and belongs
// to the background. A database holding none of the notes tables is another
// program's, and is refused untouched.
void checkNotesFile(sql::Database& db) {
    QStringList tables;
    std::vector<std::pair<QString, QString>> indexes; // index, its table
    {
        sql::Statement schema(db, QStringLiteral("select type, name, tbl_name from sqlite_schema"));
        while (schema.step()) {
            const QString type = schema.column(0).toString();
            const QString table = schema.column(2).toString();
            bool ours = false;
            for (const char16_t* t : kNotesTables)
                ours = ours || table.compare(QString::fromUtf16(t), Qt::CaseInsensitive) == 0;
            if (!ours) continue;
            if (type == QLatin1String("table"))
                tables.append(table);
            else if (type == QLatin1String("index"))
                indexes.emplace_back(schema.column(1).toString(), table);
        }
    }
    if (tables.isEmpty()) throw DbError(QStringLiteral("不是记事本数据库：找不到记事表"));
    for (const QString& t : std::as_const(tables)) {
        for (const char* order : {"", " desc"})
            readFirstRow(db, QStringLiteral("select * from %1 order by rowid%2 limit 1")
                                 .arg(quoted(t), QLatin1String(order)));
    }
    for (const auto& [index, table] : indexes) {
        QString column;
        {
            sql::Statement info(db, QStringLiteral("pragma index_info(%1)").arg(quoted(index)));
            if (info.step()) column = info.column(2).toString();
        }
        if (column.isEmpty()) continue; // an index on an expression: no plain order to walk
        for (const char* order : {"", " desc"})
            readFirstRow(
                db, QStringLiteral("select %1 from %2 indexed by %3 order by %1%4 limit 1")
                        .arg(quoted(column), quoted(table), quoted(index), QLatin1String(order)));
    }
}

} // namespace

TAdoQuery::TAdoQuery(sql::Database& db, QString name) : db_(db), name_(std::move(name)) {}

void TAdoQuery::Close() {
    active_ = false;
    rows_.clear();
    columns_.clear();
    table_.clear();
    current_ = 0;
    editing_ = inserting_ = false;
    pending_.clear();
}

void TAdoQuery::ClearSql() {
    sql_.clear();
    params_.clear();
}

void TAdoQuery::AddSql(const QString& line) {
    sql_.append(line);
}

void TAdoQuery::SetSql(const QStringList& lines) {
    ClearSql();
    sql_ = lines;
}

void TAdoQuery::SetParam(const QString& name, const QString& value) {
    for (auto& p : params_) {
        if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    }
    params_.emplace_back(name, value);
}

void TAdoQuery::bindParams(sql::Statement& st) const {
    for (int i = 1; i <= st.parameterCount(); ++i) {
        QString pname = st.parameterName(i);
        if (pname.startsWith(QLatin1Char(':'))) pname.remove(0, 1);
        bool bound = false;
        for (const auto& p : params_) {
            if (p.first.compare(pname, Qt::CaseInsensitive) == 0) {
                st.bind(i, QVariant(p.second));
                bound = true;
                break;
            }
        }
        if (!bound) throw DbError(QStringLiteral("参数 %1 没有值").arg(pname));
    }
}

void TAdoQuery::Open() {
    Close();
    QString text = sqlText();
    const auto m = selectStar().match(text);
    if (!m.hasMatch()) {
        // Any other statement: read every row at once; the result is read only.
        sql::Statement st(db_, text);
        bindParams(st);
        for (int c = 0; c < st.columnCount(); ++c) columns_.append(st.columnName(c));
        while (st.step()) {
            Row row;
            for (int c = 0; c < st.columnCount(); ++c) row.values.push_back(st.column(c));
            row.loaded.assign(row.values.size(), true);
            rows_.push_back(std::move(row));
        }
        active_ = true;
        return;
    }
    // select * from T ...: the rows are T's own, in stored order. Only the
    // rowid and the key column (0) are read now; the other columns, which may
    // hold large rich texts, are read when first asked for. A scan for a
    // month's row then reads one key per row, not every note of every month.
    table_ = m.captured(1);
    columns_ = db_.tableColumns(table_);
    if (columns_.isEmpty()) throw DbError(QStringLiteral("%1: 表 %2 没有字段").arg(name_, table_));
    sql::Statement st(db_, QStringLiteral("select rowid as %1, %2 from %3%4")
                               .arg(QLatin1String(kRowidAlias), quoted(columns_.first()),
                                    quoted(table_), m.captured(2)));
    bindParams(st);
    rows_.reserve(64);
    while (st.step()) {
        Row row;
        row.rowid = st.column(0).toLongLong();
        row.key = st.column(1);
        rows_.push_back(std::move(row));
    }
    active_ = true;
}

void TAdoQuery::sizeRow(const Row& row) const {
    if (row.values.size() < size_t(columns_.size())) {
        const bool fresh = row.values.empty();
        row.values.resize(size_t(columns_.size()));
        row.loaded.resize(size_t(columns_.size()), false);
        if (fresh && !table_.isEmpty()) {
            row.values[0] = row.key;
            row.loaded[0] = true;
        }
    }
}

const QVariant& TAdoQuery::valueAt(const Row& row, int position) const {
    const auto p = size_t(position);
    if (p < row.values.size() && row.loaded[p]) return row.values[p];
    if (p == 0 && !table_.isEmpty()) return row.key;
    sizeRow(row);
    if (!row.loaded[p]) {
        sql::Statement st(db_, QStringLiteral("select %1 from %2 where rowid=?")
                                   .arg(quoted(columns_.at(position)), quoted(table_)));
        st.bind(1, QVariant(qlonglong(row.rowid)));
        row.values[p] = st.step() ? st.column(0) : QVariant();
        row.loaded[p] = true;
    }
    return row.values[p];
}

void TAdoQuery::ExecSQL() {
    Close();
    sql::Statement st(db_, sqlText());
    bindParams(st);
    while (st.step()) {
    }
}

void TAdoQuery::requireActive() const {
    if (!active_) throw DbError(QStringLiteral("%1: 数据集未打开").arg(name_));
}

void TAdoQuery::First() {
    requireActive();
    current_ = 0;
}

void TAdoQuery::Next() {
    requireActive();
    if (current_ < int(rows_.size())) ++current_;
}

bool TAdoQuery::Eof() const {
    return !active_ || current_ >= int(rows_.size());
}

int TAdoQuery::RecordCount() const {
    return active_ ? int(rows_.size()) : 0;
}

int TAdoQuery::FieldCount() const {
    return int(columns_.size());
}

QString TAdoQuery::FieldName(int position) const {
    return columns_.value(position);
}

int TAdoQuery::FieldIndex(const QString& name) const {
    for (int i = 0; i < columns_.size(); ++i)
        if (columns_.at(i).compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QVariant TAdoQuery::Field(int position) const {
    requireActive();
    if (position < 0 || position >= FieldCount())
        throw DbError(QStringLiteral("%1: 没有第 %2 列").arg(name_).arg(position));
    if (editing_) {
        for (const auto& p : pending_)
            if (p.first == position) return p.second;
        if (inserting_) return {};
    }
    if (Eof()) return {};
    return valueAt(rows_[size_t(current_)], position);
}

QVariant TAdoQuery::FieldByName(const QString& name) const {
    const int i = FieldIndex(name);
    if (i < 0) throw DbError(QStringLiteral("%1: 找不到字段 %2").arg(name_, name));
    return Field(i);
}

QString TAdoQuery::FieldAsString(int position) const {
    const QVariant v = Field(position);
    if (v.typeId() == QMetaType::QByteArray) return QString::fromUtf8(v.toByteArray());
    return v.toString();
}

QByteArray TAdoQuery::FieldAsBytes(int position) const {
    const QVariant v = Field(position);
    if (v.typeId() == QMetaType::QString) return v.toString().toUtf8();
    return v.toByteArray();
}

void TAdoQuery::Edit() {
    requireActive();
    if (table_.isEmpty()) throw DbError(QStringLiteral("%1: 数据集是只读的").arg(name_));
    editing_ = true;
    inserting_ = Eof();
    pending_.clear();
}

void TAdoQuery::SetField(int position, const QVariant& value) {
    if (!editing_) throw DbError(QStringLiteral("%1: 数据集不在编辑状态").arg(name_));
    if (position < 0 || position >= FieldCount())
        throw DbError(QStringLiteral("%1: 没有第 %2 列").arg(name_).arg(position));
    for (auto& p : pending_) {
        if (p.first == position) {
            p.second = value;
            return;
        }
    }
    pending_.emplace_back(position, value);
}

void TAdoQuery::SetFieldByName(const QString& name, const QVariant& value) {
    const int i = FieldIndex(name);
    if (i < 0) throw DbError(QStringLiteral("%1: 找不到字段 %2").arg(name_, name));
    SetField(i, value);
}

void TAdoQuery::Cancel() {
    editing_ = inserting_ = false;
    pending_.clear();
}

void TAdoQuery::Post() {
    if (!editing_) return;
    sql::Transaction tx(db_);
    if (inserting_) {
        QStringList names, marks;
        for (const auto& p : pending_) {
            names.append(quoted(columns_.at(p.first)));
            marks.append(QStringLiteral("?"));
        }
        const QString text =
            pending_.empty() ? QStringLiteral("insert into %1 default values").arg(quoted(table_))
                             : QStringLiteral("insert into %1(%2) values(%3)")
                                   .arg(quoted(table_), names.join(QLatin1Char(',')),
                                        marks.join(QLatin1Char(',')));
        sql::Statement st(db_, text);
        for (size_t i = 0; i < pending_.size(); ++i) st.bind(int(i) + 1, pending_[i].second);
        st.step();
        Row row;
        row.rowid = db_.lastInsertRowid();
        row.values.resize(size_t(columns_.size()));
        row.loaded.assign(size_t(columns_.size()), true); // columns not given are NULL
        for (const auto& p : pending_) row.values[size_t(p.first)] = p.second;
        row.key = row.values[0];
        tx.commit();
        rows_.push_back(std::move(row));
        current_ = int(rows_.size()) - 1;
    } else if (!pending_.empty()) {
        QStringList sets;
        for (const auto& p : pending_)
            sets.append(quoted(columns_.at(p.first)) + QStringLiteral("=?"));
        sql::Statement st(db_, QStringLiteral("update %1 set %2 where rowid=?")
                                   .arg(quoted(table_), sets.join(QLatin1Char(','))));
        int i = 1;
        for (const auto& p : pending_) st.bind(i++, p.second);
        st.bind(i, QVariant(qlonglong(rows_[size_t(current_)].rowid)));
        st.step();
        tx.commit();
        const Row& row = rows_[size_t(current_)];
        sizeRow(row);
        for (const auto& p : pending_) {
            row.values[size_t(p.first)] = p.second;
            row.loaded[size_t(p.first)] = true;
        }
        row.key = row.values[0];
    } else {
        tx.commit();
    }
    editing_ = inserting_ = false;
    pending_.clear();
}

TDM::TDM(const ProgramFolder& folder)
    : Adoquery1(db_, QStringLiteral("Adoquery1")), Adoquery2(db_, QStringLiteral("Adoquery2")),
      Adoquery3(db_, QStringLiteral("Adoquery3")), Adoquery4(db_, QStringLiteral("Adoquery4")),
      qryMonth(db_, QStringLiteral("qryMonth")), qrySaveMonth(db_, QStringLiteral("qrySaveMonth")),
      qrySaveMonth2(db_, QStringLiteral("qrySaveMonth2")),
      qryRiArr(db_, QStringLiteral("qryRiArr")), qrySaveRiArr(db_, QStringLiteral("qrySaveRiArr")),
      qryYiban(db_, QStringLiteral("qryYiban")),
      qryYibanColor(db_, QStringLiteral("qryYibanColor")), qryrili(db_, QStringLiteral("qryrili")),
      qryriliColor(db_, QStringLiteral("qryriliColor")), qryYear(db_, QStringLiteral("qryYear")),
      qrySaveyear(db_, QStringLiteral("qrySaveyear")), qryBWL(db_, QStringLiteral("qryBWL")),
      qrySaveBWL(db_, QStringLiteral("qrySaveBWL")), folder_(folder) {
    open();
}

void TDM::open() {
    const QString path = folder_.filePath(relativePath());
    creationError_.clear();
    try {
        if (QFileInfo::exists(path))
            db_.openExisting(path, kBusyTimeoutMs, checkNotesFile);
        else
            db_.create(path, NotesSchemaSql(), kBusyTimeoutMs);
        const std::pair<TAdoQuery*, const char16_t*> fixed[] = {
            {&Adoquery1, u"select * from Taili"},
            {&Adoquery2, u"select * from Taili"},
            {&Adoquery3, u"select * from TailiColor"},
            {&Adoquery4, u"select * from Beiwanglu"},
        };
        for (const auto& [query, statement] : fixed) {
            query->ClearSql();
            query->AddSql(QString::fromUtf16(statement));
            query->Open();
        }
    } catch (const DbError& e) {
        creationError_ = e.message();
    }
    if (db_.isOpen()) {
        search_ = std::make_unique<SearchIndex>(db_, path);
        if (searchBuild_) search_->startBuild();
    }
}

void TDM::StartSearchBuild() {
    searchBuild_ = true;
    if (search_) search_->startBuild();
}

std::vector<TAdoQuery*> TDM::queries() {
    return {&Adoquery1,     &Adoquery2, &Adoquery3,    &Adoquery4, &qryMonth,      &qrySaveMonth,
            &qrySaveMonth2, &qryRiArr,  &qrySaveRiArr, &qryYiban,  &qryYibanColor, &qryrili,
            &qryriliColor,  &qryYear,   &qrySaveyear,  &qryBWL,    &qrySaveBWL};
}

void TDM::Disconnect() {
    for (TAdoQuery* q : queries()) q->Close();
    search_.reset();
    db_.close();
}

void TDM::Reopen() {
    Disconnect();
    open();
}

TDM::~TDM() = default;

} // namespace kuvano::notes
