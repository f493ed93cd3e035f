#pragma once
// The web panel's browser `webLink`: shows the local page or the site's page
// as HTML only. No script runs and nothing but the page itself is fetched;
// links open in the user's own browser.

#include <QTextBrowser>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;

namespace kuvano::web {

class NavigateMailbox;

class TWebLink : public QTextBrowser {
    Q_OBJECT
public:
    explicit TWebLink(QWidget* parent = nullptr);
    ~TWebLink() override;

    // Shows a local file or fetches an http page; the mailbox hands requests
    // from the loader thread to this.
    void Navigate(const QUrl& url);
    std::shared_ptr<NavigateMailbox> mailbox() const { return mailbox_; }
    QUrl shownUrl() const { return shown_; }

    // Decodes a fetched page: the charset of its header or its meta tag,
    // else UTF-8 when the bytes are valid UTF-8, else GB18030.
    static QString DecodePage(const QByteArray& bytes, const QByteArray& contentType);

Q_SIGNALS:
    void PageShown(const QUrl& url);

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    std::shared_ptr<NavigateMailbox> mailbox_;
    QNetworkAccessManager* network_ = nullptr;
    QUrl shown_;
};

} // namespace kuvano::web
