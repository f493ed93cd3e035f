#pragma once
// Loading a long note into a small rich-text box: only the part that can
// show is laid out before the box is painted; the rest of the note (its
// tail) is laid out on the pass of the event loop after that paint, or at
// once when the user or a command reaches for the box. Laying out is most of what a load costs
// (text shaping, glyph metrics), and a desk cell shows a few lines of a note that may run to
// dozens.
//
// What shows of the note is the same either way: the held-back blocks lie
// below the bottom of the box, and the laid-out part always reaches past it
// (so the vertical scroll bar shows exactly when it will for the whole
// note). The scroll bars' ranges settle once the tail is in, as with Qt's own
// lazy layout of long texts: the vertical handle shrinks to its size, and in
// the rare box where a held-back line runs a few pixels past the edge (Qt
// counts a trailing blank into the width), the horizontal bar comes.

#include <QObject>

#include <functional>

class QLabel;
class QTextDocument;
class QTextEdit;

namespace kuvano::notes {

class DeferredTail : public QObject {
    Q_OBJECT
public:
    explicit DeferredTail(QTextEdit& box);

    // Replaces the box's content by what fill writes into its document, with
    // the layout held off meanwhile, then lays out what shows.
    void load(const std::function<void(QTextDocument&)>& fill);

    // Lays out whatever is still held back, now.
    void reveal();
    bool holding() const { return holding_; }

    // A note longer than this many characters is laid out only as far: the
    // rest stays in the box (saved, exported, searched with it) but is never
    // laid out, which for notes of megabytes would hold the program still
    // for minutes. The box says so on a line at its bottom.
    static constexpr int kMostLaidOut = 100000;
    bool capped() const { return capped_; }
    QLabel* cappedSign() const { return sign_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int charsThatMayShow() const;
    bool holdBack(QTextDocument& doc);
    void coverViewport();
    void revealNext(int chars);
    bool capTail(QTextDocument& doc);
    void placeSign();

    QTextEdit& box_;
    QObject* viewport_ = nullptr; // only compared, never called through
    QLabel* sign_ = nullptr;      // made with the first capped note
    bool capped_ = false;
    bool holding_ = false;
    bool loading_ = false;
    bool revealQueued_ = false;
    quint64 generation_ = 0;
};

} // namespace kuvano::notes
