// The floor of start-up: an empty frameless window of the main window's
// design size, built with the same Qt as the program.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowFlag(Qt::FramelessWindowHint, true);
    w.resize(1327, 829);
    w.show();
    return QApplication::exec();
}
