#include "platform/keyring.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>

namespace kuvano::keyring {

namespace {

const QString& service() {
    static const QString name = QStringLiteral("org.kuvano.DeskCalendar.sync");
    return name;
}

void wait(QKeychain::Job& job) {
    job.setAutoDelete(false);
    job.setInsecureFallback(false); // never a plain-text copy in a settings file
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

bool noBackend(QKeychain::Error e) {
    return e == QKeychain::NoBackendAvailable || e == QKeychain::NotImplemented ||
           e == QKeychain::OtherError;
}

} // namespace

Answer readPassword(const QString& key) {
    QKeychain::ReadPasswordJob job(service());
    job.setKey(key);
    wait(job);
    Answer a;
    if (job.error() == QKeychain::NoError) {
        a.password = job.textData();
    } else if (job.error() == QKeychain::EntryNotFound) {
        a.why = QStringLiteral("密钥环中没有同步密码");
    } else if (noBackend(job.error())) {
        a.noKeyring = true;
        a.why = QStringLiteral("没有找到桌面的密钥环，同步密码无法保存，每次启动时都需要输入");
    } else {
        a.why = QStringLiteral("无法从密钥环读取同步密码 (%1)").arg(job.errorString());
    }
    return a;
}

bool writePassword(const QString& key, const QString& password, QString* why) {
    QKeychain::WritePasswordJob job(service());
    job.setKey(key);
    job.setTextData(password);
    wait(job);
    if (job.error() == QKeychain::NoError) return true;
    if (why)
        *why = noBackend(job.error())
                   ? QStringLiteral("没有找到桌面的密钥环，同步密码无法保存，每次启动时都需要输入")
                   : QStringLiteral("无法把同步密码存入密钥环 (%1)").arg(job.errorString());
    return false;
}

void forgetPassword(const QString& key) {
    QKeychain::DeletePasswordJob job(service());
    job.setKey(key);
    wait(job);
}

std::optional<QString> passwordFromFile(const QString& path, QString* why) {
    const QFileInfo info(path);
    const auto fail = [why](const QString& text) -> std::optional<QString> {
        if (why) *why = text;
        return std::nullopt;
    };
    if (!info.exists()) return fail(QStringLiteral("密码文件 %1 不存在").arg(path));
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther;
    if (info.permissions() & others)
        return fail(
            QStringLiteral("密码文件 %1 别人也能读取，请用 chmod 600 只留给自己").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("无法读取密码文件 %1 (%2)").arg(path, file.errorString()));
    QByteArray line = file.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    return QString::fromUtf8(line);
}

} // namespace kuvano::keyring
