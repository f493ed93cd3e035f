#pragma once
// Code pages of RTF text for the reader: Windows and Mac code pages by number,
// and the symbol fonts, whose bytes pick glyphs rather than characters.

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <memory>
#include <utility>
#include <vector>

class QStringDecoder;

namespace kuvano::rtf::detail {

// Pages of our own for the symbol fonts we can map; negative, so no \ansicpg
// or \cpg in a stream can name them.
inline constexpr int kSymbolPage = -42;
inline constexpr int kWingdingsPage = -43;

// Windows code page of an \fcharset value; 0 for "the document's \ansicpg".
int codePageOfCharset(int charset);

// kSymbolPage or kWingdingsPage for a symbol-charset (\fcharset2) font of that
// name, 0 for any other font.
int symbolPageOf(QStringView family);

// The character a symbol font draws at code, given as the byte (0x20..0xFF) or
// as its private-use form U+F020..U+F0FF; 0 where the font's table has none.
char32_t symbolCharacter(int page, char32_t code);

// GB18030 text, with the lone byte 0x80 read as the euro sign as code page 936 does.
QString decodeGb(const char* bytes, qsizetype size);

// Decodes text bytes in a code page, keeping the converters it has made.
class TextDecoder {
public:
    TextDecoder();
    ~TextDecoder();
    TextDecoder(const TextDecoder&) = delete;
    TextDecoder& operator=(const TextDecoder&) = delete;

    QString decode(QByteArrayView bytes, int codePage);

private:
    QStringDecoder& converter(int codePage);
    QString decodeMac(QByteArrayView bytes, int codePage);

    std::vector<std::pair<int, std::unique_ptr<QStringDecoder>>> converters_;
};

} // namespace kuvano::rtf::detail
