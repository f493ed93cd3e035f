#include "web/uNavigateThr.h"

#include "store/line_file.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QMetaObject>
#include <QNetworkInterface>
#include <QObject>
#include <QRegularExpression>
#include <QTcpSocket>

#include <chrono>
#include <thread>

namespace kuvano::web {

QString SiteHostRelativePath() {
    return QStringLiteral("DB3/webhost.ini");
}

namespace {
// The line goes into addresses as it is: a path, query, fragment or user part
// in it would take the panel and the help links to other pages or sites.
bool isHostAndPort(const QString& text) {
    static const QRegularExpression form(QRegularExpression::anchoredPattern(
        QStringLiteral("(?:([A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?(?:\\.[A-Za-z0-9](?:[A-Za-z0-9-"
                       "]*[A-Za-z0-9])?)*)"
                       "|\\[([0-9A-Fa-f:.]+)\\])(?::([0-9]{1,5}))?")));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch() || m.capturedLength(1) > 253) return false;
    if (m.capturedLength(2) > 0 &&
        QHostAddress(m.captured(2)).protocol() != QAbstractSocket::IPv6Protocol)
        return false;
    if (m.capturedLength(3) > 0) {
        const int port = m.captured(3).toInt();
        if (port < 1 || port > 65535) return false;
    }
    return true;
}
} // namespace

QString ReadSiteHost(const ProgramFolder& folder) {
    const QString path = folder.filePath(SiteHostRelativePath());
    if (!QFileInfo::exists(path)) {
        linefile::write(path, {QString()});
        return {};
    }
    const auto read = linefile::read(path);
    if (!read.lines || read.lines->isEmpty()) return {};
    const QString host = read.lines->first().trimmed();
    return isHostAndPort(host) ? host : QString();
}

QString LocalPagePath(const ProgramFolder& folder) {
    return folder.ownedFile(QStringLiteral("source/Navigate/default.htm"));
}

namespace {
QUrl sitePage(const QString& host, const QString& path) {
    return QUrl(QStringLiteral("http://") + host + path);
}
} // namespace

QUrl OnlinePage(const QString& host) {
    return sitePage(host, QStringLiteral("/r/K207.htm"));
}

QUrl HelpPage(const ProgramFolder& folder, const QString& host) {
    if (host.isEmpty())
        return QUrl::fromLocalFile(folder.ownedFile(QStringLiteral("source/Navigate/help.htm")));
    return sitePage(host, QStringLiteral("/help3/k204a.htm"));
}

QUrl FeedbackPage(const ProgramFolder& folder, const QString& host) {
    if (host.isEmpty())
        return QUrl::fromLocalFile(
            folder.ownedFile(QStringLiteral("source/Navigate/feedback.htm")));
    return sitePage(host, QStringLiteral("/help3/k204b.htm"));
}

bool AnyNetworkUp() {
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        const auto flags = i.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& e : i.addressEntries())
            if (!e.ip().isLoopback() && !e.ip().isNull()) return true;
    }
    return false;
}

int CheckOnline(const QUrl& address, int timeoutMs, const std::function<bool()>& networkUp) {
    if (!networkUp()) return 2;
    QTcpSocket socket;
    socket.connectToHost(address.host(), quint16(address.port(80)));
    const bool ok = socket.waitForConnected(timeoutMs);
    socket.abort();
    return ok ? 0 : 1;
}

NavigateMailbox::NavigateMailbox(QObject* receiver, std::function<void(const QUrl&)> navigate)
    : receiver_(receiver), navigate_(std::move(navigate)) {}

void NavigateMailbox::post(const QUrl& url) {
    std::lock_guard lock(mutex_);
    if (!receiver_) return;
    // Queued: the browser belongs to the user-interface thread.
    QMetaObject::invokeMethod(
        receiver_, [navigate = navigate_, url] { navigate(url); }, Qt::QueuedConnection);
}

void NavigateMailbox::close() {
    std::lock_guard lock(mutex_);
    receiver_ = nullptr;
}

void NavigateThr(const ProgramFolder& folder, const QString& host,
                 std::shared_ptr<NavigateMailbox> mailbox, NavigateOptions options) {
    const QString local = LocalPagePath(folder);
    auto postLocal = [mailbox, local] {
        if (QFileInfo::exists(local)) mailbox->post(QUrl::fromLocalFile(local));
    };
    if (host.isEmpty()) {
        postLocal();
        return;
    }
    // Runs once and is never waited for: a test still running at exit is
    // abandoned, and the closed mailbox drops its answer.
    std::thread([host, mailbox, options, postLocal] {
        const QUrl online = OnlinePage(host);
        if (CheckOnline(online, options.timeoutMs, options.networkUp) == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(options.onlineDelayMs));
            mailbox->post(online);
        } else {
            postLocal();
        }
    }).detach();
}

} // namespace kuvano::web
