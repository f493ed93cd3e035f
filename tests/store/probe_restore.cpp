// Restores the newest snapshot of the program folder given as its argument,
// over and over, so that a test can kill it at any moment of a restore.
#include "store/snapshots.h"

#include <QCoreApplication>
#include <QDateTime>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    const kuvano::notes::SnapshotStore store{
        kuvano::ProgramFolder(QString::fromLocal8Bit(argv[1]))};
    const auto snapshot = store.newest();
    if (!snapshot) return 2;
    for (int i = 0; i < 300; ++i) {
        try {
            store.restore(*snapshot, QDateTime(QDate(2026, 12, 9), QTime(11, 0)).addSecs(60 * i));
        } catch (...) {
            return 1;
        }
    }
    return 0;
}
