#include "notes/DeferredTail.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QFontMetricsF>
#include <QScrollBar>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>

namespace kuvano::notes {

namespace {
// The fonts of the notes loaded so far, held for the whole run. A font
// engine (the face found through fontconfig, its glyph metrics and rendered
// glyphs) lives only while some font uses it: without these, turning to
// another month lets Qt's font cache drop the engines of the last one, and
// the next month finds, measures and renders the same faces all over again.
void holdFonts(const QTextDocument& doc) {
    // Never freed: a font must not outlive the application's font database,
    // which goes before static objects do.
    static auto& held = *new QSet<QFont>;
    constexpr qsizetype kMostFonts = 256; // faces x sizes x styles people use, with room
    const QFont base = doc.defaultFont();
    for (const QTextFormat& f : doc.allFormats()) {
        if (!f.isCharFormat() || held.size() >= kMostFonts) continue;
        QFont font = f.toCharFormat().font().resolve(base);
        // Lines drawn over the text take no engine of their own.
        font.setUnderline(false);
        font.setOverline(false);
        font.setStrikeOut(false);
        if (held.contains(font)) continue;
        // Binds the font to the engines the layout loaded for it (a font
        // finds them by its description); it loads nothing new for a font
        // the note's layout used.
        QFontMetricsF(font).ascent();
        held.insert(font);
    }
}
} // namespace

DeferredTail::DeferredTail(QTextEdit& box) : QObject(&box), box_(box) {
    box_.installEventFilter(this);
    box_.viewport()->installEventFilter(this);
    box_.verticalScrollBar()->installEventFilter(this);
    box_.horizontalScrollBar()->installEventFilter(this);
    // Any edit, by the user or by a command, works on the whole note.
    connect(box_.document(), &QTextDocument::contentsChange, this, [this] {
        if (!loading_) reveal();
    });
}

void DeferredTail::load(const std::function<void(QTextDocument&)>& fill) {
    QTextDocument& doc = *box_.document();
    ++generation_;
    holding_ = false;
    revealQueued_ = false;
    // A null page size keeps the layout out of the filling: the note is laid
    // out once, at the box's width, instead of at every step of the fill and
    // again when the scroll bar comes or goes.
    const QSizeF page = doc.pageSize();
    loading_ = true;
    doc.setPageSize(QSizeF(0, 0));
    fill(doc);
    if (box_.isVisible() && !page.isNull()) holding_ = holdBack(doc);
    doc.setPageSize(page);
    loading_ = false;
    if (!holding_) {
        holdFonts(doc);
        return;
    }
    coverViewport();
}

int DeferredTail::charsThatMayShow() const {
    // A first guess, for text of the boxes' usual 9 points: ideographs 12
    // pixels wide, lines 15 apart. Narrower or smaller text takes a few more
    // blocks from coverViewport.
    const QSize vp = box_.viewport()->size();
    return (vp.width() / 12 + 1) * (vp.height() / 15 + 1);
}

bool DeferredTail::holdBack(QTextDocument& doc) {
    if (box_.viewport()->width() <= 0 || box_.viewport()->height() <= 0) return false;
    const int budget = charsThatMayShow();
    int chars = 0;
    QTextBlock tail = doc.begin();
    for (; tail.isValid() && chars < budget; tail = tail.next()) chars += tail.length();
    if (!tail.isValid()) return false;
    for (QTextBlock b = tail; b.isValid(); b = b.next()) b.setVisible(false);
    return true;
}

void DeferredTail::revealNext(int chars) {
    QTextDocument& doc = *box_.document();
    QTextBlock b = doc.begin();
    while (b.isValid() && b.isVisible()) b = b.next();
    if (!b.isValid()) {
        holding_ = false;
        return;
    }
    const int from = b.position();
    int shown = 0;
    for (; b.isValid() && (chars < 0 || shown < chars); b = b.next()) {
        b.setVisible(true);
        shown += b.length();
    }
    holding_ = b.isValid();
    doc.markContentsDirty(from, shown);
    if (!holding_) holdFonts(doc);
}

void DeferredTail::coverViewport() {
    // The laid-out part must reach below the bottom of what shows.
    const auto bottom = [this] {
        return box_.verticalScrollBar()->value() + box_.viewport()->height();
    };
    while (holding_ && box_.document()->documentLayout()->documentSize().height() <= bottom())
        revealNext(1); // a block at a time: each is laid out on its own
}

void DeferredTail::reveal() {
    if (holding_) revealNext(-1);
}

bool DeferredTail::eventFilter(QObject* watched, QEvent* event) {
    if (!holding_) return false;
    switch (event->type()) {
    case QEvent::Paint:
        if (watched != box_.viewport()) break;
        coverViewport();
        // The rest once this paint is on the screen.
        if (holding_ && !revealQueued_) {
            revealQueued_ = true;
            QTimer::singleShot(0, this, [this, generation = generation_] {
                if (generation == generation_) reveal();
            });
        }
        break;
    case QEvent::FocusIn:
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
        reveal();
        break;
    default:
        break;
    }
    return false;
}

} // namespace kuvano::notes
