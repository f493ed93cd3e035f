#include "store/folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace kuvano {

namespace {
QString withSlash(const QString& folder) {
    QString absolute = QDir(folder).absolutePath();
    if (!absolute.endsWith(QLatin1Char('/'))) absolute += QLatin1Char('/');
    return absolute;
}
} // namespace

ProgramFolder::ProgramFolder(QString root, QString ownedRoot)
    : root_(withSlash(root)), owned_(ownedRoot.isEmpty() ? root_ : withSlash(ownedRoot)) {}

ProgramFolder ProgramFolder::ofExecutable() {
    return ProgramFolder(QCoreApplication::applicationDirPath());
}

QString ProgramFolder::filePath(const QString& relative) const {
    return root_ + relative;
}

QString ProgramFolder::ownedFile(const QString& relative) const {
    return owned_ + relative;
}

QString ProgramFolder::userOrOwnedFile(const QString& relative) const {
    const QString users = filePath(relative);
    return QFileInfo::exists(users) ? users : ownedFile(relative);
}

} // namespace kuvano
