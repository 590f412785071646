#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kiv::db::excel {

// The entries of a zip file by name (letter case ignored, as producers of workbooks differ in
// it), inflated piece by piece. An entry that inflates beyond a size, or beyond a multiple of
// its compressed size once it is large, is refused: a small file cannot make the program read
// gigabytes.
class ZipArchive {
public:
    struct Limits {
        std::uint64_t inflatedSize = std::uint64_t{1} << 30;  // 1 GiB
        std::uint64_t ratio = 200;                            // inflated / compressed size
        std::uint64_t ratioFrom = std::uint64_t{64} << 20;    // inflated sizes the ratio applies to
    };

    // Throws std::runtime_error when the file is no zip archive.
    explicit ZipArchive(const std::string& path);
    ZipArchive(const std::string& path, Limits limits);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Makes an entry the one readSome reads; false when the archive has none of that name.
    // Throws std::runtime_error when the entry cannot be read.
    bool open(std::string_view name);
    // The next bytes of the open entry, up to `size` of them into `buffer`; 0 at its end.
    // Throws std::runtime_error when the entry is damaged or inflates beyond the limits.
    std::size_t readSome(char* buffer, std::size_t size);

    // The bytes of an entry; nothing when the archive has none of that name.
    std::optional<std::string> read(std::string_view name);

private:
    void closeEntry();
    void checkInflated() const;

    void* zip_;
    Limits limits_;
    std::string entry_;  // "" when none is open
    std::uint64_t compressed_ = 0;
    std::uint64_t inflated_ = 0;
};

}  // namespace kiv::db::excel
