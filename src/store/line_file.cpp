#include "store/line_file.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace kuvano::linefile {

QByteArray encode(const QStringList& lines) {
    QStringEncoder encoder("GB18030");
    QByteArray out;
    for (const QString& line : lines) {
        out += encoder.encode(line);
        out += "\r\n";
    }
    return out;
}

QStringList decode(const QByteArray& bytes) {
    QStringDecoder decoder("GB18030");
    const QString text = decoder.decode(bytes);
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines.append(text.mid(start, i - start));
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ++i;
            start = i + 1;
        }
    }
    if (start < n) lines.append(text.mid(start));
    return lines;
}

ReadResult read(const QString& path) {
    ReadResult result;
    QFile file(path);
    if (!file.exists()) {
        result.error = QStringLiteral("文件不存在: ") + path;
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.error =
            QStringLiteral("无法读取文件 ") + path + QStringLiteral(": ") + file.errorString();
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error =
            QStringLiteral("无法读取文件 ") + path + QStringLiteral(": ") + file.errorString();
        return result;
    }
    result.lines = decode(bytes);
    return result;
}

bool write(const QString& path, const QStringList& lines, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    // Settings and the password file are the user's alone, the temporary
    // file included; set before any byte is written.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray bytes = encode(lines);
    if (file.write(bytes) != bytes.size()) {
        if (error) *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace kuvano::linefile
