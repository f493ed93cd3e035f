#include "platform/notebook_lock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kuvano {

NotebookLock::NotebookLock(const ProgramFolder& folder) {
    const QString notes = QDir::toNativeSeparators(folder.filePath(QStringLiteral("DB3")));
    auto failed = [&](int why) {
        error_ = QStringLiteral("无法锁定笔记文件夹 %1（%2），程序不能启动")
                     .arg(notes, QString::fromLocal8Bit(std::strerror(why)));
    };
    const QByteArray path = QFile::encodeName(folder.filePath(relativePath()));
    // Close-on-exec: a helper process started later must not keep the lock
    // alive after the program has ended.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        failed(errno);
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int why = errno;
        ::close(fd);
        busy_ = why == EWOULDBLOCK;
        if (!busy_) {
            failed(why);
            return;
        }
        error_ = QStringLiteral("笔记文件夹 %1 正由另一个运行中的桌面月历使用，本次启动就此结束")
                     .arg(notes);
        return;
    }
    (void)::fchmod(fd, 0600); // a file found there may have been given another mode
    fd_ = fd;
}

NotebookLock::~NotebookLock() {
    if (fd_ >= 0) ::close(fd_);
}

} // namespace kuvano
