// Writes the program's icon into an icon theme folder:
// hicolor/scalable/apps/ID.svg and hicolor/NxN/apps/ID.png for every size.
#include "platform/app_icon.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon ICON_THEME_FOLDER\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/hicolor/");
    const QString id = kuvano::appId();
    bool ok = QDir().mkpath(root + QStringLiteral("scalable/apps"));
    QFile svg(root + QStringLiteral("scalable/apps/") + id + QStringLiteral(".svg"));
    ok = ok && svg.open(QIODevice::WriteOnly) && svg.write(kuvano::appIconSvg()) > 0;
    svg.close();
    for (const int size : kuvano::kAppIconSizes) {
        const QString dir = root + QStringLiteral("%1x%1/apps/").arg(size);
        ok = ok && QDir().mkpath(dir) &&
             kuvano::drawAppIcon(size).save(dir + id + QStringLiteral(".png"), "PNG");
    }
    if (!ok) std::fprintf(stderr, "make_icon: cannot write below %s\n", argv[1]);
    return ok ? 0 : 1;
}
