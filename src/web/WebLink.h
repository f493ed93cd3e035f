#pragma once
// The web panel's browser `webLink`: shows the local page or the site's page
// as HTML only. No script runs. A page from the network loads nothing beyond
// itself; a local page only its own files beside it. Links open in the
// user's own browser, and only http and https ones.

#include <QTextBrowser>
#include <QUrl>

#include <functional>
#include <memory>

class QNetworkAccessManager;

namespace kuvano::web {

class NavigateMailbox;

// Hands an address to the user's browser (QDesktopServices::openUrl).
// Tests put a recorder in its place; setUrlOpener returns the one it replaces.
using UrlOpener = std::function<void(const QUrl&)>;
UrlOpener setUrlOpener(UrlOpener opener);
void openInBrowser(const QUrl& url);

// How much of a page the fetch takes before it gives up on it.
struct FetchLimits {
    qint64 maxBytes = 1024 * 1024;
    int timeoutMs = 10000; // the whole fetch, not only a pause in it
};

class WebLink : public QTextBrowser {
    Q_OBJECT
public:
    explicit WebLink(QWidget* parent = nullptr);
    ~WebLink() override;

    // Shows a local file or fetches an http page; the mailbox hands requests
    // from the loader thread to this. A fetch that fails, is too big or too
    // slow shows nothing.
    void Navigate(const QUrl& url);
    std::shared_ptr<NavigateMailbox> mailbox() const { return mailbox_; }
    QUrl shownUrl() const { return shown_; }
    void setFetchLimits(FetchLimits limits) { limits_ = limits; }

    // Decodes a fetched page: the charset of its header or its meta tag,
    // else UTF-8 when the bytes are valid UTF-8, else GB18030.
    static QString DecodePage(const QByteArray& bytes, const QByteArray& contentType);

    // The address a click on `href` in the page at `page` opens: the link
    // resolved against the page, when it is http or https; else empty.
    static QUrl LinkTarget(const QUrl& page, const QUrl& href);

Q_SIGNALS:
    void PageShown(const QUrl& url);

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    bool ownFileOfLocalPage(const QUrl& resolved) const;
    std::shared_ptr<NavigateMailbox> mailbox_;
    QNetworkAccessManager* network_ = nullptr;
    QUrl shown_;
    FetchLimits limits_;
};

} // namespace kuvano::web
