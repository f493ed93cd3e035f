#include "wallpaper/picture_file.h"

#include "wallpaper/picture_error.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

namespace kuvano::wallpaper {

QByteArray readPictureFile(const QString& path) {
    QFile file(path);
    if (!file.exists()) throw PictureError(QStringLiteral("图片文件不存在：") + path);
    if (!file.open(QIODevice::ReadOnly))
        throw PictureError(QStringLiteral("无法读取图片文件 %1：%2").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw PictureError(QStringLiteral("无法读取图片文件 %1：%2").arg(path, file.errorString()));
    return bytes;
}

void replaceFile(const QString& path, const QByteArray& bytes) {
    const auto fail = [&](const QString& why) {
        throw PictureError(QStringLiteral("无法写入图片文件 %1：%2").arg(path, why));
    };
    // No fsync: the rename alone keeps a crash from leaving a torn picture
    // under the real name, and these pictures can always be made again.
    QTemporaryFile tmp(path + QStringLiteral(".XXXXXX"));
    if (!tmp.open()) fail(tmp.errorString());
    tmp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                       QFileDevice::ReadOther);
    if (tmp.write(bytes) != bytes.size() || !tmp.flush()) fail(tmp.errorString());
    tmp.close();
    if (std::rename(QFile::encodeName(tmp.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0)
        fail(QStringLiteral("改名失败"));
    tmp.setAutoRemove(false);
}

} // namespace kuvano::wallpaper
