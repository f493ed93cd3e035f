#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include <sys/types.h>

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
// text goes to a temporary file in the same folder, is written out to the disk
// and checked, and only then renamed over the old one; on any error the old
// file stays as it was. So a crash or a full disk leaves either the old or the
// new file, never half, never an empty one. The file is readable and writable
// by its owner only (0600). A full disk says diskFullText().
bool write(const QString& path, const QStringList& lines, QString* error = nullptr);

inline QString diskFullText() {
    return QStringLiteral("磁盘已满，设置未保存");
}

// The call that writes the bytes (::write unless replaced); tests put in one
// that fails like a full disk. Returns the one it replaces; nullptr restores.
using WriteCall = ssize_t (*)(int fd, const void* data, size_t size);
WriteCall replaceWriteCall(WriteCall call);

// The bytes write() would produce, for tests and for callers that need them.
QByteArray encode(const QStringList& lines);
QStringList decode(const QByteArray& bytes);

} // namespace linefile
} // namespace kuvano
