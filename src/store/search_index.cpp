#include "store/search_index.h"

#include "store/untdb.h"

#include <sqlite3.h>

namespace kuvano::notes {

namespace {

// A full-text phrase: inside double quotes every character is literal.
QString phrase(const QString& query) {
    QString q = query;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// A LIKE pattern holding the query literally anywhere.
QString containsPattern(const QString& query) {
    QString q = query;
    q.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    q.replace(QLatin1Char('%'), QStringLiteral("\\%"));
    q.replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return QLatin1Char('%') + q + QLatin1Char('%');
}

} // namespace

int QueryCharacters(const QString& query) {
    int n = 0;
    for (int i = 0; i < query.size(); ++i) {
        if (query.at(i).isHighSurrogate() && i + 1 < query.size() &&
            query.at(i + 1).isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

void MakeSnippet(SearchHit& hit, int width) {
    const QString& t = hit.text;
    const int lineStart = hit.start == 0 ? 0 : t.lastIndexOf(QLatin1Char('\n'), hit.start - 1) + 1;
    int lineEnd = t.indexOf(QLatin1Char('\n'), hit.start + hit.length);
    if (lineEnd < 0) lineEnd = int(t.size());
    // A little of what comes before the hit, the rest after it.
    const int before = std::min(hit.start - lineStart, std::max(8, (width - hit.length) / 3));
    int from = hit.start - before;
    int to = std::min(lineEnd, from + std::max(width, before + hit.length));
    if (from > lineStart && t.at(from).isLowSurrogate()) --from;
    if (to < lineEnd && t.at(to).isLowSurrogate()) ++to;
    const bool cutBefore = from > lineStart, cutAfter = to < lineEnd;
    QString s = t.mid(from, to - from);
    for (QChar& c : s)
        if (c.category() == QChar::Other_Control) c = QLatin1Char(' ');
    hit.snippet = (cutBefore ? QStringLiteral("…") : QString()) + s +
                  (cutAfter ? QStringLiteral("…") : QString());
    hit.snippetStart = (cutBefore ? 1 : 0) + (hit.start - from);
    hit.snippetLength = hit.length;
}

SearchIndex::SearchIndex(sql::Database& db, QString databasePath)
    : db_(db), path_(std::move(databasePath)) {
    try {
        RegisterSearchFunctions(db_);
        const SchemaState state = EnsureSearchSchema(db_);
        fullText_ = state.fullText;
        emptied_ = state.emptied;
    } catch (const sql::Error& e) {
        error_ = e.message().isEmpty() ? QStringLiteral("索引无法使用") : e.message();
    }
}

SearchIndex::~SearchIndex() {
    stopBuild();
}

void SearchIndex::startBuild(BuildOptions options) {
    if (!available()) return;
    if (!builder_) builder_ = std::make_unique<SearchIndexBuilder>(path_, std::move(options));
    builder_->start();
}

void SearchIndex::stopBuild() {
    if (builder_) builder_->stop();
}

SearchIndexBuilder::Status SearchIndex::buildStatus() const {
    if (!builder_) return {};
    return builder_->status();
}

void SearchIndex::recover() {
    // The full-text index failed a query: it is not trusted, but emptied and
    // built again from the notes.
    stopBuild();
    try {
        fullText_ = ResetSearchIndex(db_).fullText;
        emptied_ = true;
    } catch (const sql::Error& e) {
        fullText_ = false;
        error_ = e.message();
        return;
    }
    if (builder_) builder_->start();
}

void SearchIndex::flush() {
    if (fullText_) FlushFullText(db_);
}

SearchResult SearchIndex::find(const QString& raw, int limit) {
    const QString q = raw.trimmed();
    if (q.isEmpty() || !available() || limit <= 0) return {};
    if (!reader_.isOpen()) {
        reader_.openAnother(path_, TDM::kBusyTimeoutMs, true);
        reader_.exec("PRAGMA query_only=1");
    }
    if (fullText_ && QueryCharacters(q) >= kFullTextMinimum) {
        try {
            flush();
            return query(true, q, limit);
        } catch (const sql::Error&) {
            if ((sqlite3_errcode(reader_.handle()) & 0xff) != SQLITE_CORRUPT) throw;
            recover();
        }
    }
    return query(false, q, limit);
}

SearchResult SearchIndex::query(bool fullText, const QString& q, int limit) {
    // Newest first: search_text_sortday walked backwards, stopping at the
    // limit. "+id" keeps the planner from fetching and sorting every match,
    // which costs most for the words found in thousands of notes.
    const QString sqlText =
        fullText ? QStringLiteral("SELECT page, key, cell, body FROM search_text WHERE +id IN "
                                  "(SELECT rowid FROM search_fts WHERE search_fts MATCH ?) "
                                  "ORDER BY sortday DESC, id DESC LIMIT ?")
                 : QStringLiteral("SELECT page, key, cell, body FROM search_text "
                                  "WHERE body LIKE ? ESCAPE '\\' "
                                  "ORDER BY sortday DESC, id DESC LIMIT ?");
    sql::Statement st(reader_, sqlText);
    st.bind(1, fullText ? phrase(q) : containsPattern(q));
    st.bind(2, limit + 1);
    SearchResult result;
    int rows = 0;
    while (st.step()) {
        if (++rows > limit) {
            result.more = true;
            break;
        }
        SearchHit hit;
        hit.page = NotePage(st.column(0).toInt());
        hit.key = st.column(1).toString();
        hit.box = st.column(2).toInt();
        hit.text = st.column(3).toString();
        // Every hit is checked against the text it was found in: an index
        // entry that does not hold the words is never shown.
        hit.start = int(hit.text.indexOf(q, 0, Qt::CaseInsensitive));
        if (hit.start < 0) continue;
        hit.length = int(q.size());
        MakeSnippet(hit);
        result.hits.push_back(std::move(hit));
    }
    return result;
}

} // namespace kuvano::notes
