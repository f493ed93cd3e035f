#include "store/rich_text.h"

#include <atomic>

namespace kuvano::notes {

namespace {
std::atomic<PlainTextReader> g_reader{nullptr};
} // namespace

void setPlainTextReader(PlainTextReader reader) {
    g_reader = reader;
}

QString plainTextOf(const QByteArray& rtf) {
    const PlainTextReader reader = g_reader.load();
    return reader ? reader(rtf) : QString();
}

} // namespace kuvano::notes
