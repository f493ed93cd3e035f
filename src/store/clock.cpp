#include "store/clock.h"

namespace kuvano::clock {
namespace {
QDateTime& fixed() {
    static QDateTime value;
    return value;
}
} // namespace

QDateTime now() {
    return fixed().isValid() ? fixed() : QDateTime::currentDateTime();
}
QDate today() {
    return now().date();
}
void setFixed(const QDateTime& value) {
    fixed() = value;
}

} // namespace kuvano::clock
