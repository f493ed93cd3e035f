#pragma once
// A small RAII wrapper over libical's components and properties: everything
// the sync reads or writes as iCalendar goes through here, so that text is
// escaped, folded and unfolded by libical and never by hand. libical's own
// headers stay in ical.cpp (the library links it privately).

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

struct icalcomponent_impl;

namespace kuvano::sync::ical {

enum class Kind { Root, Calendar, Journal, Event, Other }; // Root: several calendars in one text

// The properties the sync uses by name. Text: UID, SUMMARY, DESCRIPTION,
// PRODID, VERSION, TRANSP; Date: DTSTART, DTEND; Time (UTC): DTSTAMP, LAST-MODIFIED.
enum class Prop {
    Uid,
    Summary,
    Description,
    ProdId,
    Version,
    Transp,
    DtStart,
    DtEnd,
    DtStamp,
    LastModified
};

// A component owned by this object (freed with it), or a view of a child
// that its parent owns. Move-only.
class Component {
public:
    explicit Component(Kind kind); // a new, empty component
    ~Component();
    Component(Component&& other) noexcept;
    Component& operator=(Component&& other) noexcept;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    // Parses iCalendar text. Throws SyncError(BadReply) when it holds no
    // component at all; libical's error state is cleared before and after,
    // so that one bad text never spoils the next parse.
    static Component parse(const QByteArray& text);

    Kind kind() const;
    // The direct children of a kind (views, valid while this lives).
    std::vector<Component> children(Kind kind) const;
    // Takes ownership of `child`, which becomes a view of it.
    void add(Component& child);
    // How many X-LIC-ERROR properties libical left in this component and below.
    int errorCount() const;
    // The text, CR LF line ends, long lines folded.
    QByteArray text() const;

    // Replaces the property (or removes it for an empty text / invalid date).
    void setText(Prop prop, const QString& value);
    void setDate(Prop prop, const QDate& date);
    void setTime(Prop prop, const QDateTime& time);
    // Reads; none when the property is missing.
    std::optional<QString> textOf(Prop prop) const;
    // The date of DTSTART/DTEND: a DATE as is; a UTC date-time as the local
    // day; a floating or zoned date-time as written. Invalid when missing.
    QDate dateOf(Prop prop) const;
    // A date-time as UTC (floating times taken as UTC). Invalid when missing.
    QDateTime timeOf(Prop prop) const;

    // Non-standard properties ("X-KUVANO-KEY"), one of each name.
    void setX(const char* name, const QString& value);
    std::optional<QString> x(const char* name) const;

private:
    Component(icalcomponent_impl* c, bool owned) : c_(c), owned_(owned) {}
    void release();
    icalcomponent_impl* c_ = nullptr;
    bool owned_ = false;
};

} // namespace kuvano::sync::ical
