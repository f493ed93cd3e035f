#include "notes/plain_text.h"

#include "rtf/rtf.h"
#include "store/rich_text.h"

#include <QTextDocument>

namespace kuvano::notes {

namespace {
QString readPlain(const QByteArray& rtf) {
    // One scratch document per thread: the index build runs on a worker.
    thread_local QTextDocument document;
    document.setUndoRedoEnabled(false);
    rtf::read(rtf, document);
    return document.toPlainText();
}
} // namespace

void InstallPlainTextReader() {
    setPlainTextReader(&readPlain);
}

} // namespace kuvano::notes
