#pragma once
// How the pages hand on the database errors that their Parts send to the
// program's error report: to the report set by the main window, or, with
// none set, up to the caller.

#include "notes/MainState.h"
#include "store/untdb.h"

#include <functional>
#include <optional>

namespace kuvano::notes {

using ErrorReport = std::function<void(const QString& message)>;
using SaveResult = std::function<void(bool saved)>;

template <typename F> void reportingTo(const ErrorReport& report, F&& f) {
    try {
        f();
    } catch (const DbError& e) {
        if (!report) throw;
        report(e.message());
    }
}

// Swallows an error: the unsaved sign is all that shows it.
inline const ErrorReport& quietly() {
    static const ErrorReport ignore = [](const QString&) {};
    return ignore;
}

// A save started by a page's own event. `save` tells whether it stored the
// note (nullopt: there was nothing to store); that outcome goes to the shared
// unsaved flag and to onResult (the unsaved sign), a thrown error to the
// report.
inline void saveFromEvent(MainState& state, const SaveResult& onResult, const ErrorReport& report,
                          const std::function<std::optional<bool>()>& save) {
    const auto outcome = [&](bool saved) {
        state.unsaved = !saved;
        if (onResult) onResult(saved);
    };
    std::optional<bool> saved;
    try {
        saved = save();
    } catch (const DbError& e) {
        outcome(false);
        if (!report) throw;
        report(e.message());
        return;
    }
    if (saved) outcome(*saved);
}

} // namespace kuvano::notes
