#pragma once
// The widgets of the one-line pages: the single-line note box with its own
// text colour, and the ruled grid the boxes lie on.

#include <QColor>
#include <QLineEdit>
#include <QWidget>

namespace kuvano::notes {

// A colour as the notes tables store it: 0x00BBGGRR.
using ColorRef = int;
inline QColor fromColorRef(ColorRef c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
inline ColorRef toColorRef(const QColor& c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

class LineBox : public QLineEdit {
    Q_OBJECT
public:
    // number: the box's cell or line number (the digits its name ends in).
    LineBox(int number, QWidget* parent = nullptr);

    int Number() const { return number_; }
    ColorRef FontColor() const;
    void SetFontColor(ColorRef color);
    // Shows a stored text from its start: a line longer than the box shows
    // its beginning, not its end.
    void ShowText(const QString& text);

Q_SIGNALS:
    // Every change of the text, typed or set by the program.
    void Changed(kuvano::notes::LineBox* box);
    void Entered(kuvano::notes::LineBox* box);
    void Exited(kuvano::notes::LineBox* box);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int number_;
};

// Horizontal rules under each of `rows` rows of the given height, with a
// one-pixel line per row; no cell content.
class RuledGrid : public QWidget {
    Q_OBJECT
public:
    explicit RuledGrid(QWidget* parent = nullptr);
    void SetRows(int rows, int rowHeight);
    int Rows() const { return rows_; }
    int RowHeight() const { return rowHeight_; }
    // Where the line under row r (0-based) lies.
    int LineY(int r) const { return r * (rowHeight_ + 1) + rowHeight_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int rows_ = 0;
    int rowHeight_ = 0;
};

} // namespace kuvano::notes
