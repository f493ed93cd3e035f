#include "store/private_files.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

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
    // A notes folder that is a link (DB3 kept on another disk) is the folder
    // it points to: that one holds the notes.
    const QFileInfo info(folder);
    const QString real = info.isSymLink() ? info.canonicalFilePath() : folder;
    if (real.isEmpty()) return; // a dangling link: nothing to tighten
    restrict(real);
    QDirIterator it(real, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) restrict(it.next());
}

} // namespace kuvano::privatefiles
