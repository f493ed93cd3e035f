#pragma once
// Searching every note: the index attached to the program's connection, its
// background build, and the queries, which run on a read-only connection of
// their own, so that a search can never write a note.

#include "store/search_build.h"
#include "store/search_schema.h"

#include <QString>

#include <memory>
#include <vector>

namespace kuvano::notes {

struct SearchHit {
    NotePage page = NotePage::Desk;
    QString key; // the note row's key
    int box = 0;
    QString text;  // the note's plain text, as its box shows it
    int start = 0; // the hit within text, in UTF-16 units (box positions)
    int length = 0;
    QString snippet; // one line around the hit
    int snippetStart = 0;
    int snippetLength = 0;

    NoteLocation location() const { return LocateNote(page, key, box); }
    QString dateText() const { return NoteDateText(page, key, box); }
};

struct SearchResult {
    std::vector<SearchHit> hits; // newest first
    bool more = false;           // more notes matched than were listed
};

// Queries of three characters or more go through the full-text index; shorter
// ones scan the same plain texts. Both match the literal text, ignoring the
// case of Latin letters.
int QueryCharacters(const QString& query);
inline constexpr int kFullTextMinimum = 3;

// The snippet of a hit at [start, start + length) of text: its line, cut to
// about `width` characters around it, "…" where cut.
void MakeSnippet(SearchHit& hit, int width = 48);

class SearchIndex {
public:
    // Attaches the index to the program's connection: makes its tables fit for
    // use, for the saves to write. Never
    // throws: when that fails, notes are saved as before and error() says why
    // there is no search.
    SearchIndex(sql::Database& db, QString databasePath);
    ~SearchIndex(); // stops the build
    SearchIndex(const SearchIndex&) = delete;
    SearchIndex& operator=(const SearchIndex&) = delete;

    bool available() const { return error_.isEmpty(); }
    const QString& error() const { return error_; }
    bool fullText() const { return fullText_; }
    // The index was made or emptied when attached: everything is to be built.
    bool emptiedAtStart() const { return emptied_; }

    void startBuild(BuildOptions options = {});
    void stopBuild();
    SearchIndexBuilder::Status buildStatus() const;

    // Brings the notes saved since into the full-text index (the saves write
    // only their entries' text). Throws sql::Error.
    void flush();

    // Up to `limit` notes holding the query, newest first. Throws sql::Error.
    SearchResult find(const QString& query, int limit = 300);

private:
    SearchResult query(bool fullText, const QString& query, int limit);
    void recover();

    sql::Database& db_;
    QString path_;
    QString error_;
    bool fullText_ = false;
    bool emptied_ = false;
    sql::Database reader_;
    std::unique_ptr<SearchIndexBuilder> builder_;
};

} // namespace kuvano::notes
