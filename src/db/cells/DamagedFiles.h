#pragma once

#include <optional>
#include <string>

namespace kiv::db::cells {

// The files a reader process failed on, kept for the rest of the run: a later step that opens
// the same file, unchanged since, gets the same error at once instead of waiting for another
// reader to fail.
class DamagedFiles {
public:
    // Why the file failed before; nothing when it did not or has changed since.
    static std::optional<std::string> failure(const std::string& path);
    static void remember(const std::string& path, const std::string& failure);
};

}  // namespace kiv::db::cells
