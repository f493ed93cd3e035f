// Builds the search index of the notes file given as its argument in small,
// slow batches, printing each, so that a test can kill it in the middle.
#include "notes/plain_text.h"
#include "store/search_build.h"

#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <thread>

int main(int argc, char** argv) {
    kuvano::notes::InstallPlainTextReader();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // the RTF notes are read through QTextDocument
    if (argc < 2) return 2;
    kuvano::notes::BuildOptions options;
    options.batchNotes = 4;
    options.afterBatch = [](int done, int total) {
        std::printf("batch %d/%d\n", done, total);
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    };
    kuvano::notes::BuildProgress progress;
    try {
        kuvano::notes::BuildSearchIndex(QString::fromLocal8Bit(argv[1]), options, progress);
    } catch (...) {
        return 1;
    }
    return 0;
}
