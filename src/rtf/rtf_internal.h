#pragma once
// Pieces shared by the RTF reader and writer.

#include <QString>
#include <QStringView>
#include <QTextFormat>

#include <cstdint>
#include <string_view>

namespace kuvano::rtf::detail {

// \fs is in half points; 3276 (1638 pt) is the largest size word processors accept.
inline constexpr int kMaxHalfPoints = 3276;

// A run the reader coloured from the default format (\cf0, \highlight0) keeps
// that colour in these properties, so the writer writes "automatic" again as
// long as the run still has exactly that colour.
inline constexpr int kAutoForeground = QTextFormat::UserProperty + 0x4b56;
inline constexpr int kAutoBackground = QTextFormat::UserProperty + 0x4b57;

// The two GBK bytes (lead << 8 | trail) that code page 936 and GB18030 both
// decode to c, or 0 when c is written as \uN instead: ASCII, surrogates,
// private-use characters, and characters the two tables disagree on (the
// euro sign is 0x80 in code page 936 but A2E3 in GB18030).
std::uint16_t gbkCode(char16_t c);

// A family that should be tagged \fcharset134: any name with non-ASCII
// characters (宋体, 微软雅黑...) or a known Latin spelling of a Chinese face.
bool isCjkFamily(QStringView family);

// The control words the reader acts on; the rest are ignored.
enum class Word : std::uint8_t {
    Unknown,
    Par,
    Line,
    Tab,
    Cell,
    Row,
    Plain,
    F,
    Fs,
    Cf,
    Cb,
    Highlight,
    B,
    I,
    Ul,
    UlNone,
    Strike,
    Uc,
    U,
    Bin,
    Ansicpg,
    Ansi,
    Mac,
    Pc,
    Pca,
    Deff,
    Fcharset,
    Cpg,
    Red,
    Green,
    Blue,
    FontTable,
    ColorTable,
    Skip,
    Object,
    Result,
    Field,
    FieldInstruction,
    FieldResult,
    FootnoteMark,
    Upr,
    Ud,
    Emdash,
    Endash,
    Emspace,
    Enspace,
    Qmspace,
    Bullet,
    Lquote,
    Rquote,
    Ldblquote,
    Rdblquote,
    Zwj,
    Zwnj,
    Ltrmark,
    Rtlmark,
};

// Word::Skip for destinations whose content is not note text, Unknown for
// words the reader ignores.
Word lookup(std::string_view name);

} // namespace kuvano::rtf::detail
