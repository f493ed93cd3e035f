#include "lock/password_file.h"

#include "lock/password_hash.h"
#include "store/line_file.h"

#include <QFileInfo>

namespace kuvano::lock {

QString passwordFilePath(const ProgramFolder& folder) {
    return folder.filePath(QStringLiteral("DB3/loginstr.db"));
}

PasswordFile readPasswordFile(const ProgramFolder& folder) {
    PasswordFile result;
    const QString path = passwordFilePath(folder);
    if (!QFileInfo::exists(path)) {
        result.error = QStringLiteral("密码文件缺失: ") + path;
        return result;
    }
    const linefile::ReadResult read = linefile::read(path);
    if (!read.lines) {
        result.error = QStringLiteral("密码文件无法读取: ") + read.error;
        return result;
    }
    if (read.lines->size() < 3) {
        result.error = QStringLiteral("密码文件不足三行: ") + path;
        return result;
    }
    result.ok = true;
    result.lines = *read.lines;
    return result;
}

LockFlag readLockFlag(const ProgramFolder& folder) {
    const PasswordFile file = readPasswordFile(folder);
    LockFlag flag;
    flag.ok = file.ok;
    flag.error = file.error;
    flag.loginOn = file.ok && file.lines.at(2) == lockOnFlag();
    return flag;
}

bool hashPlainPassword(const ProgramFolder& folder, QString* error) {
    const PasswordFile file = readPasswordFile(folder);
    if (!file.ok) return true; // start-up reports that on its own
    const QString& stored = file.lines.at(0);
    if (stored == noKeyMarker() || isPasswordHash(stored)) return true;
    QStringList lines = file.lines;
    lines[0] = lines[1] = hashPassword(stored);
    return writePasswordFile(folder, lines, error);
}

bool writePasswordFile(const ProgramFolder& folder, const QStringList& lines, QString* error) {
    const QString path = passwordFilePath(folder);
    QString why;
    if (linefile::write(path, lines, &why)) return true;
    if (error) *error = QStringLiteral("无法写入密码文件 ") + path + QStringLiteral(": ") + why;
    return false;
}

} // namespace kuvano::lock
