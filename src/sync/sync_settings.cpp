#include "sync/sync_settings.h"

#include "errors/file_error.h"
#include "store/private_files.h"

#include <QFile>
#include <QHostAddress>
#include <QSaveFile>

namespace kuvano::sync {

QString SyncSettings::keyringKey() const {
    return user + QLatin1Char('@') + url.adjusted(QUrl::StripTrailingSlash).toString();
}

bool SafeAddress(const QUrl& url) {
    if (url.scheme() == QLatin1String("https")) return true;
    if (url.scheme() != QLatin1String("http")) return false;
    const QString host = url.host();
    if (host == QLatin1String("localhost")) return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

SyncSettings ReadSyncSettings(const ProgramFolder& folder) {
    const QString path = folder.filePath(SyncSettings::relativePath());
    QFile file(path);
    if (!file.exists()) return {};
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("无法读取同步设置文件"), path, file.errorString());
    // A settings file is a few lines; anything larger is not one.
    const QByteArray bytes = file.read(64 * 1024);
    SyncSettings s;
    for (QByteArray line : bytes.split('\n')) {
        line = line.trimmed();
        if (line.startsWith("\xEF\xBB\xBF")) line.remove(0, 3);
        if (line.isEmpty() || line.startsWith('#')) continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) continue;
        const QByteArray key = line.left(eq).trimmed();
        const QString value = QString::fromUtf8(line.mid(eq + 1).trimmed());
        if (key == "url")
            s.url = QUrl(value, QUrl::StrictMode);
        else if (key == "user")
            s.user = value;
        else if (key == "calendar")
            s.calendar = QUrl(value, QUrl::StrictMode);
        else if (key == "insecure")
            s.allowInsecureHttp = value == QLatin1String("1");
    }
    if (!s.url.isValid()) s.url.clear();
    if (!s.calendar.isValid()) s.calendar.clear();
    return s;
}

void WriteSyncSettings(const ProgramFolder& folder, const SyncSettings& s) {
    const QString path = folder.filePath(SyncSettings::relativePath());
    QByteArray text;
    text += "url=" + s.url.toString(QUrl::FullyEncoded).toUtf8() + '\n';
    text += "user=" + s.user.toUtf8() + '\n';
    text += "calendar=" + s.calendar.toString(QUrl::FullyEncoded).toUtf8() + '\n';
    if (s.allowInsecureHttp) text += "insecure=1\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw FileError(QStringLiteral("无法保存同步设置文件"), path, file.errorString());
    privatefiles::restrict(path);
}

} // namespace kuvano::sync
