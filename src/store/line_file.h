#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace kuvano {

// Line files: small settings files of GBK text (read and written as GB18030,
// which is byte-identical for GBK text), lines ended by CR LF, each line's
// meaning fixed by its position. Read and written whole.
namespace linefile {

struct ReadResult {
    std::optional<QStringList> lines; // empty optional: could not be read
    QString error;                    // why not, for a message
};

// Splits at CR LF, LF or a lone CR; a final line terminator adds no empty line.
ReadResult read(const QString& path);

// Writes every line followed by CR LF. The file is replaced atomically: the
// text goes to a temporary file in the same folder which is then renamed over
// the old one, so a crash leaves either the old or the new file, never half.
// The file is readable and writable by its owner only (0600).
bool write(const QString& path, const QStringList& lines, QString* error = nullptr);

// The bytes write() would produce, for tests and for callers that need them.
QByteArray encode(const QStringList& lines);
QStringList decode(const QByteArray& bytes);

} // namespace linefile
} // namespace kuvano
