#include "store/line_file.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

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

namespace {

std::atomic<WriteCall> g_writeCall{&::write};

QString systemText(int code) {
    return code == ENOSPC ? diskFullText() : QString::fromLocal8Bit(std::strerror(code));
}

bool writeAll(int fd, const QByteArray& bytes, int* code) {
    const WriteCall call = g_writeCall.load();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = call(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *code = n < 0 ? errno : ENOSPC; // a write of nothing is a full disk
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace

WriteCall replaceWriteCall(WriteCall call) {
    return g_writeCall.exchange(call ? call : &::write);
}

bool write(const QString& path, const QStringList& lines, QString* error) {
    // A link is followed: its target is the file replaced, the link stays.
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.symLinkTarget() : path;
    QByteArray temp = QFile::encodeName(target) + ".XXXXXX";
    // mkstemp makes it 0600: settings and the password are the user's alone.
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        if (error) *error = systemText(errno);
        return false;
    }
    int code = 0;
    bool ok = writeAll(fd, encode(lines), &code);
    // Data still on its way to the disk can fail too (a full disk shows here
    // on some file systems): only a file known to be whole replaces the old.
    if (ok && ::fsync(fd) != 0) {
        code = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        code = errno;
        ok = false;
    }
    if (ok && ::rename(temp.constData(), QFile::encodeName(target).constData()) != 0) {
        code = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.constData());
        if (error) *error = systemText(code);
    }
    return ok;
}

} // namespace kuvano::linefile
