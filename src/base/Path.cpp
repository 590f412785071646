#include "base/Path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fnmatch.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "base/Text.h"

namespace kiv::path {

std::string withSlashes(std::string_view path) {
    std::string result(path);
    for (char& c : result) {
        if (c == '\\') {
            c = '/';
        }
    }
    return result;
}

std::string currentDirectory() {
    std::vector<char> buffer(PATH_MAX);
    if (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        return "/";
    }
    return buffer.data();
}

std::string fullPath(std::string_view path, std::string_view base) {
    std::string text = withSlashes(path);
    if (text.empty() || text.front() != '/') {
        const std::string folder = base.empty() ? currentDirectory() : withSlashes(base);
        text = folder + "/" + text;
    }
    std::vector<std::string_view> parts;
    for (std::string_view part : text::split(text, '/')) {
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
            continue;
        }
        parts.push_back(part);
    }
    std::string result;
    for (std::string_view part : parts) {
        result.append("/").append(part);
    }
    return result.empty() ? "/" : result;
}

bool exists(std::string_view path) {
    struct stat info{};
    return ::stat(std::string(path).c_str(), &info) == 0;
}

bool isDirectory(std::string_view path) {
    struct stat info{};
    return ::stat(std::string(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

namespace {

// The single entry of `folder` whose name equals `name` without regard to letter case.
std::string findEntryIgnoringCase(const std::string& folder, std::string_view name) {
    DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
    if (dir == nullptr) {
        return {};
    }
    std::string match;
    int matches = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (text::iequals(entry->d_name, name)) {
            match = entry->d_name;
            ++matches;
        }
    }
    ::closedir(dir);
    return matches == 1 ? match : std::string();
}

}  // namespace

std::string resolveExisting(std::string_view path) {
    const std::string given = withSlashes(path);
    if (given.empty() || exists(given)) {
        return given;
    }
    const bool absolute = given.front() == '/';
    std::string resolved = absolute ? "" : ".";
    std::string result;
    for (std::string_view part : text::split(given, '/')) {
        if (part.empty()) {
            continue;
        }
        std::string name(part);
        if (!exists(resolved + "/" + name)) {
            name = findEntryIgnoringCase(resolved, part);
            if (name.empty()) {
                return given;
            }
        }
        resolved += "/" + name;
        result += (result.empty() && !absolute ? "" : "/") + name;
    }
    return result;
}

std::vector<std::string> listMatchingFiles(std::string_view pattern) {
    const std::string slashed = withSlashes(pattern);
    const std::string folder = directoryOf(slashed);
    const std::string wildcard = fileNameOf(slashed);
    const std::string directory = resolveExisting(folder.empty() ? "." : folder);
    std::vector<std::string> names;
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat info{};
        if (::fnmatch(wildcard.c_str(), name.c_str(), FNM_CASEFOLD | FNM_PERIOD) == 0 &&
            ::stat((directory + "/" + name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string directoryOf(std::string_view path) {
    const std::string text = withSlashes(path);
    const auto slash = text.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? "/" : text.substr(0, slash);
}

std::string fileNameOf(std::string_view path) {
    const std::string text = withSlashes(path);
    const auto slash = text.rfind('/');
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

std::string executableDirectory() {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), PATH_MAX);
    if (length <= 0) {
        return currentDirectory();
    }
    return directoryOf(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
}

}  // namespace kiv::path
