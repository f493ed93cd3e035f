#include "sync/caldav_client.h"

#include "sync/caldav_xml.h"
#include "sync/sync_error.h"

#include <QUuid>

#include <algorithm>
#include <map>
#include <optional>

namespace kuvano::sync {

namespace {

using Kind = SyncError::Kind;
using dav::Reply;

constexpr int multiStatus = 207;
constexpr int maxSyncRounds = 10000; // truncated sync results followed at most this often

bool ok2xx(int status) {
    return status >= 200 && status < 300;
}

SyncError notCalDav(const QString& detail = {}) {
    return SyncError(Kind::NotCalDav, QStringLiteral("这个地址不是 CalDAV 日历服务器"), detail);
}

// The key a member is known by within one answer: its decoded path.
QString keyOf(const QUrl& href) {
    return href.adjusted(QUrl::NormalizePathSegments).path(QUrl::FullyDecoded);
}

bool isCollectionHref(const QUrl& href) {
    return href.path().endsWith(QLatin1Char('/'));
}

QUrl asFolder(QUrl url) {
    if (!url.path().endsWith(QLatin1Char('/'))) url.setPath(url.path() + QLatin1Char('/'));
    return url;
}

// The response about `url` itself in a depth-0 answer (servers may add others).
const dav::Response* about(const dav::Multistatus& ms, const QUrl& url) {
    for (const auto& r : ms.responses)
        if (dav::sameResource(r.href, url)) return &r;
    return ms.responses.empty() ? nullptr : &ms.responses.front();
}

QByteArray quoted(const QString& etag) {
    const QString e = etag.trimmed();
    if (e.startsWith(QLatin1Char('"')) || e.startsWith(QLatin1String("W/"))) return e.toUtf8();
    return '"' + e.toUtf8() + '"';
}

} // namespace

CalDavClient::CalDavClient(DavAccount account, DavOptions options)
    : http_(std::move(account), options) {}

Reply CalDavClient::propfind(const QUrl& url, int depth, const QByteArray& body) {
    return http_.send("PROPFIND", url, body, {{"Depth", QByteArray::number(depth)}});
}

// The home found from one starting point; empty when it is no CalDAV entry.
QUrl CalDavClient::homeFrom(const QUrl& start) {
    const Reply r = propfind(start, 0,
                             dav::propfindBody({QStringLiteral("current-user-principal"),
                                                QStringLiteral("resourcetype")},
                                               {QStringLiteral("calendar-home-set")}));
    if (r.status == 401 || r.status == 403 || r.status >= 500) dav::Http::fail(r);
    if (r.status != multiStatus) return {};
    const dav::Multistatus ms = dav::parseMultistatus(r.body, r.url);
    const dav::Response* self = about(ms, r.url);
    if (!self) return {};
    if (!self->homes.empty()) return asFolder(self->homes.front());
    if (self->principal.isEmpty()) return {};
    const Reply p =
        propfind(self->principal, 0, dav::propfindBody({}, {QStringLiteral("calendar-home-set")}));
    if (p.status != multiStatus) dav::Http::fail(p);
    const dav::Multistatus pms = dav::parseMultistatus(p.body, p.url);
    const dav::Response* principal = about(pms, p.url);
    if (!principal || principal->homes.empty()) return {};
    return asFolder(principal->homes.front());
}

QUrl CalDavClient::calendarHome() {
    if (!home_.isEmpty()) return home_;
    dav::Http::Session session(http_);
    const QUrl given = http_.account().url;
    http_.checkSecure(given);
    QUrl wellKnown = given.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
    wellKnown.setPath(QStringLiteral("/.well-known/caldav"));
    // RFC 6764: a bare server address is found through its well-known entry;
    // an address with a path is more likely the user's own entry point.
    const bool bare = given.path().isEmpty() || given.path() == QLatin1String("/");
    const std::vector<QUrl> starts =
        bare ? std::vector<QUrl>{wellKnown, given} : std::vector<QUrl>{given, wellKnown};
    // A starting point that refuses or fails may be just that one path: the
    // next may do. What it said is told when none does.
    std::optional<SyncError> refused;
    QString detail;
    for (const QUrl& start : starts) {
        try {
            const QUrl home = homeFrom(start);
            if (!home.isEmpty()) return home_ = home;
        } catch (const SyncError& e) {
            const bool notHere = e.status() == 403 || e.kind() == Kind::Server ||
                                 e.kind() == Kind::BadReply || e.kind() == Kind::NotCalDav ||
                                 e.kind() == Kind::Other;
            if (!notHere || http_.cancelled()) throw;
            if (e.status() == 403 || e.kind() == Kind::Server) {
                if (!refused) refused = e;
            } else {
                detail = e.message();
            }
        }
    }
    if (refused) throw *refused;
    throw notCalDav(detail.isEmpty() ? given.toDisplayString() : detail);
}

namespace {

CalendarInfo calendarOf(const dav::Response& r) {
    CalendarInfo info;
    info.href = asFolder(r.href);
    info.displayName = r.displayName;
    if (info.displayName.isEmpty())
        info.displayName = info.href.adjusted(QUrl::StripTrailingSlash).fileName();
    // No component set: the calendar takes every kind (RFC 4791 5.2.3).
    info.takesJournals = !r.hasComponentSet || r.components.contains(QLatin1String("VJOURNAL"));
    return info;
}

QByteArray calendarProps() {
    return dav::propfindBody({QStringLiteral("resourcetype"), QStringLiteral("displayname")},
                             {QStringLiteral("supported-calendar-component-set")});
}

} // namespace

std::vector<CalendarInfo> CalDavClient::calendars() {
    dav::Http::Session session(http_);
    const QUrl home = calendarHome();
    const Reply r = propfind(home, 1, calendarProps());
    if (r.status != multiStatus) dav::Http::fail(r);
    std::vector<CalendarInfo> out;
    for (const auto& resp : dav::parseMultistatus(r.body, r.url).responses)
        if (resp.calendar && !dav::sameResource(resp.href, r.url) &&
            ok2xx(resp.status ? resp.status : 200))
            out.push_back(calendarOf(resp));
    return out;
}

CalendarInfo CalDavClient::makeCalendar(const QString& displayName) {
    dav::Http::Session session(http_);
    const QUrl home = calendarHome();
    const QUrl href =
        home.resolved(QUrl(QUuid::createUuid().toString(QUuid::WithoutBraces) + QLatin1Char('/')));
    const Reply r = http_.send("MKCALENDAR", href, dav::mkcalendarBody(displayName));
    if (r.status == 403 || r.status == 405 || r.status == 501)
        throw SyncError(Kind::Other,
                        QStringLiteral("服务器不允许在这里新建日历 (%1)").arg(r.status),
                        href.toDisplayString(), r.status);
    if (!ok2xx(r.status)) dav::Http::fail(r);
    return calendar(href);
}

CalendarInfo CalDavClient::calendar(const QUrl& href) {
    const Reply r = propfind(href, 0, calendarProps());
    if (r.status == 404)
        throw SyncError(Kind::NotCalDav, QStringLiteral("服务器上找不到这个日历"),
                        href.toDisplayString(), r.status);
    if (r.status != multiStatus) dav::Http::fail(r);
    const dav::Multistatus ms = dav::parseMultistatus(r.body, r.url);
    const dav::Response* self = about(ms, r.url);
    if (!self || !self->calendar)
        throw SyncError(Kind::NotCalDav, QStringLiteral("这个地址不是 CalDAV 日历"),
                        href.toDisplayString());
    CalendarInfo info = calendarOf(*self);
    if (!info.takesJournals)
        throw SyncError(Kind::NoJournals, QStringLiteral("这个日历不能存放记事 (VJOURNAL)"),
                        info.displayName);
    return info;
}

QString CalDavClient::put(const QUrl& href, const QByteArray& ics, const QString& ifMatch) {
    dav::Http::Session session(http_);
    dav::Headers headers{{"Content-Type", "text/calendar; charset=utf-8"}};
    if (ifMatch.isEmpty())
        headers.emplace_back("If-None-Match", "*");
    else
        headers.emplace_back("If-Match", quoted(ifMatch));
    const Reply r = http_.send("PUT", href, ics, headers);
    if (!ok2xx(r.status)) dav::Http::fail(r);
    // A server that changed the body on the way in sends no etag (RFC 4791 5.3.4): ask.
    if (!r.etag.isEmpty() && !r.etag.startsWith(QLatin1String("W/"))) return r.etag;
    const Reply p = propfind(href, 0, dav::propfindBody({QStringLiteral("getetag")}, {}));
    if (p.status != multiStatus) dav::Http::fail(p);
    const dav::Multistatus ms = dav::parseMultistatus(p.body, p.url);
    const dav::Response* self = about(ms, p.url);
    return self ? self->etag : QString();
}

void CalDavClient::remove(const QUrl& href, const QString& ifMatch) {
    dav::Headers headers;
    if (!ifMatch.isEmpty()) headers.emplace_back("If-Match", quoted(ifMatch));
    const Reply r = http_.send("DELETE", href, {}, headers);
    if (ok2xx(r.status) || r.status == 404) return;
    dav::Http::fail(r);
}

SyncChanges CalDavClient::changesSince(const QUrl& calendar, const QString& token) {
    dav::Http::Session session(http_);
    std::map<QString, Member> changed;
    std::map<QString, QUrl> removed;
    QString at = token;
    for (int round = 0;; ++round) {
        const Reply r =
            http_.send("REPORT", calendar, dav::syncCollectionBody(at), {{"Depth", "0"}});
        if ((r.status == 403 || r.status == 409) &&
            dav::hasPrecondition(r.body, dav::davNs(), QStringLiteral("valid-sync-token")))
            throw SyncError(Kind::TokenExpired,
                            QStringLiteral("服务器已不认得上次的同步记号，需要重新比对全部记事"),
                            {}, r.status);
        if (r.status != multiStatus) dav::Http::fail(r);
        const dav::Multistatus ms = dav::parseMultistatus(r.body, r.url);
        bool truncated = false;
        for (const auto& resp : ms.responses) {
            if (dav::sameResource(resp.href, r.url)) {
                truncated = truncated || resp.status == 507; // RFC 6578 3.6
                continue;
            }
            if (isCollectionHref(resp.href)) continue;
            const QString key = keyOf(resp.href);
            if (resp.status == 404) {
                changed.erase(key);
                removed[key] = resp.href;
            } else if (resp.status == 0 || ok2xx(resp.status)) {
                removed.erase(key);
                changed[key] = Member{resp.href, resp.etag, {}};
            }
        }
        if (ms.syncToken.isEmpty())
            throw SyncError(Kind::BadReply, QStringLiteral("服务器的回答缺少同步记号"),
                            calendar.toDisplayString());
        const bool stuck = ms.syncToken == at;
        at = ms.syncToken;
        if (!truncated) break;
        if (stuck || round >= maxSyncRounds)
            throw SyncError(Kind::BadReply, QStringLiteral("服务器的同步结果没有尽头"),
                            calendar.toDisplayString());
    }

    SyncChanges out;
    out.token = at;
    std::vector<QUrl> wanted;
    for (const auto& [key, m] : changed) wanted.push_back(m.href);
    std::map<QString, Member> bodies;
    for (Member& m : fetch(calendar, wanted)) bodies[keyOf(m.href)] = std::move(m);
    for (const auto& [key, m] : changed) {
        auto it = bodies.find(key);
        if (it == bodies.end())
            removed[key] = m.href; // gone between the two requests
        else
            out.changed.push_back(std::move(it->second));
    }
    for (const auto& [key, href] : removed) out.removed.push_back(href);
    return out;
}

bool CalDavClient::supportsSyncCollection(const QUrl& calendar) {
    const Reply r =
        propfind(calendar, 0, dav::propfindBody({QStringLiteral("supported-report-set")}, {}));
    if (r.status != multiStatus) dav::Http::fail(r);
    const dav::Multistatus ms = dav::parseMultistatus(r.body, r.url);
    const dav::Response* self = about(ms, r.url);
    return self && self->reports.contains(dav::davNs() + QLatin1String("|sync-collection"));
}

std::vector<Member> CalDavClient::members(const QUrl& calendar) {
    const Reply r = propfind(
        calendar, 1,
        dav::propfindBody({QStringLiteral("getetag"), QStringLiteral("resourcetype")}, {}));
    if (r.status != multiStatus) dav::Http::fail(r);
    std::vector<Member> out;
    for (const auto& resp : dav::parseMultistatus(r.body, r.url).responses) {
        if (dav::sameResource(resp.href, r.url) || resp.collection || isCollectionHref(resp.href))
            continue;
        if (resp.status != 0 && !ok2xx(resp.status)) continue;
        out.push_back(Member{resp.href, resp.etag, {}});
    }
    return out;
}

std::vector<Member> CalDavClient::fetch(const QUrl& calendar, const std::vector<QUrl>& hrefs) {
    dav::Http::Session session(http_);
    const auto batch = static_cast<std::size_t>(std::max(1, http_.options().multigetBatch));
    std::vector<Member> out;
    for (std::size_t i = 0; i < hrefs.size(); i += batch) {
        const std::vector<QUrl> part(
            hrefs.begin() + static_cast<std::ptrdiff_t>(i),
            hrefs.begin() + static_cast<std::ptrdiff_t>(std::min(hrefs.size(), i + batch)));
        const Reply r = http_.send("REPORT", calendar, dav::multigetBody(part), {{"Depth", "1"}});
        if (r.status != multiStatus) dav::Http::fail(r);
        for (auto& resp : dav::parseMultistatus(r.body, r.url).responses) {
            if (!resp.hasCalendarData || (resp.status != 0 && !ok2xx(resp.status))) continue;
            out.push_back(Member{resp.href, resp.etag, std::move(resp.calendarData)});
        }
    }
    return out;
}

QString CalDavClient::testConnection(const QUrl& calendarOrEmpty) {
    try {
        dav::Http::Session session(http_);
        home_.clear();
        if (calendarOrEmpty.isEmpty())
            calendarHome();
        else
            calendar(calendarOrEmpty);
        return {};
    } catch (const SyncError& e) {
        return e.text();
    } catch (const FileError& e) {
        return e.text();
    }
}

} // namespace kuvano::sync
