#pragma once

#include <string>

namespace kiv::db::excel {

// A file written beside the file it replaces and put in its place in one step, so that a
// failure or a kill leaves the old file (or no file) or the whole new one, never a part.
class FileReplacement {
public:
    // Makes the new file, empty, beside `path`. Throws std::runtime_error.
    explicit FileReplacement(std::string path);
    // Removes the new file unless it was put in place.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Where the new file is written.
    const std::string& temporary() const noexcept { return temporary_; }

    // Puts the written file in the old one's place, with the old one's permissions (or the
    // usual ones of a new file). Throws std::runtime_error.
    void commit();

private:
    std::string path_;
    std::string temporary_;
    bool committed_ = false;
};

}  // namespace kiv::db::excel
