#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::db::excel {

// A compound file (the container of .xls workbooks) read from its bytes: the streams it holds
// by name, whether kept in full sectors or in the mini stream.
class CompoundFile {
public:
    // Throws std::runtime_error when the bytes are no compound file.
    explicit CompoundFile(std::string bytes);

    // The bytes of the stream of that name (letter case ignored); nothing when there is none.
    // Throws std::runtime_error when its sectors are damaged.
    std::optional<std::string> stream(std::string_view name) const;

private:
    struct Entry {
        std::string name;  // ASCII names only are compared; others never match
        std::uint8_t type = 0;
        std::uint32_t start = 0;
        std::uint64_t size = 0;
    };

    std::uint32_t word(std::size_t offset) const;
    std::string chain(std::uint32_t start, std::uint64_t size) const;
    std::string miniChain(std::uint32_t start, std::uint64_t size) const;
    std::vector<std::uint32_t> table(std::uint32_t start, std::uint64_t sectors) const;

    std::string bytes_;
    std::size_t sectorSize_ = 512;
    std::uint64_t miniCutoff_ = 4096;
    std::vector<std::uint32_t> fat_;
    std::vector<Entry> entries_;
};

}  // namespace kiv::db::excel
