#pragma once
// The rich-text note box: a QTextEdit offering just what the pages and the
// editing tools need of it, with RTF in and out of byte streams.

#include <QColor>
#include <QMenu>
#include <QPointer>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>

namespace kuvano::notes {

class DeferredTail;

class NoteBox : public QTextEdit {
    Q_OBJECT
public:
    explicit NoteBox(QWidget* parent = nullptr);

    // Content as RTF, and back; an empty stream gives an empty box.
    QByteArray SaveToStream() const;
    void LoadFromStream(const QByteArray& bytes);

    // Plain text with lines joined by CR LF.
    QString PlainText() const;
    void ClearText(); // the only plain text ever set is the empty one

    int SelStart() const;
    int SelLength() const;
    void SetSelection(int start, int length);
    void ReplaceSelection(const QString& text);
    void DeleteSelection();

    QColor SelColor() const;
    QString SelFontName() const;
    int SelFontSize() const; // points
    void SetSelColor(const QColor& color);
    void SetSelFontName(const QString& family);
    void SetSelFontSize(int points);

    void SetWholeFontSize(int points);
    void SetBackgroundColor(const QColor& color);
    QColor BackgroundColor() const;

    int TabOrderNumber() const { return tabOrder_; }
    void SetTabOrderNumber(int n) { tabOrder_ = n; }

    // The pop-up menu a right click opens once its release has been reported
    // (MouseReleased), or the menu key opens; none by default. The text
    // control's own menu never opens.
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    QMenu* PopupMenu() const { return popupMenu_; }

    // Formatting that runs without their own font, size or colour take.
    QTextCharFormat DefaultFormat() const;

Q_SIGNALS:
    void Changed(kuvano::notes::NoteBox* box);
    void Entered(kuvano::notes::NoteBox* box);
    void Exited(kuvano::notes::NoteBox* box);
    void MouseReleased(kuvano::notes::NoteBox* box, Qt::MouseButton button);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void mergeSelectionFormat(const QTextCharFormat& format);
    void openPopupMenu(const QPoint& globalPos);
    QPointer<QMenu> popupMenu_;
    int tabOrder_ = 0;
    DeferredTail* tail_ = nullptr; // a child object
};

// The changes made to a box while it lives are one edit: one undo step and
// one change event.
class NoteBoxEdit {
public:
    explicit NoteBoxEdit(NoteBox* box);
    ~NoteBoxEdit() { cursor_.endEditBlock(); }
    NoteBoxEdit(const NoteBoxEdit&) = delete;
    NoteBoxEdit& operator=(const NoteBoxEdit&) = delete;

private:
    QTextCursor cursor_;
};

} // namespace kuvano::notes
