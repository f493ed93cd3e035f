#pragma once
// How a page's own events end a save: the outcome goes to the shared unsaved
// flag and to the unsaved sign; an error is shown through the one error
// boundary (platform/guarded.h), or only as the sign where the page says so.

#include "notes/MainState.h"
#include "platform/guarded.h"

#include <functional>
#include <optional>

class QWidget;

namespace kuvano::notes {

using SaveResult = std::function<void(bool saved)>;

enum class OnError { Show, SignOnly };

// `save` tells whether it stored the note (nullopt: there was nothing to store).
inline void saveFromEvent(QWidget* parent, MainState& state, const SaveResult& onResult,
                          OnError onError,
                          const std::function<std::optional<bool>()>& save) noexcept {
    std::optional<bool> saved;
    const auto run = [&] {
        try {
            saved = save();
        } catch (...) {
            saved = false;
            if (onError == OnError::Show) throw;
        }
    };
    if (onError == OnError::Show) {
        if (!guarded(parent, run)) saved = false;
    } else {
        run();
    }
    if (!saved) return;
    state.unsaved = !*saved;
    if (onResult) onResult(*saved);
}

} // namespace kuvano::notes
