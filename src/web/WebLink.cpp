#include "web/WebLink.h"

#include "web/uNavigateThr.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>

namespace kuvano::web {

namespace {
UrlOpener& urlOpener() {
    static UrlOpener opener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    return opener;
}

bool isWebScheme(const QUrl& url) {
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}
} // namespace

UrlOpener setUrlOpener(UrlOpener opener) {
    UrlOpener previous = std::move(urlOpener());
    urlOpener() = std::move(opener);
    return previous;
}

void openInBrowser(const QUrl& url) {
    if (urlOpener()) urlOpener()(url);
}

WebLink::WebLink(QWidget* parent) : QTextBrowser(parent) {
    setObjectName(QStringLiteral("webLink"));
    setFrameShape(QFrame::NoFrame);
    setOpenLinks(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& href) {
        const QUrl target = LinkTarget(shown_, href);
        if (!target.isEmpty()) openInBrowser(target);
    });
    mailbox_ = std::make_shared<NavigateMailbox>(this, [this](const QUrl& url) { Navigate(url); });
}

WebLink::~WebLink() {
    mailbox_->close();
}

QString WebLink::DecodePage(const QByteArray& bytes, const QByteArray& contentType) {
    static const QRegularExpression charset(
        QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    QString name = charset.match(QString::fromLatin1(contentType)).captured(1);
    if (name.isEmpty()) name = charset.match(QString::fromLatin1(bytes.left(2048))).captured(1);
    if (!name.isEmpty()) {
        // GBK and GB2312 pages decode as GB18030, which reads both exactly.
        if (name.startsWith(QLatin1String("gb"), Qt::CaseInsensitive))
            name = QStringLiteral("GB18030");
        QStringDecoder decoder(name.toLatin1().constData());
        if (decoder.isValid()) return decoder(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    QStringDecoder gb("GB18030");
    return gb(bytes);
}

QUrl WebLink::LinkTarget(const QUrl& page, const QUrl& href) {
    // A page from the network names whatever it likes: javascript:, file:,
    // smb: or a bare name that the desktop would look up in its own folder.
    const QUrl target = page.resolved(href);
    if (!target.isValid() || !isWebScheme(target) || target.host().isEmpty()) return {};
    return target;
}

void WebLink::Navigate(const QUrl& url) {
    if (url.isLocalFile()) {
        shown_ = url;
        setSource(url);
        Q_EMIT PageShown(url);
        return;
    }
    if (!isWebScheme(url)) return;
    if (!network_) network_ = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = network_->get(request);
    // The page is read as it comes, up to the limit; an endless or dripping
    // answer is cut off and shows nothing, as a failed one does.
    const qint64 maxBytes = limits_.maxBytes;
    reply->setReadBufferSize(maxBytes + 1);
    auto body = std::make_shared<QByteArray>();
    auto take = [reply, body, maxBytes] {
        body->append(reply->read(maxBytes + 1 - body->size()));
        return body->size() <= maxBytes;
    };
    connect(reply, &QNetworkReply::readyRead, this, [reply, take] {
        if (!take()) reply->abort();
    });
    QTimer::singleShot(limits_.timeoutMs, reply, [reply] { reply->abort(); });
    connect(reply, &QNetworkReply::finished, this, [this, reply, body, take] {
        reply->deleteLater();
        // A page that fails after a good test is left as it is: no fallback.
        if (reply->error() != QNetworkReply::NoError || !take()) return;
        const QUrl page = reply->url(); // after redirects: what links resolve against
        const QByteArray type = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
        shown_ = page;
        document()->setBaseUrl(page);
        setHtml(DecodePage(*body, type));
        Q_EMIT PageShown(page);
    });
}

bool WebLink::ownFileOfLocalPage(const QUrl& resolved) const {
    if (!shown_.isLocalFile() || !resolved.isLocalFile()) return false;
    // Followed through links: a name beside the page may point anywhere.
    const QFileInfo file(QFileInfo(resolved.toLocalFile()).canonicalFilePath());
    const QString pageFolder = QFileInfo(shown_.toLocalFile()).canonicalPath();
    return !pageFolder.isEmpty() && file.isFile() &&
           file.filePath().startsWith(pageFolder + QLatin1Char('/'));
}

QVariant WebLink::loadResource(int type, const QUrl& name) {
    if (ownFileOfLocalPage(shown_.resolved(name))) {
        QVariant own = QTextBrowser::loadResource(type, name);
        if (!own.isNull()) return own;
    }
    // Refused, or not there: an answer the document takes as the resource
    // itself. A null one would make it read the address on its own, file:
    // addresses and bare paths included.
    if (type == QTextDocument::ImageResource) {
        QImage blank(1, 1, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        return blank;
    }
    return QByteArray("");
}

} // namespace kuvano::web
