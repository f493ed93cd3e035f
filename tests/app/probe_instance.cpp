// Claims the single-instance server for the class name given on the command
// line and prints "primary" or "secondary"; a primary stays up for the given
// number of milliseconds (so that a test can start others against it).
#include "platform/single_instance.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) return 2;
    kuvano::SingleInstance instance(QString::fromLocal8Bit(argv[1]));
    const bool primary = instance.claim();
    std::printf("%s\n", primary ? "primary" : "secondary");
    std::fflush(stdout);
    if (!primary) return 3;
    QObject::connect(&instance, &kuvano::SingleInstance::messageReceived,
                     [](quint32 m, qint64 w, qint64 l) {
                         std::printf("message %u %lld %lld\n", m, static_cast<long long>(w),
                                     static_cast<long long>(l));
                         std::fflush(stdout);
                     });
    QTimer::singleShot(QByteArray(argv[2]).toInt(), &app, &QCoreApplication::quit);
    return app.exec();
}
