#include "app/uFrmSetRecord.h"

#include "store/line_file.h"

#include <algorithm>

namespace kuvano::app {

QStringList WindowSizeRecord::toLines() const {
    return {QString::number(width), QString::number(height),     QString::number(left),
            QString::number(top),   QString::number(fullScreen), QString::number(fontSizeIndex)};
}

WindowSizeRecord defaultWindowSize(QSize screen) {
    WindowSizeRecord r;
    r.left = (screen.width() - kDefaultWidth) / 2;
    r.top = (screen.height() - kDefaultHeight - kTaskbarHeight) / 2;
    return r;
}

WindowSizeRecord OnScreen(const WindowSizeRecord& record, QSize screen) {
    const int availableHeight = screen.height() - kTaskbarHeight;
    WindowSizeRecord r = record;
    // The floor wins on a screen smaller than the smallest choice.
    r.width = std::max(std::min(r.width, screen.width()), kDefaultWidth);
    r.height = std::max(std::min(r.height, availableHeight), kDefaultHeight);
    r.left = std::clamp(r.left, std::min(0, screen.width() - r.width),
                        std::max(0, screen.width() - r.width));
    r.top = std::clamp(r.top, 0, std::max(0, screen.height() - r.height));
    return r;
}

namespace {
int within(int start, int length, int areaStart, int areaLength) {
    if (length >= areaLength) return areaStart;
    return std::clamp(start, areaStart, areaStart + areaLength - length);
}
} // namespace

QRect WhollyOn(QRect window, QRect area) {
    window.moveTo(within(window.left(), window.width(), area.left(), area.width()),
                  within(window.top(), window.height(), area.top(), area.height()));
    return window;
}

QRect CenteredWindow(QSize window, QSize screen) {
    return QRect((screen.width() - window.width()) / 2,
                 (screen.height() - window.height() - kTaskbarHeight) / 2, window.width(),
                 window.height());
}

QSize ToggledSize(int windowWidth, const WindowSizeRecord& record, QSize screen) {
    if (windowWidth == screen.width()) return QSize(record.width, record.height);
    return QSize(screen.width(), screen.height() - kTaskbarHeight);
}

QStringList SizeFileLines(const WindowSizeRecord& record, QRect window, QSize screen,
                          int fontSizeIndex) {
    WindowSizeRecord r = record;
    r.left = window.left();
    r.top = window.top();
    r.fullScreen = window.width() == screen.width() ? 1 : 0;
    r.fontSizeIndex = fontSizeIndex;
    return r.toLines();
}

namespace {
bool toInt(const QStringList& lines, int index, int& out) {
    if (index >= lines.size()) return false;
    bool ok = false;
    const int v = lines.at(index).trimmed().toInt(&ok);
    if (ok) out = v;
    return ok;
}
} // namespace

WindowSizeReading readWindowSizeFile(const QString& path, QSize screen) {
    WindowSizeReading result;
    const linefile::ReadResult file = linefile::read(path);
    if (file.lines) {
        const QStringList& lines = *file.lines;
        WindowSizeRecord r;
        if (toInt(lines, 0, r.width) && toInt(lines, 1, r.height) && toInt(lines, 2, r.left) &&
            toInt(lines, 3, r.top) && toInt(lines, 4, r.fullScreen)) {
            if (!toInt(lines, 5, r.fontSizeIndex) || r.fontSizeIndex < 0 ||
                r.fontSizeIndex >= kFontSizeCount)
                r.fontSizeIndex = 0;
            result.record = r;
            return result;
        }
    }
    result.record = defaultWindowSize(screen);
    result.rewritten = true;
    linefile::write(path, result.record.toLines());
    return result;
}

} // namespace kuvano::app
