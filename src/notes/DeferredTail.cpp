#include "notes/DeferredTail.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QScrollBar>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>

namespace kuvano::notes {

namespace {
// Marks a block past the cap (a block's user state is otherwise unused by
// the boxes): it stays hidden whatever reaches for the note.
constexpr int kCappedBlock = 0x4b43;

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
    viewport_ = box_.viewport();
    viewport_->installEventFilter(this);
    box_.verticalScrollBar()->installEventFilter(this);
    box_.horizontalScrollBar()->installEventFilter(this);
    // Any edit, by the user or by a command, works on the whole note.
    connect(box_.document(), &QTextDocument::contentsChange, this, [this] {
        // The part past the cap is the note's end: gone from there, it was
        // deleted (or the box emptied), and the whole note shows.
        if (capped_ && box_.document()->lastBlock().userState() != kCappedBlock) {
            capped_ = false;
            if (sign_) sign_->hide();
        }
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
    capped_ = capTail(doc);
    if (box_.isVisible() && !page.isNull()) holding_ = holdBack(doc);
    doc.setPageSize(page);
    loading_ = false;
    if (capped_ && !sign_) {
        sign_ =
            new QLabel(QStringLiteral("便笺太长，只显示了开头的 %1 字").arg(kMostLaidOut), &box_);
        sign_->setObjectName(QStringLiteral("cappedSign"));
        sign_->setWordWrap(true);
        sign_->setAutoFillBackground(true);
        QPalette p = sign_->palette();
        p.setColor(QPalette::Window, QColor(255, 255, 225));
        p.setColor(QPalette::WindowText, QColor(128, 0, 0));
        sign_->setPalette(p);
    }
    if (sign_) {
        sign_->setVisible(capped_);
        if (capped_) placeSign();
    }
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

bool DeferredTail::capTail(QTextDocument& doc) {
    if (doc.characterCount() <= kMostLaidOut) return false;
    QTextBlock b = doc.findBlock(kMostLaidOut);
    if (b.position() < kMostLaidOut) b = b.next(); // the block across the cap shows whole
    if (!b.isValid()) return false;
    for (; b.isValid(); b = b.next()) {
        b.setVisible(false);
        b.setUserState(kCappedBlock);
    }
    return true;
}

void DeferredTail::placeSign() {
    if (!sign_) return; // not made yet: load places it
    const QRect vp = box_.viewport()->geometry();
    const int h = sign_->heightForWidth(vp.width());
    sign_->setGeometry(vp.left(), vp.bottom() + 1 - h, vp.width(), h);
    sign_->raise();
}

bool DeferredTail::holdBack(QTextDocument& doc) {
    if (box_.viewport()->width() <= 0 || box_.viewport()->height() <= 0) return false;
    const int budget = charsThatMayShow();
    int chars = 0;
    QTextBlock tail = doc.begin();
    for (; tail.isValid() && chars < budget; tail = tail.next()) chars += tail.length();
    if (!tail.isValid() || !tail.isVisible()) return false; // the rest is capped
    for (QTextBlock b = tail; b.isValid() && b.userState() != kCappedBlock; b = b.next())
        b.setVisible(false);
    return true;
}

void DeferredTail::revealNext(int chars) {
    QTextDocument& doc = *box_.document();
    QTextBlock b = doc.begin();
    while (b.isValid() && b.isVisible()) b = b.next();
    const auto held = [](const QTextBlock& block) {
        return block.isValid() && block.userState() != kCappedBlock;
    };
    if (!held(b)) {
        holding_ = false;
        return;
    }
    const int from = b.position();
    int shown = 0;
    for (; held(b) && (chars < 0 || shown < chars); b = b.next()) {
        b.setVisible(true);
        shown += b.length();
    }
    holding_ = held(b);
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
    // Compared with the viewport as it was when watched: the box may be
    // half destroyed when its children's last events arrive.
    if (capped_ && event->type() == QEvent::Resize && watched == viewport_) placeSign();
    if (!holding_) return false;
    switch (event->type()) {
    case QEvent::Paint:
        if (watched != viewport_) break;
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
