// Takes snapshots of the program folder given as its argument, over and
// over, so that a test can kill it at any moment of a snapshot.
#include "store/snapshots.h"

#include <QCoreApplication>
#include <QDateTime>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    const kuvano::notes::SnapshotStore store{
        kuvano::ProgramFolder(QString::fromLocal8Bit(argv[1]))};
    for (int i = 0; i < 1000; ++i) {
        try {
            store.take(QDateTime(QDate(2026, 12, 9), QTime(10, 0).addSecs(60 * (i % 50))));
        } catch (...) {
            return 1;
        }
    }
    return 0;
}
