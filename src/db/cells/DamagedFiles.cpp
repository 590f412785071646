#include "db/cells/DamagedFiles.h"

#include <sys/stat.h>

#include <map>
#include <mutex>

#include "base/Text.h"

namespace kiv::db::cells {

namespace {

std::mutex guard;
std::map<std::string, std::string>& failures() {
    static std::map<std::string, std::string> byFile;
    return byFile;
}

// The path with the file's size and time of change, so a changed file is read again.
std::string keyOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return {};
    }
    return path + "|" + text::decimal(static_cast<long long>(status.st_size)) + "|" +
           text::decimal(static_cast<long long>(status.st_mtim.tv_sec)) + "." +
           text::decimal(static_cast<long long>(status.st_mtim.tv_nsec));
}

}  // namespace

std::optional<std::string> DamagedFiles::failure(const std::string& path) {
    const std::string key = keyOf(path);
    const std::lock_guard<std::mutex> lock(guard);
    const auto found = failures().find(key);
    return found == failures().end() ? std::nullopt : std::optional<std::string>(found->second);
}

void DamagedFiles::remember(const std::string& path, const std::string& failure) {
    const std::string key = keyOf(path);
    const std::lock_guard<std::mutex> lock(guard);
    if (!key.empty()) {
        failures()[key] = failure;
    }
}

}  // namespace kiv::db::cells
