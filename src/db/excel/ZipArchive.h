#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kiv::db::excel {

// The entries of a zip file, read whole by name (letter case ignored, as producers of
// workbooks differ in it).
class ZipArchive {
public:
    // Throws std::runtime_error when the file is no zip archive.
    explicit ZipArchive(const std::string& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // The bytes of an entry; nothing when the archive has none of that name. Throws
    // std::runtime_error when the entry is damaged.
    std::optional<std::string> read(std::string_view name);

private:
    void* zip_;
};

}  // namespace kiv::db::excel
