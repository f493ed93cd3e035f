#pragma once
// The web panel's page loader: one connection test on a thread of its own at
// the first showing of the main window, then one navigation request handed to
// the browser on the user-interface thread — the site's page when it answers,
// the local page otherwise. No retry, and nothing waits for it.

#include "platform/program_folder.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <mutex>

class QObject;

namespace kuvano::web {

// The web site's host name (with an optional ":port"), the first line of
// DB3/webhost.ini; the file is created empty when missing. Empty: no site;
// so is a line that holds more than a host name or address and a port.
QString ReadSiteHost(const ProgramFolder& folder);
QString SiteHostRelativePath();

QString LocalPagePath(const ProgramFolder& folder); // source/Navigate/default.htm
QUrl OnlinePage(const QString& host);               // http://host/r/K207.htm
// With a host the site's pages, without one the pages shipped beside the program.
QUrl HelpPage(const ProgramFolder& folder, const QString& host);
QUrl FeedbackPage(const ProgramFolder& folder, const QString& host);

// Whether a network interface is up with an address other than loopback.
bool AnyNetworkUp();

// 0: the address's server accepted a connection; 1: it did not; 2: no
// network at all. networkUp stands in for the interface test in tests.
int CheckOnline(const QUrl& address, int timeoutMs = 3000,
                const std::function<bool()>& networkUp = AnyNetworkUp);

// Where a navigation request is delivered: the receiver's thread runs it.
// The receiver calls close() before it goes away; a request that arrives
// later is dropped.
class NavigateMailbox {
public:
    explicit NavigateMailbox(QObject* receiver, std::function<void(const QUrl&)> navigate);
    void post(const QUrl& url);
    void close();

private:
    std::mutex mutex_;
    QObject* receiver_;
    std::function<void(const QUrl&)> navigate_;
};

struct NavigateOptions {
    int timeoutMs = 3000;
    int onlineDelayMs = 100; // the wait between a good test and the request
    std::function<bool()> networkUp = AnyNetworkUp;
};

// Starts the loader: with a host it tests the online page and posts it 100 ms
// after a good test, else the local page when that file exists (else nothing);
// without a host it posts the local page at once, without any network test.
void NavigateThr(const ProgramFolder& folder, const QString& host,
                 std::shared_ptr<NavigateMailbox> mailbox, NavigateOptions options = {});

} // namespace kuvano::web
