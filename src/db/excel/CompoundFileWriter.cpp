#include "db/excel/CompoundFileWriter.h"

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include "db/excel/BiffWriter.h"

namespace kiv::db::excel {

namespace {

constexpr std::uint64_t SectorSize = 512;
constexpr std::uint64_t MiniSectorSize = 64;
constexpr std::uint64_t MiniCutoff = 4096;
constexpr std::uint64_t EntriesPerSector = SectorSize / 4;
constexpr std::uint64_t HeaderFatSectors = 109;
constexpr std::uint32_t FreeSector = 0xFFFFFFFF;
constexpr std::uint32_t EndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t FatSector = 0xFFFFFFFD;
constexpr std::uint32_t DifatSector = 0xFFFFFFFC;
constexpr std::uint32_t NoEntry = 0xFFFFFFFF;
constexpr std::string_view Signature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

std::uint64_t sectorsFor(std::uint64_t bytes, std::uint64_t size) {
    return (bytes + size - 1) / size;
}

// Where everything goes, in sectors: the stream (or the mini stream holding it), the
// directory, the mini stream's allocation table, the allocation table and its extension.
struct Layout {
    bool mini = false;
    std::uint64_t data = 0;
    std::uint64_t miniFat = 0;
    std::uint64_t fat = 0;
    std::uint64_t difat = 0;

    explicit Layout(std::uint64_t size) : mini(size < MiniCutoff) {
        data = mini ? sectorsFor(sectorsFor(size, MiniSectorSize) * MiniSectorSize, SectorSize)
                    : sectorsFor(size, SectorSize);
        miniFat = mini ? sectorsFor(sectorsFor(size, MiniSectorSize) * 4, SectorSize) : 0;
        for (;;) {
            const std::uint64_t total = data + 1 + miniFat + fat + difat;
            const std::uint64_t needFat = sectorsFor(total, EntriesPerSector);
            const std::uint64_t needDifat =
                needFat > HeaderFatSectors
                    ? sectorsFor(needFat - HeaderFatSectors, EntriesPerSector - 1)
                    : 0;
            if (needFat == fat && needDifat == difat) {
                break;
            }
            fat = needFat;
            difat = needDifat;
        }
    }

    std::uint32_t directory() const { return static_cast<std::uint32_t>(data); }
    std::uint32_t firstMiniFat() const { return static_cast<std::uint32_t>(data + 1); }
    std::uint32_t firstFat() const { return static_cast<std::uint32_t>(data + 1 + miniFat); }
    std::uint32_t firstDifat() const { return static_cast<std::uint32_t>(firstFat() + fat); }
};

// A chain of `count` sectors from `first` in an allocation table.
void chain(std::vector<std::uint32_t>& table, std::uint64_t first, std::uint64_t count) {
    for (std::uint64_t i = 0; i < count; ++i) {
        table[first + i] = i + 1 < count ? static_cast<std::uint32_t>(first + i + 1) : EndOfChain;
    }
}

void words(std::string& out, const std::vector<std::uint32_t>& table) {
    for (const std::uint32_t word : table) {
        BiffWriter::u32(out, word);
    }
}

std::string headerOf(const Layout& layout) {
    std::string out(Signature);
    out.append(16, '\0');          // class id
    BiffWriter::u16(out, 0x003E);  // minor version
    BiffWriter::u16(out, 0x0003);  // major version: 512-byte sectors
    BiffWriter::u16(out, 0xFFFE);  // little-endian
    BiffWriter::u16(out, 9);       // sector size 2^9
    BiffWriter::u16(out, 6);       // mini sector size 2^6
    out.append(6, '\0');
    BiffWriter::u32(out, 0);  // directory sectors (none counted in version 3)
    BiffWriter::u32(out, static_cast<std::uint32_t>(layout.fat));
    BiffWriter::u32(out, layout.directory());
    BiffWriter::u32(out, 0);  // transaction signature
    BiffWriter::u32(out, MiniCutoff);
    BiffWriter::u32(out, layout.mini ? layout.firstMiniFat() : EndOfChain);
    BiffWriter::u32(out, static_cast<std::uint32_t>(layout.miniFat));
    BiffWriter::u32(out, layout.difat > 0 ? layout.firstDifat() : EndOfChain);
    BiffWriter::u32(out, static_cast<std::uint32_t>(layout.difat));
    for (std::uint64_t i = 0; i < HeaderFatSectors; ++i) {
        BiffWriter::u32(
            out, i < layout.fat ? static_cast<std::uint32_t>(layout.firstFat() + i) : FreeSector);
    }
    return out;
}

void entry(std::string& out, std::string_view name, std::uint8_t type, std::uint32_t child,
           std::uint32_t start, std::uint64_t size) {
    const std::size_t at = out.size();
    for (const char c : name) {
        BiffWriter::u16(out, static_cast<unsigned char>(c));
    }
    out.resize(at + 64, '\0');
    BiffWriter::u16(out, static_cast<std::uint16_t>(name.empty() ? 0 : name.size() * 2 + 2));
    BiffWriter::u8(out, type);
    BiffWriter::u8(out, 1);  // black
    BiffWriter::u32(out, NoEntry);
    BiffWriter::u32(out, NoEntry);
    BiffWriter::u32(out, child);
    out.append(16 + 4 + 16, '\0');  // class id, state, times
    BiffWriter::u32(out, start);
    BiffWriter::u32(out, static_cast<std::uint32_t>(size));
    BiffWriter::u32(out, 0);
}

std::string directoryOf(const Layout& layout, std::string_view name, std::uint64_t size) {
    constexpr std::uint8_t Stream = 2;
    constexpr std::uint8_t Root = 5;
    std::string out;
    const std::uint64_t miniBytes =
        layout.mini ? sectorsFor(size, MiniSectorSize) * MiniSectorSize : 0;
    entry(out, "Root Entry", Root, 1, layout.mini ? 0 : EndOfChain, miniBytes);
    entry(out, name, Stream, NoEntry, 0, size);
    entry(out, {}, 0, NoEntry, 0, 0);
    entry(out, {}, 0, NoEntry, 0, 0);
    return out;
}

std::string tablesOf(const Layout& layout, std::uint64_t size) {
    std::string out;
    if (layout.mini) {
        std::vector<std::uint32_t> miniFat(layout.miniFat * EntriesPerSector, FreeSector);
        chain(miniFat, 0, sectorsFor(size, MiniSectorSize));
        words(out, miniFat);
    }
    std::vector<std::uint32_t> fat(layout.fat * EntriesPerSector, FreeSector);
    chain(fat, 0, layout.data);
    fat[layout.directory()] = EndOfChain;
    chain(fat, layout.firstMiniFat(), layout.miniFat);
    for (std::uint64_t i = 0; i < layout.fat; ++i) {
        fat[layout.firstFat() + i] = FatSector;
    }
    for (std::uint64_t i = 0; i < layout.difat; ++i) {
        fat[layout.firstDifat() + i] = DifatSector;
    }
    words(out, fat);
    // The allocation table's sectors beyond the 109 the header lists, 127 to a sector, each
    // sector ending with the number of the next.
    for (std::uint64_t i = 0; i < layout.difat; ++i) {
        for (std::uint64_t k = 0; k < EntriesPerSector - 1; ++k) {
            const std::uint64_t listed = HeaderFatSectors + i * (EntriesPerSector - 1) + k;
            BiffWriter::u32(out, listed < layout.fat
                                     ? static_cast<std::uint32_t>(layout.firstFat() + listed)
                                     : FreeSector);
        }
        BiffWriter::u32(out, i + 1 < layout.difat
                                 ? static_cast<std::uint32_t>(layout.firstDifat() + i + 1)
                                 : EndOfChain);
    }
    return out;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

void CompoundFileWriter::write(const std::string& path, std::string_view name, std::uint64_t size,
                               const std::function<void(const Sink&)>& content) {
    const Layout layout(size);
    std::vector<char> buffer(1 << 20);  // outlives the file, which writes through it
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        throw std::runtime_error("cannot create the file " + path);
    }
    std::setvbuf(file.get(), buffer.data(), _IOFBF, buffer.size());
    std::uint64_t written = 0;
    bool failed = false;
    const auto put = [&](std::string_view bytes) {
        failed = failed || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size();
    };
    put(headerOf(layout));
    content([&](std::string_view bytes) {
        written += bytes.size();
        put(bytes);
    });
    if (written != size) {
        throw std::runtime_error("the stream " + std::string(name) + " has " +
                                 std::to_string(written) + " bytes instead of " +
                                 std::to_string(size));
    }
    put(std::string(layout.data * SectorSize - size, '\0'));
    put(directoryOf(layout, name, size));
    put(tablesOf(layout, size));
    failed = std::fflush(file.get()) != 0 || failed;
    failed = std::fclose(file.release()) != 0 || failed;
    if (failed) {
        throw std::runtime_error("cannot write the file " + path + " (the disk may be full)");
    }
}

}  // namespace kiv::db::excel
