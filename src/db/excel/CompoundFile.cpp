#include "db/excel/CompoundFile.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "base/Text.h"

namespace kiv::db::excel {

namespace {

constexpr std::string_view Signature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr std::uint32_t EndOfChain = 0xFFFFFFFE;
constexpr std::size_t HeaderSize = 512;
constexpr std::size_t HeaderFatSectors = 109;
constexpr std::size_t EntrySize = 128;
constexpr std::size_t MiniSectorSize = 64;
constexpr std::uint8_t RootEntry = 5;

[[noreturn]] void damaged() {
    throw std::runtime_error("the compound file is damaged");
}

}  // namespace

CompoundFile::CompoundFile(std::string bytes) : bytes_(std::move(bytes)) {
    if (bytes_.size() < HeaderSize || !bytes_.starts_with(Signature)) {
        throw std::runtime_error("the file is not a compound file");
    }
    const unsigned shift = static_cast<unsigned char>(bytes_[0x1E]);
    if (shift != 9 && shift != 12) {
        damaged();
    }
    sectorSize_ = std::size_t{1} << shift;
    miniCutoff_ = word(0x38);
    // The sectors of the allocation table: the first 109 listed in the header, the others in
    // a chain of list sectors, each ending with the number of the next.
    std::vector<std::uint32_t> fatSectors;
    const std::uint32_t fatCount = word(0x2C);
    for (std::size_t i = 0; i < HeaderFatSectors && fatSectors.size() < fatCount; ++i) {
        fatSectors.push_back(word(0x4C + i * 4));
    }
    const std::size_t perList = sectorSize_ / 4 - 1;
    for (std::uint32_t list = word(0x44), lists = 0;
         fatSectors.size() < fatCount && list < EndOfChain;
         list = word((list + 1) * sectorSize_ + perList * 4), ++lists) {
        if (lists > bytes_.size() / sectorSize_) {
            damaged();
        }
        for (std::size_t i = 0; i < perList && fatSectors.size() < fatCount; ++i) {
            fatSectors.push_back(word((list + 1) * sectorSize_ + i * 4));
        }
    }
    for (const std::uint32_t sector : fatSectors) {
        for (std::size_t i = 0; i < sectorSize_ / 4; ++i) {
            fat_.push_back(word((sector + 1) * sectorSize_ + i * 4));
        }
    }
    const std::string directory = chain(word(0x30), 0);
    for (std::size_t at = 0; at + EntrySize <= directory.size(); at += EntrySize) {
        Entry entry;
        std::uint16_t nameBytes = 0;
        std::memcpy(&nameBytes, directory.data() + at + 0x40, 2);
        for (std::size_t i = 0; i + 2 < nameBytes && i < 64; i += 2) {
            const char low = directory[at + i];
            entry.name.push_back(directory[at + i + 1] == 0 ? low : '\0');
        }
        entry.type = static_cast<std::uint8_t>(directory[at + 0x42]);
        std::memcpy(&entry.start, directory.data() + at + 0x74, 4);
        std::uint32_t size = 0;
        std::memcpy(&size, directory.data() + at + 0x78, 4);
        entry.size = size;
        entries_.push_back(std::move(entry));
    }
}

std::uint32_t CompoundFile::word(std::size_t offset) const {
    if (offset + 4 > bytes_.size()) {
        damaged();
    }
    std::uint32_t value = 0;
    std::memcpy(&value, bytes_.data() + offset, 4);
    return value;
}

// The sectors of a chain, joined; `size` 0 takes the whole chain.
std::string CompoundFile::chain(std::uint32_t start, std::uint64_t size) const {
    std::string data;
    for (std::uint32_t sector = start; sector < EndOfChain; sector = fat_[sector]) {
        const std::size_t offset = (static_cast<std::size_t>(sector) + 1) * sectorSize_;
        if (sector >= fat_.size() || offset + sectorSize_ > bytes_.size() ||
            data.size() > bytes_.size()) {
            damaged();
        }
        data.append(bytes_, offset, sectorSize_);
    }
    if (size > 0) {
        if (size > data.size()) {
            damaged();
        }
        data.resize(size);
    }
    return data;
}

std::vector<std::uint32_t> CompoundFile::table(std::uint32_t start, std::uint64_t sectors) const {
    const std::string data = chain(start, 0);
    std::vector<std::uint32_t> numbers(std::min<std::uint64_t>(sectors * sectorSize_, data.size()) /
                                       4);
    if (!numbers.empty()) {
        std::memcpy(numbers.data(), data.data(), numbers.size() * 4);
    }
    return numbers;
}

std::string CompoundFile::miniChain(std::uint32_t start, std::uint64_t size) const {
    if (entries_.empty() || entries_.front().type != RootEntry) {
        damaged();
    }
    const std::string container = chain(entries_.front().start, 0);
    const std::vector<std::uint32_t> miniFat = table(word(0x3C), word(0x40));
    std::string data;
    for (std::uint32_t sector = start; sector < EndOfChain && data.size() < size;
         sector = miniFat[sector]) {
        const std::size_t offset = static_cast<std::size_t>(sector) * MiniSectorSize;
        if (sector >= miniFat.size() || offset + MiniSectorSize > container.size()) {
            damaged();
        }
        data.append(container, offset, MiniSectorSize);
    }
    if (data.size() < size) {
        damaged();
    }
    data.resize(size);
    return data;
}

std::optional<std::string> CompoundFile::stream(std::string_view name) const {
    for (const Entry& entry : entries_) {
        if (entry.type == 2 && text::iequals(entry.name, name)) {
            return entry.size < miniCutoff_ ? miniChain(entry.start, entry.size)
                                            : chain(entry.start, entry.size);
        }
    }
    return std::nullopt;
}

}  // namespace kiv::db::excel
