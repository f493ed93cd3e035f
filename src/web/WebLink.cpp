#include "web/WebLink.h"

#include "web/uNavigateThr.h"

#include <QDesktopServices>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QStringDecoder>

namespace kuvano::web {

TWebLink::TWebLink(QWidget* parent) : QTextBrowser(parent) {
    setObjectName(QStringLiteral("webLink"));
    setFrameShape(QFrame::NoFrame);
    setOpenLinks(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(this, &QTextBrowser::anchorClicked, this,
            [](const QUrl& url) { QDesktopServices::openUrl(url); });
    mailbox_ = std::make_shared<NavigateMailbox>(this, [this](const QUrl& url) { Navigate(url); });
}

TWebLink::~TWebLink() {
    mailbox_->close();
}

QString TWebLink::DecodePage(const QByteArray& bytes, const QByteArray& contentType) {
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

void TWebLink::Navigate(const QUrl& url) {
    if (url.isLocalFile()) {
        shown_ = url;
        setSource(url);
        Q_EMIT PageShown(url);
        return;
    }
    if (!network_) network_ = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = network_->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply, url] {
        reply->deleteLater();
        // A page that fails after a good test is left as it is: no fallback.
        if (reply->error() != QNetworkReply::NoError) return;
        const QByteArray type = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
        document()->setBaseUrl(url);
        setHtml(DecodePage(reply->readAll(), type));
        shown_ = url;
        Q_EMIT PageShown(url);
    });
}

QVariant TWebLink::loadResource(int type, const QUrl& name) {
    // Pictures and style sheets of a remote page are not fetched, nor
    // anything a local page names on another machine.
    if (!shown_.isLocalFile()) return {};
    const QUrl resolved = shown_.resolved(name);
    if (!resolved.isLocalFile()) return {};
    return QTextBrowser::loadResource(type, name);
}

} // namespace kuvano::web
