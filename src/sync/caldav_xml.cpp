#include "sync/caldav_xml.h"

#include "sync/sync_error.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace kuvano::sync::dav {

namespace {

bool is(const QXmlStreamReader& r, const QString& ns, QLatin1String name) {
    return r.namespaceUri() == ns && r.name() == name;
}

QString text(QXmlStreamReader& r) {
    return r.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
}

QUrl resolve(const QUrl& base, const QString& href) {
    return canonical(base.resolved(QUrl(href, QUrl::TolerantMode)));
}

// The DAV:href children of the current element.
std::vector<QUrl> hrefs(QXmlStreamReader& r, const QUrl& base) {
    std::vector<QUrl> out;
    while (r.readNextStartElement()) {
        if (is(r, davNs(), QLatin1String("href"))) {
            const QString h = text(r);
            if (!h.isEmpty()) out.push_back(resolve(base, h));
        } else {
            r.skipCurrentElement();
        }
    }
    return out;
}

void readResourceType(QXmlStreamReader& r, Response& p) {
    while (r.readNextStartElement()) {
        if (is(r, davNs(), QLatin1String("collection"))) p.collection = true;
        if (is(r, caldavNs(), QLatin1String("calendar"))) p.calendar = true;
        r.skipCurrentElement();
    }
}

void readComponents(QXmlStreamReader& r, Response& p) {
    p.hasComponentSet = true;
    while (r.readNextStartElement()) {
        if (is(r, caldavNs(), QLatin1String("comp")))
            p.components << r.attributes().value(QLatin1String("name")).toString().toUpper();
        r.skipCurrentElement();
    }
}

// supported-report-set / supported-report / report / <the report>
void readReports(QXmlStreamReader& r, Response& p) {
    while (r.readNextStartElement()) {
        if (!is(r, davNs(), QLatin1String("supported-report"))) {
            r.skipCurrentElement();
            continue;
        }
        while (r.readNextStartElement()) {
            if (!is(r, davNs(), QLatin1String("report"))) {
                r.skipCurrentElement();
                continue;
            }
            while (r.readNextStartElement()) {
                p.reports << r.namespaceUri().toString() + QLatin1Char('|') + r.name().toString();
                r.skipCurrentElement();
            }
        }
    }
}

void readProp(QXmlStreamReader& r, Response& p, const QUrl& base) {
    while (r.readNextStartElement()) {
        if (is(r, davNs(), QLatin1String("getetag"))) {
            p.etag = text(r);
        } else if (is(r, davNs(), QLatin1String("displayname"))) {
            p.displayName = text(r);
        } else if (is(r, davNs(), QLatin1String("resourcetype"))) {
            readResourceType(r, p);
        } else if (is(r, davNs(), QLatin1String("current-user-principal"))) {
            const auto h = hrefs(r, base);
            if (!h.empty()) p.principal = h.front();
        } else if (is(r, davNs(), QLatin1String("supported-report-set"))) {
            readReports(r, p);
        } else if (is(r, caldavNs(), QLatin1String("calendar-home-set"))) {
            p.homes = hrefs(r, base);
        } else if (is(r, caldavNs(), QLatin1String("supported-calendar-component-set"))) {
            readComponents(r, p);
        } else if (is(r, caldavNs(), QLatin1String("calendar-data"))) {
            // Not trimmed: the body goes on as the server stored it.
            p.calendarData = r.readElementText(QXmlStreamReader::SkipChildElements).toUtf8();
            p.hasCalendarData = true;
        } else {
            r.skipCurrentElement();
        }
    }
}

void merge(Response& out, Response&& p) {
    if (!p.etag.isEmpty()) out.etag = p.etag;
    if (!p.displayName.isEmpty()) out.displayName = p.displayName;
    out.collection = out.collection || p.collection;
    out.calendar = out.calendar || p.calendar;
    if (p.hasComponentSet) {
        out.hasComponentSet = true;
        out.components = p.components;
    }
    out.reports << p.reports;
    if (!p.principal.isEmpty()) out.principal = p.principal;
    if (!p.homes.empty()) out.homes = std::move(p.homes);
    if (p.hasCalendarData) {
        out.calendarData = std::move(p.calendarData);
        out.hasCalendarData = true;
    }
}

void readPropstat(QXmlStreamReader& r, Response& out, const QUrl& base) {
    Response p;
    int status = 200; // tolerated when missing
    while (r.readNextStartElement()) {
        if (is(r, davNs(), QLatin1String("prop")))
            readProp(r, p, base);
        else if (is(r, davNs(), QLatin1String("status")))
            status = statusCode(text(r));
        else
            r.skipCurrentElement();
    }
    if (status >= 200 && status < 300) merge(out, std::move(p));
}

Response readResponse(QXmlStreamReader& r, const QUrl& base) {
    Response out;
    bool hasHref = false;
    while (r.readNextStartElement()) {
        if (is(r, davNs(), QLatin1String("href"))) {
            // A response may name several hrefs (a status for each); the first is ours.
            const QString h = text(r);
            if (!hasHref && !h.isEmpty()) {
                out.href = resolve(base, h);
                hasHref = true;
            }
        } else if (is(r, davNs(), QLatin1String("status"))) {
            out.status = statusCode(text(r));
        } else if (is(r, davNs(), QLatin1String("propstat"))) {
            readPropstat(r, out, base);
        } else {
            r.skipCurrentElement();
        }
    }
    return out;
}

[[noreturn]] void unreadable(const QString& detail) {
    throw SyncError(SyncError::Kind::BadReply, QStringLiteral("服务器的回答无法读取"), detail);
}

} // namespace

Multistatus parseMultistatus(const QByteArray& body, const QUrl& base) {
    QXmlStreamReader r(body);
    if (!r.readNextStartElement()) unreadable(QStringLiteral("不是 XML"));
    if (!is(r, davNs(), QLatin1String("multistatus")))
        unreadable(QStringLiteral("不是 multistatus: ") + r.name().toString());
    Multistatus ms;
    while (r.readNextStartElement()) {
        if (is(r, davNs(), QLatin1String("response"))) {
            Response resp = readResponse(r, base);
            if (!resp.href.isEmpty()) ms.responses.push_back(std::move(resp));
        } else if (is(r, davNs(), QLatin1String("sync-token"))) {
            ms.syncToken = text(r);
        } else {
            r.skipCurrentElement();
        }
    }
    if (r.hasError()) unreadable(r.errorString());
    return ms;
}

bool hasPrecondition(const QByteArray& body, const QString& ns, const QString& name) {
    QXmlStreamReader r(body);
    if (!r.readNextStartElement() || !is(r, davNs(), QLatin1String("error"))) return false;
    while (r.readNextStartElement()) {
        if (r.namespaceUri() == ns && r.name() == name) return true;
        r.skipCurrentElement();
    }
    return false;
}

QUrl canonical(const QUrl& url) {
    QUrl out = url;
    const int defaultPort =
        url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80;
    if (out.port() == defaultPort) out.setPort(-1);
    // An encoded slash would become a separator: such a path stays as it came.
    if (!out.path(QUrl::FullyEncoded).contains(QLatin1String("%2F"), Qt::CaseInsensitive))
        out.setPath(out.path(QUrl::FullyDecoded), QUrl::DecodedMode);
    return out;
}

int statusCode(const QString& line) {
    const QStringList parts = line.simplified().split(QLatin1Char(' '));
    if (parts.size() < 2 || !parts[0].startsWith(QLatin1String("HTTP/"))) return 0;
    bool ok = false;
    const int code = parts[1].toInt(&ok);
    return ok && code >= 100 && code < 600 ? code : 0;
}

bool sameResource(const QUrl& a, const QUrl& b) {
    auto path = [](const QUrl& u) {
        QString p = u.path(QUrl::FullyDecoded);
        while (p.endsWith(QLatin1Char('/'))) p.chop(1);
        return p;
    };
    auto port = [](const QUrl& u) {
        return u.port(u.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443
                                                                                           : 80);
    };
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && port(a) == port(b) &&
           path(a) == path(b);
}

QByteArray requestHref(const QUrl& url) {
    return url.path(QUrl::FullyEncoded).toUtf8();
}

namespace {

// A writer with DAV: as "d" and CalDAV as "c".
struct Writer {
    QByteArray out;
    QXmlStreamWriter w{&out};
    Writer() {
        w.writeStartDocument();
        w.writeNamespace(davNs(), QStringLiteral("d"));
        w.writeNamespace(caldavNs(), QStringLiteral("c"));
    }
    QByteArray finish() {
        w.writeEndDocument();
        return out;
    }
};

} // namespace

QByteArray propfindBody(const QStringList& davProps, const QStringList& caldavProps) {
    Writer x;
    x.w.writeStartElement(davNs(), QStringLiteral("propfind"));
    x.w.writeStartElement(davNs(), QStringLiteral("prop"));
    for (const QString& p : davProps) x.w.writeEmptyElement(davNs(), p);
    for (const QString& p : caldavProps) x.w.writeEmptyElement(caldavNs(), p);
    x.w.writeEndElement();
    x.w.writeEndElement();
    return x.finish();
}

QByteArray mkcalendarBody(const QString& displayName) {
    Writer x;
    x.w.writeStartElement(caldavNs(), QStringLiteral("mkcalendar"));
    x.w.writeStartElement(davNs(), QStringLiteral("set"));
    x.w.writeStartElement(davNs(), QStringLiteral("prop"));
    x.w.writeTextElement(davNs(), QStringLiteral("displayname"), displayName);
    x.w.writeStartElement(caldavNs(), QStringLiteral("supported-calendar-component-set"));
    x.w.writeEmptyElement(caldavNs(), QStringLiteral("comp"));
    x.w.writeAttribute(QStringLiteral("name"), QStringLiteral("VJOURNAL"));
    x.w.writeEndElement();
    x.w.writeEndElement();
    x.w.writeEndElement();
    x.w.writeEndElement();
    return x.finish();
}

QByteArray syncCollectionBody(const QString& token) {
    Writer x;
    x.w.writeStartElement(davNs(), QStringLiteral("sync-collection"));
    x.w.writeTextElement(davNs(), QStringLiteral("sync-token"), token);
    x.w.writeTextElement(davNs(), QStringLiteral("sync-level"), QStringLiteral("1"));
    x.w.writeStartElement(davNs(), QStringLiteral("prop"));
    x.w.writeEmptyElement(davNs(), QStringLiteral("getetag"));
    x.w.writeEndElement();
    x.w.writeEndElement();
    return x.finish();
}

QByteArray multigetBody(const std::vector<QUrl>& hrefs) {
    Writer x;
    x.w.writeStartElement(caldavNs(), QStringLiteral("calendar-multiget"));
    x.w.writeStartElement(davNs(), QStringLiteral("prop"));
    x.w.writeEmptyElement(davNs(), QStringLiteral("getetag"));
    x.w.writeEmptyElement(caldavNs(), QStringLiteral("calendar-data"));
    x.w.writeEndElement();
    for (const QUrl& h : hrefs)
        x.w.writeTextElement(davNs(), QStringLiteral("href"), QString::fromUtf8(requestHref(h)));
    x.w.writeEndElement();
    return x.finish();
}

} // namespace kuvano::sync::dav
