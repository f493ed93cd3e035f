// Opens the main window on the program folder given, as the platform and the
// scale factor of its environment make the screen, and prints in logical
// pixels where it opened and on what: "screen X Y W H", "free X Y W H",
// "window X Y W H", the logo's "logo W H RATIO" and "shows max" or "shows
// restore" for the caption button that shares their place; then saves as the
// close picture does and prints "saved".
#include "app/Main.h"
#include "app/MainFrame.h"
#include "store/untdb.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

#include <cstdio>

using namespace kuvano;

namespace {
void print(const char* what, const QRect& r) {
    std::printf("%s %d %d %d %d\n", what, r.x(), r.y(), r.width(), r.height());
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) return 2;
    const ProgramFolder folder(QString::fromLocal8Bit(argv[1]));
    notes::TDM dm(folder);
    app::TMainForm form(folder, dm);
    form.show();
    QApplication::processEvents();
    print("screen", form.screen()->geometry());
    print("free", form.screen()->availableGeometry());
    print("window", form.geometry());
    const QPixmap logo = form.findChild<QLabel*>(QStringLiteral("img2"))->pixmap();
    std::printf("logo %d %d %g\n", logo.width(), logo.height(), logo.devicePixelRatio());
    std::printf("shows %s\n", form.frame().faces()[app::CaptionButton::Max] ? "max" : "restore");
    form.SaveWindowSize();
    std::printf("saved\n");
    std::fflush(stdout);
    return 0;
}
