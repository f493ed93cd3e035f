#include "store/private_files.h"

#include <QDirIterator>
#include <QFile>

#include <sys/stat.h>

namespace kuvano::privatefiles {

void restrict(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0 || S_ISLNK(st.st_mode)) return;
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) == 0) return;
    // Refused on FAT and the like; nothing else to do there.
    (void)::chmod(native.constData(), st.st_mode & (S_IRWXU | S_ISVTX));
}

void restrictTree(const QString& folder) {
    restrict(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) restrict(it.next());
}

} // namespace kuvano::privatefiles
