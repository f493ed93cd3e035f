#pragma once
// The window size record and its file DB3/form.ini: six lines of decimal
// integers (width, height, left, top, full-screen flag, font size index).

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

namespace kuvano::app {

struct WindowSizeRecord {
    int width = 1024;
    int height = 738;
    int left = 0;
    int top = 0;
    int fullScreen = 0; // 0: use width..top; any other value fills the screen
    int fontSizeIndex = 0;

    QStringList toLines() const;
    bool operator==(const WindowSizeRecord&) const = default;
};

constexpr int kDefaultWidth = 1024;
constexpr int kDefaultHeight = 738;
constexpr int kTaskbarHeight = 30;
constexpr int kFontSizeCount = 5; // "10".."14"

// A record read from the file, brought onto the screen: the size within the
// screen less the taskbar but no smaller than the smallest size the settings
// offer, and the place such that the whole window is on the screen (where it
// fits). An edited or stale file cannot open the window out of reach.
WindowSizeRecord OnScreen(const WindowSizeRecord& record, QSize screen);

// The window moved as little as puts it wholly inside `area` (a screen's free
// part, in logical pixels). Along a side where it is larger than the area its
// left or top edge meets the area's, so the caption with its logo stays in reach.
QRect WhollyOn(QRect window, QRect area);

// The defaults for a screen; integer division truncates toward zero.
WindowSizeRecord defaultWindowSize(QSize screen);

// A window of the given size centred on the screen with the taskbar's height
// kept free below it: left = (screen width - W) div 2, top = (screen height -
// H - 30) div 2. A full-screen window (H = screen height - 30) lands at 0, 0.
QRect CenteredWindow(QSize window, QSize screen);

// The size the full-screen toggle gives: a window exactly as wide as the
// screen returns to the remembered size, any other fills the screen less the
// taskbar.
QSize ToggledSize(int windowWidth, const WindowSizeRecord& record, QSize screen);

// The six lines the save size routine writes: the remembered size, the
// window's place, "1" when it is exactly as wide as the screen, and the font
// size index.
QStringList SizeFileLines(const WindowSizeRecord& record, QRect window, QSize screen,
                          int fontSizeIndex);

struct WindowSizeReading {
    WindowSizeRecord record;
    bool rewritten = false; // the file was missing or bad and has been written anew
};

// Reads the file; a missing file or a bad line among the first five gives the
// defaults and writes them. A missing or bad sixth line, or an index outside
// 0..4, gives font size index 0 without a rewrite.
WindowSizeReading readWindowSizeFile(const QString& path, QSize screen);

} // namespace kuvano::app
