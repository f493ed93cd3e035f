#pragma once
// What went wrong in a sync, said in Chinese for the frame's status line, the
// settings window and `kuvano --sync`.

#include "errors/file_error.h"

namespace kuvano::sync {

class SyncError : public FileError {
public:
    enum class Kind {
        Network,            // address not found, refused, down
        Timeout,            // the server did not answer in time
        Untrusted,          // a certificate not trusted
        Insecure,           // plain http:// to another host
        Unauthorized,       // 401 / 403
        NotCalDav,          // no CalDAV calendar home at the address
        NoJournals,         // the calendar does not take VJOURNAL
        PreconditionFailed, // 412: changed on the server meanwhile
        Server,             // 5xx
        BadReply,           // not XML, too large, unreadable
        TokenExpired,       // the sync token is no longer valid: list everything anew
        Other,
    };
    SyncError(Kind kind, const QString& text, const QString& detail = {}, int status = 0)
        : FileError(text, {}, detail), kind_(kind), status_(status) {}
    Kind kind() const { return kind_; }
    int status() const { return status_; } // the HTTP status, 0 when none
    // Worth trying again later (down, slow, 5xx), unlike a wrong password.
    bool transient() const;

private:
    Kind kind_;
    int status_;
};

} // namespace kuvano::sync
