#include "db/HoldingWriters.h"

#include <algorithm>

#include "db/GroupedTableWriter.h"

namespace kiv::db {

void HoldingWriters::add(GroupedTableWriter* writer) {
    if (std::find(writers_.begin(), writers_.end(), writer) == writers_.end()) {
        writers_.push_back(writer);
    }
}

void HoldingWriters::remove(const GroupedTableWriter* writer) noexcept {
    std::erase(writers_, writer);
}

void HoldingWriters::flush(const GroupedTableWriter* except) noexcept {
    for (;;) {
        const auto next =
            std::find_if(writers_.begin(), writers_.end(),
                         [except](const GroupedTableWriter* writer) { return writer != except; });
        if (next == writers_.end()) {
            return;
        }
        (*next)->flushHeld();
    }
}

void HoldingWriters::flushFor(std::string_view statement) noexcept {
    // A writer that sends its rows leaves the list (and may join it again at its end).
    for (std::size_t at = 0; at < writers_.size();) {
        GroupedTableWriter* writer = writers_[at];
        writer->flushHeldFor(statement);
        at += at < writers_.size() && writers_[at] == writer ? 1 : 0;
    }
}

}  // namespace kiv::db
