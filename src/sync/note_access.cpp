#include "sync/note_access.h"

#include "store/rich_text.h"

namespace kuvano::sync {

using notes::NotePage;

namespace {

void requireValid(const NoteId& id) {
    if (!IsValid(id)) throw FileError(QStringLiteral("笔记位置无效：%1").arg(UidOf(id)));
}

notes::LineBook bookOf(NotePage page) {
    return page == NotePage::General ? notes::LineBook::General : notes::LineBook::Calendar;
}

// The text of paragraphs: \ { } escaped, tabs as \tab, every line ended by
// \par, beyond ASCII as \uN? (signed 16-bit units, two for a surrogate pair).
QByteArray paragraphs(const QString& text) {
    QByteArray out;
    out.reserve(text.size() * 2 + 8);
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (const QChar ch : std::as_const(t)) {
        const char16_t c = ch.unicode();
        if (c == u'\n') {
            out.append("\\par\r\n");
        } else if (c == u'\t') {
            out.append("\\tab ");
        } else if (c == u'\\' || c == u'{' || c == u'}') {
            out.append('\\');
            out.append(char(c));
        } else if (c < 0x20) {
            // No other control character is part of a note's text.
        } else if (c < 0x80) {
            out.append(char(c));
        } else {
            out.append("\\u");
            out.append(QByteArray::number(int(std::int16_t(c))));
            out.append('?');
        }
    }
    out.append("\\par\r\n");
    return out;
}

// Whether the RTF before its closing brace already ends a paragraph.
bool endsWithPar(QByteArrayView body) {
    body = body.trimmed();
    return body.endsWith("\\par");
}

} // namespace

bool IsBlank(const NoteContent& content) {
    if (!content.empty()) return false;
    return content.rtf.isEmpty() ||
           !notes::plainTextOf(QByteArrayLiteral("{\\rtf1 a\\par}")).isEmpty();
}

QByteArray RtfOfText(const QString& text) {
    if (text.isEmpty()) return {};
    return QByteArray("{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1\r\n\\pard ") + paragraphs(text) + '}';
}

QByteArray AppendTextToRtf(const QByteArray& rtf, const QString& shownText, const QString& text) {
    const QByteArray whole = rtf.trimmed();
    if (!whole.startsWith("{\\rtf") || !whole.endsWith('}')) {
        if (shownText.trimmed().isEmpty()) return RtfOfText(text);
        return RtfOfText(shownText + QLatin1Char('\n') + text);
    }
    const QByteArrayView body(whole.constData(), whole.size() - 1);
    // \uc1: one fallback character after each \u, whatever the document set.
    return body.toByteArray() + (endsWithPar(body) ? "" : "\\par") + "\r\n\\pard\\uc1 " +
           paragraphs(text) + '}';
}

NoteContent LoadNote(notes::NoteStore& store, const NoteId& id) {
    requireValid(id);
    const size_t at = size_t(id.box - 1);
    NoteContent c;
    switch (id.page) {
    case NotePage::Desk:
        c.rtf = store.loadDeskMonth(id.key)[at];
        break;
    case NotePage::Day:
        c.rtf = store.loadDaySchedule(id.key).value_or(QByteArray());
        break;
    case NotePage::Yearly:
        c.rtf = store.loadYear(id.key.toInt())[at];
        break;
    case NotePage::General:
    case NotePage::Calendar: {
        const auto lines = store.loadLines(bookOf(id.page), id.key);
        if (lines.texts) c.text = (*lines.texts)[at];
        if (lines.colors) c.color = (*lines.colors)[at];
        return c;
    }
    case NotePage::Memo:
        c.text = store.loadMemo()[at];
        return c;
    }
    if (!c.rtf.isEmpty()) c.text = notes::plainTextOf(c.rtf);
    return c;
}

void SaveNote(notes::NoteStore& store, const NoteId& id, const NoteContent& content) {
    requireValid(id);
    const size_t at = size_t(id.box - 1);
    if (IsRich(id.page)) {
        notes::RichNote note{content.rtf, content.text};
        if (note.rtf.isEmpty()) note.rtf = RtfOfText(content.text);
        switch (id.page) {
        case NotePage::Desk:
            store.saveDeskCell(id.key, id.box, note);
            break;
        case NotePage::Day:
            if (!store.saveDaySchedule(id.key, note))
                throw FileError(QStringLiteral("%1 的日安排有多条记录，无法写入").arg(id.key));
            break;
        case NotePage::Yearly: {
            const int year = id.key.toInt();
            const auto stored = store.loadYear(year);
            std::array<notes::RichNote, notes::kYearNotes> months;
            // The other months are written back as they are: unchanged, they
            // are neither journalled nor indexed, so their plain text is not needed.
            for (size_t m = 0; m < months.size(); ++m) months[m].rtf = stored[m];
            months[at] = note;
            store.saveYear(year, months);
            break;
        }
        default:
            break;
        }
        return;
    }
    // One-line pages: a text of several lines is shown on the one line.
    QString line = content.text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    if (id.page == NotePage::Memo) {
        store.saveMemoLine(id.box, line);
        return;
    }
    const auto stored = store.loadLines(bookOf(id.page), id.key);
    notes::LineNotes lines;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (stored.texts) lines[i].text = (*stored.texts)[i];
        if (stored.colors) lines[i].color = (*stored.colors)[i];
    }
    lines[at] = {line, content.color};
    store.saveLines(bookOf(id.page), id.key, lines);
}

QDateTime LastLocalChange(sql::Database& db, const NoteId& id) {
    sql::Statement st(db, QStringLiteral("SELECT time FROM note_changes "
                                         "WHERE page = ? AND key = ? AND cell = ?"));
    st.bind(1, int(id.page));
    st.bind(2, id.key);
    st.bind(3, id.box);
    if (!st.step()) return {};
    return QDateTime::fromString(st.column(0).toString(), Qt::ISODateWithMs).toUTC();
}

QHash<NoteId, QDateTime> LocalChangeTimes(notes::NoteStore& store) {
    QHash<NoteId, QDateTime> times;
    for (const notes::NoteChange& c : store.changesSince(0))
        times.insert(NoteId{c.page, c.key, c.box}, c.time.toUTC());
    return times;
}

} // namespace kuvano::sync
