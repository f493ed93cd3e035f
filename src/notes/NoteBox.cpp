#include "notes/NoteBox.h"

#include "notes/DeferredTail.h"
#include "platform/fonts.h"
#include "rtf/rtf.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace kuvano::notes {

namespace {
// "宋体" 12 pixels, that is 9 points at 96 dots per inch.
constexpr int kDefaultPoints = 9;
} // namespace

NoteBox::NoteBox(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(true);
    setFrameShape(QFrame::NoFrame);
    setFont(fonts::byPoints(QStringLiteral("宋体"), kDefaultPoints));
    document()->setDocumentMargin(2);
    setTabChangesFocus(false);
    connect(this, &QTextEdit::textChanged, this, [this] { Q_EMIT Changed(this); });
    tail_ = new DeferredTail(*this);
}

QTextCharFormat NoteBox::DefaultFormat() const {
    QTextCharFormat f;
    f.setFontFamilies({font().family()});
    f.setFontPointSize(font().pointSizeF() > 0 ? font().pointSizeF() : kDefaultPoints);
    f.setForeground(palette().color(QPalette::WindowText));
    return f;
}

QByteArray NoteBox::SaveToStream() const {
    return rtf::write(*document());
}

void NoteBox::LoadFromStream(const QByteArray& bytes) {
    tail_->load([&](QTextDocument& doc) {
        doc.setUndoRedoEnabled(false);
        rtf::read(bytes, doc, DefaultFormat());
        doc.setUndoRedoEnabled(true);
    });
    moveCursor(QTextCursor::Start);
}

QString NoteBox::PlainText() const {
    QString text = toPlainText();
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void NoteBox::ClearText() {
    clear();
}

int NoteBox::SelStart() const {
    return textCursor().selectionStart();
}

int NoteBox::SelLength() const {
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void NoteBox::SetSelection(int start, int length) {
    QTextCursor c = textCursor();
    const int end = document()->characterCount() - 1;
    start = std::clamp(start, 0, end);
    c.setPosition(start);
    c.setPosition(std::clamp(start + std::max(0, length), 0, end), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void NoteBox::ReplaceSelection(const QString& text) {
    // An edit of its own: undo takes back just this, not the typing before it.
    NoteBoxEdit edit(this);
    textCursor().insertText(text);
}

void NoteBox::DeleteSelection() {
    textCursor().removeSelectedText();
}

QColor NoteBox::SelColor() const {
    return textCursor().charFormat().foreground().color();
}

QString NoteBox::SelFontName() const {
    const QStringList families = textCursor().charFormat().fontFamilies().toStringList();
    return families.isEmpty() ? font().family() : families.first();
}

int NoteBox::SelFontSize() const {
    const double pt = textCursor().charFormat().fontPointSize();
    return pt > 0 ? qRound(pt) : font().pointSize();
}

NoteBoxEdit::NoteBoxEdit(NoteBox* box) : cursor_(box->document()) {
    cursor_.beginEditBlock();
}

void NoteBox::mergeSelectionFormat(const QTextCharFormat& format) {
    // Both merges touch a selection: as one edit, one undo takes it back.
    NoteBoxEdit edit(this);
    QTextCursor c = textCursor();
    c.mergeCharFormat(format);
    mergeCurrentCharFormat(format);
}

void NoteBox::SetSelColor(const QColor& color) {
    QTextCharFormat f;
    f.setForeground(color);
    mergeSelectionFormat(f);
}

void NoteBox::SetSelFontName(const QString& family) {
    QTextCharFormat f;
    f.setFontFamilies({family});
    mergeSelectionFormat(f);
}

void NoteBox::SetSelFontSize(int points) {
    QTextCharFormat f;
    f.setFontPointSize(points);
    mergeSelectionFormat(f);
}

void NoteBox::SetWholeFontSize(int points) {
    QFont f = font();
    f.setPointSize(points);
    setFont(f);
}

void NoteBox::SetBackgroundColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
    setAutoFillBackground(true);
}

QColor NoteBox::BackgroundColor() const {
    return palette().color(QPalette::Base);
}

void NoteBox::focusInEvent(QFocusEvent* event) {
    QTextEdit::focusInEvent(event);
    Q_EMIT Entered(this);
}

void NoteBox::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    Q_EMIT Exited(this);
}

void NoteBox::mouseReleaseEvent(QMouseEvent* event) {
    QTextEdit::mouseReleaseEvent(event);
    Q_EMIT MouseReleased(this, event->button());
    if (event->button() == Qt::RightButton) openPopupMenu(event->globalPosition().toPoint());
}

void NoteBox::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's request comes with the press on X11 and Wayland: a menu
    // opened then would take the release from the box. Its menu opens at the
    // release instead (above); the keyboard's opens here.
    if (event->reason() != QContextMenuEvent::Mouse) openPopupMenu(event->globalPos());
    event->accept();
}

void NoteBox::openPopupMenu(const QPoint& globalPos) {
    if (popupMenu_) popupMenu_->popup(globalPos);
}

} // namespace kuvano::notes
