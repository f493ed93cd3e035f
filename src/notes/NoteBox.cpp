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

TNoteBox::TNoteBox(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(true);
    setFrameShape(QFrame::NoFrame);
    setFont(fonts::byPoints(QStringLiteral("宋体"), kDefaultPoints));
    document()->setDocumentMargin(2);
    setTabChangesFocus(false);
    connect(this, &QTextEdit::textChanged, this, [this] { Q_EMIT Changed(this); });
    tail_ = new DeferredTail(*this);
}

QTextCharFormat TNoteBox::DefaultFormat() const {
    QTextCharFormat f;
    f.setFontFamilies({font().family()});
    f.setFontPointSize(font().pointSizeF() > 0 ? font().pointSizeF() : kDefaultPoints);
    f.setForeground(palette().color(QPalette::WindowText));
    return f;
}

QByteArray TNoteBox::SaveToStream() const {
    return rtf::write(*document());
}

void TNoteBox::LoadFromStream(const QByteArray& bytes) {
    tail_->load([&](QTextDocument& doc) {
        doc.setUndoRedoEnabled(false);
        rtf::read(bytes, doc, DefaultFormat());
        doc.setUndoRedoEnabled(true);
    });
    moveCursor(QTextCursor::Start);
}

QString TNoteBox::PlainText() const {
    QString text = toPlainText();
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void TNoteBox::ClearText() {
    clear();
}

int TNoteBox::SelStart() const {
    return textCursor().selectionStart();
}

int TNoteBox::SelLength() const {
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void TNoteBox::SetSelection(int start, int length) {
    QTextCursor c = textCursor();
    const int end = document()->characterCount() - 1;
    start = std::clamp(start, 0, end);
    c.setPosition(start);
    c.setPosition(std::clamp(start + std::max(0, length), 0, end), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void TNoteBox::ReplaceSelection(const QString& text) {
    // An edit of its own: undo takes back just this, not the typing before it.
    TNoteBoxEdit edit(this);
    textCursor().insertText(text);
}

void TNoteBox::DeleteSelection() {
    textCursor().removeSelectedText();
}

QColor TNoteBox::SelColor() const {
    return textCursor().charFormat().foreground().color();
}

QString TNoteBox::SelFontName() const {
    const QStringList families = textCursor().charFormat().fontFamilies().toStringList();
    return families.isEmpty() ? font().family() : families.first();
}

int TNoteBox::SelFontSize() const {
    const double pt = textCursor().charFormat().fontPointSize();
    return pt > 0 ? qRound(pt) : font().pointSize();
}

TNoteBoxEdit::TNoteBoxEdit(TNoteBox* box) : cursor_(box->document()) {
    cursor_.beginEditBlock();
}

void TNoteBox::mergeSelectionFormat(const QTextCharFormat& format) {
    // Both merges touch a selection: as one edit, one undo takes it back.
    TNoteBoxEdit edit(this);
    QTextCursor c = textCursor();
    c.mergeCharFormat(format);
    mergeCurrentCharFormat(format);
}

void TNoteBox::SetSelColor(const QColor& color) {
    QTextCharFormat f;
    f.setForeground(color);
    mergeSelectionFormat(f);
}

void TNoteBox::SetSelFontName(const QString& family) {
    QTextCharFormat f;
    f.setFontFamilies({family});
    mergeSelectionFormat(f);
}

void TNoteBox::SetSelFontSize(int points) {
    QTextCharFormat f;
    f.setFontPointSize(points);
    mergeSelectionFormat(f);
}

void TNoteBox::SetWholeFontSize(int points) {
    QFont f = font();
    f.setPointSize(points);
    setFont(f);
}

void TNoteBox::SetBackgroundColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
    setAutoFillBackground(true);
}

QColor TNoteBox::BackgroundColor() const {
    return palette().color(QPalette::Base);
}

void TNoteBox::focusInEvent(QFocusEvent* event) {
    QTextEdit::focusInEvent(event);
    Q_EMIT Entered(this);
}

void TNoteBox::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    Q_EMIT Exited(this);
}

void TNoteBox::mouseReleaseEvent(QMouseEvent* event) {
    QTextEdit::mouseReleaseEvent(event);
    Q_EMIT MouseReleased(this, event->button());
    if (event->button() == Qt::RightButton) openPopupMenu(event->globalPosition().toPoint());
}

void TNoteBox::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's request comes with the press on X11 and Wayland: a menu
    // opened then would take the release from the box. Its menu opens at the
    // release instead (above); the keyboard's opens here.
    if (event->reason() != QContextMenuEvent::Mouse) openPopupMenu(event->globalPos());
    event->accept();
}

void TNoteBox::openPopupMenu(const QPoint& globalPos) {
    if (popupMenu_) popupMenu_->popup(globalPos);
}

} // namespace kuvano::notes
