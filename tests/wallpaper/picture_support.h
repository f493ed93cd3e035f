#pragma once
// Shared helpers of the picture tests: fixtures, byte builders and pixel comparison.

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QtEndian>

#include <cstdlib>
#include <initializer_list>
#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

namespace kuvano::test {

inline QString dataPath(const QString& relative) {
    return QStringLiteral(KUVANO_TEST_DATA "/") + relative;
}

inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeFileBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

// "" when both pictures have the same size and every channel of every pixel
// differs by at most `tolerance`; else where they first differ.
inline QString pixelDifference(const QImage& a, const QImage& b, int tolerance = 0) {
    if (a.size() != b.size())
        return QStringLiteral("size %1x%2 vs %3x%4")
            .arg(a.width())
            .arg(a.height())
            .arg(b.width())
            .arg(b.height());
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            const QRgb p = x.pixel(c, r), q = y.pixel(c, r);
            if (std::abs(qRed(p) - qRed(q)) > tolerance ||
                std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                std::abs(qBlue(p) - qBlue(q)) > tolerance)
                return QStringLiteral("pixel (%1, %2): %3 vs %4")
                    .arg(c)
                    .arg(r)
                    .arg(p & 0xffffff, 6, 16, QLatin1Char('0'))
                    .arg(q & 0xffffff, 6, 16, QLatin1Char('0'));
        }
    return QString();
}

// Little-endian byte builder for hand-made files.
class Le {
public:
    Le& u8(int v) {
        bytes_.append(char(v));
        return *this;
    }
    Le& u16(int v) { return u8(v & 0xff).u8((v >> 8) & 0xff); }
    Le& u32(qint64 v) { return u16(int(v & 0xffff)).u16(int((v >> 16) & 0xffff)); }
    Le& raw(std::initializer_list<int> values) {
        for (int v : values) u8(v);
        return *this;
    }
    Le& raw(const QByteArray& b) {
        bytes_.append(b);
        return *this;
    }
    const QByteArray& bytes() const { return bytes_; }
    qsizetype size() const { return bytes_.size(); }

private:
    QByteArray bytes_;
};

} // namespace kuvano::test
