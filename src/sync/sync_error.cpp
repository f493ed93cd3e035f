#include "sync/sync_error.h"

namespace kuvano::sync {

bool SyncError::transient() const {
    return kind_ == Kind::Network || kind_ == Kind::Timeout || kind_ == Kind::Server;
}

} // namespace kuvano::sync
