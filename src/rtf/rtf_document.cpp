// Runs and paragraphs of a read RTF stream, into a QTextDocument.
#include "rtf/rtf_document.h"
#include "rtf/rtf_codepages.h"
#include "rtf/rtf_internal.h"

#include <QTextBlock>
#include <QTextCursor>

namespace kuvano::rtf::detail {

namespace {

bool isControlFree(char16_t c) {
    return c >= 0x20 || c == u'\t';
}

} // namespace

void sanitize(QString& text) {
    const auto bad = [](char16_t c) {
        return !isControlFree(c) || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1 || c == 0xFFFC;
    };
    bool clean = true;
    for (qsizetype i = 0; i < text.size() && clean; ++i) {
        const char16_t c = text[i].unicode();
        if (bad(c) || QChar::isSurrogate(c)) clean = false;
    }
    if (clean) return;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out.append(text[i]);
            out.append(text[++i]);
        } else if (QChar::isSurrogate(c)) {
            out.append(QChar(QChar::ReplacementCharacter));
        } else if (!bad(c)) {
            out.append(text[i]);
        }
    }
    text = std::move(out);
}

void readPlain(const QByteArray& bytes, QTextCursor& cursor, const QTextCharFormat& format) {
    const QString text = decodeGb(bytes.constData(), bytes.size());
    qsizetype from = 0;
    bool first = true;
    while (from <= text.size()) {
        qsizetype to = from;
        while (to < text.size() && text[to] != u'\r' && text[to] != u'\n') ++to;
        QString line = text.mid(from, to - from);
        sanitize(line);
        if (!first) cursor.insertBlock(QTextBlockFormat(), format);
        if (!line.isEmpty()) cursor.insertText(line, format);
        first = false;
        if (to >= text.size()) break;
        from = to + (text[to] == u'\r' && to + 1 < text.size() && text[to + 1] == u'\n' ? 2 : 1);
    }
}

void DocumentBuilder::setFontName(int id, const QString& name) {
    fontNames_[id] = name;
    formats_.clear();
}

void DocumentBuilder::clearColors() {
    colors_.clear();
    formats_.clear();
}

void DocumentBuilder::addColor(const QColor& color) {
    colors_.push_back(color);
    formats_.clear();
}

void DocumentBuilder::append(const QString& text, const Look& look) {
    beginText(look);
    run_.append(text);
    written_ += text.size();
}

void DocumentBuilder::append(QChar c, const Look& look) {
    beginText(look);
    run_.append(c);
    ++written_;
}

void DocumentBuilder::paragraph(const Look& look) {
    flushRun();
    if (pendingBreak_) {
        cursor_.insertBlock(QTextBlockFormat(), format(look));
        blockEmpty_ = true;
    }
    // An empty paragraph keeps the formatting of its mark (its line height).
    if (blockEmpty_) cursor_.setBlockCharFormat(format(look));
    pendingBreak_ = true;
    blockEmpty_ = true;
}

// Opens the paragraph a pending break promised, and starts a new run when the
// formatting has changed.
void DocumentBuilder::beginText(const Look& look) {
    if (pendingBreak_) {
        flushRun();
        cursor_.insertBlock(QTextBlockFormat(), format(look));
        pendingBreak_ = false;
    }
    if (!run_.isEmpty() && runLook_ != look) flushRun();
    runLook_ = look;
}

void DocumentBuilder::flushRun() {
    if (run_.isEmpty()) return;
    sanitize(run_);
    if (!run_.isEmpty()) {
        cursor_.insertText(run_, format(runLook_));
        blockEmpty_ = false;
    }
    run_.clear();
}

const QTextCharFormat& DocumentBuilder::format(const Look& look) {
    const auto it = formats_.find(look);
    if (it != formats_.end()) return it->second;
    return formats_.emplace(look, build(look)).first->second;
}

QColor DocumentBuilder::tableColor(int index) const {
    return index > 0 && index < qsizetype(colors_.size()) ? colors_[std::size_t(index)] : QColor();
}

QTextCharFormat DocumentBuilder::build(const Look& look) const {
    QTextCharFormat f = default_;
    if (const auto it = fontNames_.find(look.font);
        it != fontNames_.end() && !it->second.isEmpty()) {
        f.setFontFamilies({it->second});
        f.clearProperty(QTextFormat::OldFontFamily);
    }
    if (look.halfPoints > 0) {
        f.setFontPointSize(look.halfPoints / 2.0);
        f.clearProperty(QTextFormat::FontPixelSize);
    }
    if (const QColor c = tableColor(look.color); c.isValid())
        f.setForeground(c);
    else if (f.hasProperty(QTextFormat::ForegroundBrush))
        f.setProperty(kAutoForeground, f.foreground().color());
    if (const QColor c = tableColor(look.highlight); c.isValid())
        f.setBackground(c);
    else if (f.hasProperty(QTextFormat::BackgroundBrush))
        f.setProperty(kAutoBackground, f.background().color());
    if (look.bold || f.hasProperty(QTextFormat::FontWeight))
        f.setFontWeight(look.bold ? QFont::Bold : QFont::Normal);
    if (look.italic || f.hasProperty(QTextFormat::FontItalic)) f.setFontItalic(look.italic);
    if (look.underline || f.hasProperty(QTextFormat::TextUnderlineStyle) ||
        f.hasProperty(QTextFormat::FontUnderline))
        f.setFontUnderline(look.underline);
    if (look.strike || f.hasProperty(QTextFormat::FontStrikeOut)) f.setFontStrikeOut(look.strike);
    return f;
}

} // namespace kuvano::rtf::detail
