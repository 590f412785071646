#include "db/cells/FileSource.h"

#include <sys/stat.h>

#include <ctime>
#include <optional>

#include "base/Path.h"
#include "base/Text.h"
#include "db/Constants.h"

namespace kiv::db::cells {

Error FileSource::error(std::string_view description) const {
    return Error(adErrEngineFailure, provider, "08001", 0, tag + std::string(description));
}

std::string FileSource::refusal(const std::string& path) const {
    return "The " + kind + " '" + path +
           "' can be read but not written on this platform; a SQLite file or a server database "
           "takes its place as a destination";
}

std::string FileSource::path(const ConnectString& parts) const {
    const std::optional<std::string> source = parts.value("Data Source");
    if (!source || source->empty()) {
        throw error("The connect string names no file (Data Source).");
    }
    const std::string resolved = path::resolveExisting(*source);
    if (!path::exists(resolved) || path::isDirectory(resolved)) {
        throw error("The file '" + *source + "' does not exist.");
    }
    return path::fullPath(resolved);
}

bool FileSource::firstRowHasNames(const ConnectString& parts, bool byDefault) {
    std::optional<std::string> header =
        ConnectString(parts.value("Extended Properties").value_or("")).value("HDR");
    if (!header) {
        header = parts.value("HDR");
    }
    if (!header) {
        return byDefault;
    }
    const std::string_view word = text::trimWhitespace(*header);
    return text::iequals(word, "Yes") || text::iequals(word, "True") || word == "1";
}

Variant FileSource::modified(const std::string& path) {
    struct stat info {};
    std::tm local{};
    if (::stat(path.c_str(), &info) != 0 || ::localtime_r(&info.st_mtime, &local) == nullptr) {
        return Variant::Null();
    }
    return Variant::fromDate(Variant::serialFromCivil(local.tm_year + 1900, local.tm_mon + 1,
                                                      local.tm_mday, local.tm_hour, local.tm_min,
                                                      local.tm_sec));
}

}  // namespace kiv::db::cells
