#pragma once
// Rich text format in and out of QTextDocument: what every rich note is stored as.

#include <QByteArray>
#include <QTextCharFormat>

class QTextDocument;

namespace kuvano::rtf {

// The whole document as {\rtf1\ansi\ansicpg936 ...}: font table (\fcharset134
// for CJK faces), colour table, \fs \cf \b \i \ul \strike \par; text beyond
// ASCII as \'hh GBK bytes where GBK has the character, \uN? otherwise.
QByteArray write(const QTextDocument& document);

// Replaces the document's content with what the stream holds. Runs without an
// explicit font, size or colour take them from defaultFormat. An empty stream
// gives an empty document; bytes that are not RTF are read as GB18030 text;
// malformed or truncated RTF yields what could be read. Never throws.
void read(const QByteArray& bytes, QTextDocument& document,
          const QTextCharFormat& defaultFormat = QTextCharFormat());

} // namespace kuvano::rtf
