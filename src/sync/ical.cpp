#include "sync/ical.h"

#include "sync/sync_error.h"

#include <libical/ical.h>

#include <algorithm>
#include <mutex>
#include <strings.h>

namespace kuvano::sync::ical {

namespace {

// libical keeps its error state in globals: errors must never be fatal (an
// abort on a malformed text), and a failed parse must not leave icalerrno set
// for the next caller to trip over.
void prepareLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { icalerror_set_errors_are_fatal(0); });
    icalerror_clear_errno();
}

icalcomponent_kind kindOf(Kind kind) {
    switch (kind) {
    case Kind::Root:
        return ICAL_XROOT_COMPONENT;
    case Kind::Calendar:
        return ICAL_VCALENDAR_COMPONENT;
    case Kind::Journal:
        return ICAL_VJOURNAL_COMPONENT;
    case Kind::Event:
        return ICAL_VEVENT_COMPONENT;
    case Kind::Other:
        break;
    }
    return ICAL_X_COMPONENT;
}

icalproperty_kind kindOf(Prop prop) {
    switch (prop) {
    case Prop::Uid:
        return ICAL_UID_PROPERTY;
    case Prop::Summary:
        return ICAL_SUMMARY_PROPERTY;
    case Prop::Description:
        return ICAL_DESCRIPTION_PROPERTY;
    case Prop::ProdId:
        return ICAL_PRODID_PROPERTY;
    case Prop::Version:
        return ICAL_VERSION_PROPERTY;
    case Prop::Transp:
        return ICAL_TRANSP_PROPERTY;
    case Prop::DtStart:
        return ICAL_DTSTART_PROPERTY;
    case Prop::DtEnd:
        return ICAL_DTEND_PROPERTY;
    case Prop::DtStamp:
        return ICAL_DTSTAMP_PROPERTY;
    case Prop::LastModified:
        return ICAL_LASTMODIFIED_PROPERTY;
    }
    return ICAL_NO_PROPERTY;
}

void removeAll(icalcomponent* c, icalproperty_kind kind) {
    while (icalproperty* p = icalcomponent_get_first_property(c, kind)) {
        icalcomponent_remove_property(c, p);
        icalproperty_free(p);
    }
}

QString fromUtf8(const char* s) {
    return s ? QString::fromUtf8(s) : QString();
}

icaltimetype timeAt(const icalproperty* p, Prop prop) {
    // The getters take a non-const pointer but only read.
    auto* q = const_cast<icalproperty*>(p);
    switch (prop) {
    case Prop::DtStart:
        return icalproperty_get_dtstart(q);
    case Prop::DtEnd:
        return icalproperty_get_dtend(q);
    case Prop::DtStamp:
        return icalproperty_get_dtstamp(q);
    case Prop::LastModified:
        return icalproperty_get_lastmodified(q);
    default:
        break;
    }
    return icaltime_null_time();
}

// How deep BEGIN: lines nest, line by line (a folded line's continuation
// starts with a blank, so it is never taken for one). libical frees and
// counts components recursively: a hostile text of a million nested BEGINs
// would overflow the stack.
int nestingDepth(const QByteArray& text) {
    int depth = 0, deepest = 0;
    const auto startsWith = [](QByteArrayView line, const char* word) {
        const QByteArrayView w(word);
        return line.size() >= w.size() && qstrnicmp(line.data(), w.data(), w.size()) == 0;
    };
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0) end = text.size();
        const QByteArrayView line(text.constData() + at, end - at);
        if (startsWith(line, "BEGIN:")) {
            deepest = std::max(deepest, ++depth);
        } else if (startsWith(line, "END:")) {
            depth = std::max(0, depth - 1);
        }
        at = end + 1;
    }
    return deepest;
}

// A calendar holds components holding alarms; nothing of ours goes deeper.
constexpr int kMaxDepth = 16;

} // namespace

Component::Component(Kind kind) : c_(icalcomponent_new(kindOf(kind))), owned_(true) {
    if (!c_) throw SyncError(SyncError::Kind::Other, QStringLiteral("内存不足，无法生成日历数据"));
}

Component::~Component() {
    release();
}

void Component::release() {
    if (owned_ && c_) icalcomponent_free(c_);
    c_ = nullptr;
    owned_ = false;
}

Component::Component(Component&& other) noexcept : c_(other.c_), owned_(other.owned_) {
    other.c_ = nullptr;
    other.owned_ = false;
}

Component& Component::operator=(Component&& other) noexcept {
    if (this != &other) {
        release();
        c_ = other.c_;
        owned_ = other.owned_;
        other.c_ = nullptr;
        other.owned_ = false;
    }
    return *this;
}

Component Component::parse(const QByteArray& text) {
    if (nestingDepth(text) > kMaxDepth)
        throw SyncError(SyncError::Kind::BadReply,
                        QStringLiteral("日历数据的层次过深，不像是正常的 iCalendar 数据"));
    prepareLibrary();
    icalcomponent* c = icalparser_parse_string(text.constData());
    icalerror_clear_errno();
    if (!c)
        throw SyncError(SyncError::Kind::BadReply,
                        QStringLiteral("内容不是有效的 iCalendar 日历数据"));
    return Component(c, true);
}

Kind Component::kind() const {
    switch (icalcomponent_isa(c_)) {
    case ICAL_XROOT_COMPONENT:
        return Kind::Root;
    case ICAL_VCALENDAR_COMPONENT:
        return Kind::Calendar;
    case ICAL_VJOURNAL_COMPONENT:
        return Kind::Journal;
    case ICAL_VEVENT_COMPONENT:
        return Kind::Event;
    default:
        break;
    }
    return Kind::Other;
}

std::vector<Component> Component::children(Kind kind) const {
    std::vector<Component> out;
    const icalcomponent_kind k = kindOf(kind);
    for (icalcomponent* child = icalcomponent_get_first_component(c_, k); child;
         child = icalcomponent_get_next_component(c_, k))
        out.push_back(Component(child, false));
    return out;
}

void Component::add(Component& child) {
    icalcomponent_add_component(c_, child.c_);
    child.owned_ = false;
}

int Component::errorCount() const {
    return icalcomponent_count_errors(c_);
}

QByteArray Component::text() const {
    prepareLibrary();
    // The _r form hands the buffer to us (the plain one lends a ring buffer slot).
    char* s = icalcomponent_as_ical_string_r(c_);
    if (!s) return {};
    QByteArray out(s);
    icalmemory_free_buffer(s);
    return out;
}

void Component::setText(Prop prop, const QString& value) {
    const icalproperty_kind kind = kindOf(prop);
    removeAll(c_, kind);
    if (value.isEmpty()) return;
    const QByteArray v = value.toUtf8();
    icalproperty* p = nullptr;
    switch (prop) {
    case Prop::Uid:
        p = icalproperty_new_uid(v.constData());
        break;
    case Prop::Summary:
        p = icalproperty_new_summary(v.constData());
        break;
    case Prop::Description:
        p = icalproperty_new_description(v.constData());
        break;
    case Prop::ProdId:
        p = icalproperty_new_prodid(v.constData());
        break;
    case Prop::Version:
        p = icalproperty_new_version(v.constData());
        break;
    case Prop::Transp:
        p = icalproperty_new_transp(value == QLatin1String("TRANSPARENT") ? ICAL_TRANSP_TRANSPARENT
                                                                          : ICAL_TRANSP_OPAQUE);
        break;
    default:
        break;
    }
    if (p) icalcomponent_add_property(c_, p);
}

void Component::setDate(Prop prop, const QDate& date) {
    removeAll(c_, kindOf(prop));
    if (!date.isValid()) return;
    icaltimetype t = icaltime_null_date();
    t.year = date.year();
    t.month = date.month();
    t.day = date.day();
    icalproperty* p = prop == Prop::DtEnd ? icalproperty_new_dtend(t) : icalproperty_new_dtstart(t);
    icalcomponent_add_property(c_, p);
}

void Component::setTime(Prop prop, const QDateTime& time) {
    removeAll(c_, kindOf(prop));
    if (!time.isValid()) return;
    const icaltimetype t =
        icaltime_from_timet_with_zone(time.toSecsSinceEpoch(), 0, icaltimezone_get_utc_timezone());
    icalproperty* p =
        prop == Prop::LastModified ? icalproperty_new_lastmodified(t) : icalproperty_new_dtstamp(t);
    icalcomponent_add_property(c_, p);
}

std::optional<QString> Component::textOf(Prop prop) const {
    icalproperty* p = icalcomponent_get_first_property(c_, kindOf(prop));
    if (!p) return std::nullopt;
    if (prop == Prop::Transp)
        return fromUtf8(icalproperty_enum_to_string(icalproperty_get_transp(p)));
    const icalvalue* v = icalproperty_get_value(p);
    if (!v) return std::nullopt;
    return fromUtf8(icalvalue_get_text(v));
}

QDate Component::dateOf(Prop prop) const {
    const icalproperty* p = icalcomponent_get_first_property(c_, kindOf(prop));
    if (!p) return {};
    const icaltimetype t = timeAt(p, prop);
    if (icaltime_is_null_time(t)) return {};
    const QDate d(t.year, t.month, t.day);
    if (!d.isValid() || t.is_date || !icaltime_is_utc(t)) return d;
    const QTime at(t.hour, t.minute, t.second);
    return QDateTime(d, at.isValid() ? at : QTime(0, 0), Qt::UTC).toLocalTime().date();
}

QDateTime Component::timeOf(Prop prop) const {
    const icalproperty* p = icalcomponent_get_first_property(c_, kindOf(prop));
    if (!p) return {};
    const icaltimetype t = timeAt(p, prop);
    if (icaltime_is_null_time(t)) return {};
    const QDate d(t.year, t.month, t.day);
    const QTime at = t.is_date ? QTime(0, 0) : QTime(t.hour, t.minute, t.second);
    if (!d.isValid() || !at.isValid()) return {};
    return QDateTime(d, at, Qt::UTC);
}

void Component::setX(const char* name, const QString& value) {
    for (icalproperty* p = icalcomponent_get_first_property(c_, ICAL_X_PROPERTY); p;) {
        icalproperty* next = icalcomponent_get_next_property(c_, ICAL_X_PROPERTY);
        const char* n = icalproperty_get_x_name(p);
        if (n && strcasecmp(n, name) == 0) {
            icalcomponent_remove_property(c_, p);
            icalproperty_free(p);
        }
        p = next;
    }
    if (value.isEmpty()) return;
    icalproperty* p = icalproperty_new_x(value.toUtf8().constData());
    icalproperty_set_x_name(p, name);
    icalcomponent_add_property(c_, p);
}

std::optional<QString> Component::x(const char* name) const {
    for (icalproperty* p = icalcomponent_get_first_property(c_, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(c_, ICAL_X_PROPERTY)) {
        const char* n = icalproperty_get_x_name(p);
        if (n && strcasecmp(n, name) == 0) return fromUtf8(icalproperty_get_x(p));
    }
    return std::nullopt;
}

} // namespace kuvano::sync::ical
