#pragma once
// The data module: the one connection to the notes database and the named
// queries the pages use. A query works like a small data set: a statement of
// lines with :named parameters, opened into rows that are walked in stored
// order, read by position or by name, edited and posted back.

#include "store/folder.h"
#include "store/sqlite_db.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

namespace kuvano::notes {

using DbError = sql::Error;
class SearchIndex;

class TAdoQuery {
public:
    TAdoQuery(sql::Database& db, QString name);

    const QString& name() const { return name_; }

    // Statement text, a list of lines joined with line breaks.
    void Close();
    void ClearSql();
    void AddSql(const QString& line);
    void SetSql(const QStringList& lines);
    QString sqlText() const { return sql_.join(QLatin1Char('\n')); }

    // Named parameter, given as text; names match without regard to case.
    void SetParam(const QString& name, const QString& value);

    void Open();    // a statement with rows; throws DbError
    void ExecSQL(); // insert, update, delete; written at once; throws DbError

    bool Active() const { return active_; }
    void First();
    void Next();
    bool Eof() const;
    int RecordCount() const;

    int FieldCount() const;
    QString FieldName(int position) const;
    int FieldIndex(const QString& name) const; // -1 when missing; case-insensitive
    QVariant Field(int position) const;        // of the current row; invalid when none
    QVariant FieldByName(const QString& name) const;
    QString FieldAsString(int position) const;
    QByteArray FieldAsBytes(int position) const;

    // Edit the current row; with no current row (an empty result) a new row
    // is started instead and Post inserts it.
    void Edit();
    void SetField(int position, const QVariant& value);
    void SetFieldByName(const QString& name, const QVariant& value);
    void Post(); // one durable transaction unless an outer one is open; throws DbError
    void Cancel();
    bool Editing() const { return editing_; }

private:
    struct Row {
        qint64 rowid = 0;
        mutable QVariant key; // column 0 of a table row, read with the row
        // Columns as read; a table row fetches the others on first use, and
        // both stay empty until then.
        mutable std::vector<QVariant> values;
        mutable std::vector<bool> loaded;
    };
    const QVariant& valueAt(const Row& row, int position) const;
    void sizeRow(const Row& row) const;
    void requireActive() const;
    void bindParams(sql::Statement& st) const;

    sql::Database& db_;
    QString name_;
    QStringList sql_;
    std::vector<std::pair<QString, QString>> params_;
    bool active_ = false;
    QString table_; // the table rows can be posted back to; empty = read only
    QStringList columns_;
    std::vector<Row> rows_;
    int current_ = 0;
    bool editing_ = false;
    bool inserting_ = false;
    std::vector<std::pair<int, QVariant>> pending_;
};

// The schema of a new notes database (also used by tests).
const char* NotesSchemaSql();

class TDM {
public:
    // Opens DB3/CalendarD.mdb under the program folder, creating it from the
    // built-in schema when the file is missing. An unusable file is left as
    // it is: the error is kept (connectionError()) and every later database
    // action fails with it.
    explicit TDM(const ProgramFolder& folder);
    ~TDM();

    static QString relativePath() { return QStringLiteral("DB3/CalendarD.mdb"); }

    bool connected() const { return db_.isOpen(); }
    // Closes every query and the connection (before the file is replaced).
    void Disconnect();
    // Opens the file again, as at creation; the error, if any, becomes the
    // creation error.
    void Reopen();
    // The first error met while the module was created (empty when none).
    const QString& creationError() const { return creationError_; }
    sql::Database& connection() { return db_; }
    // The index of every note, following each note written on the
    // connection; null while there is no connection.
    SearchIndex* searchIndex() { return search_.get(); }
    // Builds the index in the background now and after every reopening.
    void StartSearchBuild();

    TAdoQuery Adoquery1, Adoquery2, Adoquery3, Adoquery4;
    TAdoQuery qryMonth, qrySaveMonth, qrySaveMonth2;
    TAdoQuery qryRiArr, qrySaveRiArr;
    TAdoQuery qryYiban, qryYibanColor, qryrili, qryriliColor;
    TAdoQuery qryYear, qrySaveyear, qryBWL, qrySaveBWL;

    // How long a lock held by another process may block a statement.
    static constexpr int kBusyTimeoutMs = 1500;

private:
    void open();
    std::vector<TAdoQuery*> queries();

    ProgramFolder folder_;
    sql::Database db_;
    QString creationError_;
    std::unique_ptr<SearchIndex> search_; // after db_: goes before the connection
    bool searchBuild_ = false;
};

} // namespace kuvano::notes
