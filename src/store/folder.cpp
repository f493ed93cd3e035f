#include "store/folder.h"

#include <QCoreApplication>
#include <QDir>

namespace kuvano {

ProgramFolder::ProgramFolder(QString root) : root_(QDir(root).absolutePath()) {
    if (!root_.endsWith(QLatin1Char('/'))) root_ += QLatin1Char('/');
}

ProgramFolder ProgramFolder::ofExecutable() {
    return ProgramFolder(QCoreApplication::applicationDirPath());
}

QString ProgramFolder::filePath(const QString& relative) const {
    return root_ + relative;
}

} // namespace kuvano
