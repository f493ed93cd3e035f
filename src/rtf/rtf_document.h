#pragma once
// The document side of the RTF reader: runs of text with their formatting, and
// paragraphs, put into a QTextDocument through a cursor.

#include <QColor>
#include <QString>
#include <QTextCharFormat>

#include <compare>
#include <map>
#include <unordered_map>
#include <vector>

class QByteArray;
class QTextCursor;

namespace kuvano::rtf::detail {

// Character formatting as the stream sets it; font and colours are indexes
// into the stream's tables.
struct Look {
    int font = -1;       // \f id as written, -1 = none
    int halfPoints = -1; // \fs, -1 = none
    int color = 0;       // \cf, 0 = automatic
    int highlight = 0;   // \highlight / \cb, 0 = none
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;

    auto operator<=>(const Look&) const = default;
};

// Drops what QTextCursor::insertText would turn into structure and stray
// controls; a lone surrogate becomes U+FFFD.
void sanitize(QString& text);

// Bytes that are not RTF: GB18030 text, one paragraph per line.
void readPlain(const QByteArray& bytes, QTextCursor& cursor, const QTextCharFormat& format);

// Runs without a font, size or colour of their own take them from defaultFormat.
// A paragraph break is held until text follows it, so a \par that ends the
// stream closes the last paragraph rather than opening an empty one.
class DocumentBuilder {
public:
    DocumentBuilder(QTextCursor& cursor, const QTextCharFormat& defaultFormat)
        : cursor_(cursor), default_(defaultFormat) {}

    void setFontName(int id, const QString& name);
    void clearColors();
    void addColor(const QColor& color); // invalid: "automatic"

    void append(const QString& text, const Look& look);
    void append(QChar c, const Look& look);
    void paragraph(const Look& look);
    void finish() { flushRun(); }

    // Characters appended so far.
    qsizetype written() const { return written_; }

private:
    void beginText(const Look& look);
    void flushRun();
    const QTextCharFormat& format(const Look& look);
    QTextCharFormat build(const Look& look) const;
    QColor tableColor(int index) const;

    QTextCursor& cursor_;
    const QTextCharFormat& default_;
    std::unordered_map<int, QString> fontNames_;
    std::vector<QColor> colors_; // the colour table; entry 0 is usually "automatic"
    std::map<Look, QTextCharFormat> formats_;

    QString run_;
    Look runLook_;
    bool pendingBreak_ = false;
    bool blockEmpty_ = true;
    qsizetype written_ = 0;
};

} // namespace kuvano::rtf::detail
