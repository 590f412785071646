#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "db/excel/BiffWriter.h"
#include "db/excel/Spool.h"

namespace kiv::db::excel {

// The shared string table of a BIFF8 workbook being written: every text of its cells, each
// once, in an SST record and the CONTINUE records that carry what does not fit in it,
// followed by the EXTSST record that indexes them. The records are made as texts are added,
// the full ones kept in a spool.
class SharedStrings {
public:
    SharedStrings();

    // The most bytes the characters of one text take: a longer text would go on in more
    // than one CONTINUE record, which the program's reader of .xls files cannot follow.
    static constexpr std::size_t MaxBytes = BiffWriter::MaxData - 1;

    // The index of `text` (not empty) in the table, adding it when it is new; nothing when
    // its characters take more than MaxBytes.
    std::optional<std::uint32_t> index(std::string_view text);

    // The size in bytes of what write() writes.
    std::uint64_t size() const;

    // Gives the records to `out`; `at` is where the SST record starts in the stream.
    void write(const std::function<void(std::string_view)>& out, std::uint64_t at);

private:
    std::uint32_t add(bool wide, std::size_t units);
    void nextRecord();
    std::size_t space() const;
    std::uint32_t perBucket() const;
    std::uint32_t buckets() const;

    // Texts remembered to give each one index; past this many, new texts are added without
    // being remembered, which keeps the memory of huge tables bounded.
    static constexpr std::size_t Remembered = 1 << 20;

    // Looks texts up without copying them.
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept {
            return std::hash<std::string_view>()(text);
        }
    };

    std::unordered_map<std::string, std::uint32_t, Hash, std::equal_to<>> indexes_;
    std::uint32_t count_ = 0;  // texts in the table
    std::uint32_t uses_ = 0;   // cells that refer to them
    std::string first_;        // the SST record's data, its counts set by write()
    std::string current_;      // the data of the CONTINUE record being filled
    bool inFirst_ = true;
    Spool continued_;             // the CONTINUE records filled, headers included
    std::uint64_t recordAt_ = 0;  // where the record being filled starts, from the SST's start
    // For every eighth text: where it starts, from the SST's start, and in its record.
    std::vector<std::pair<std::uint64_t, std::uint16_t>> marks_;
    std::string chars_;  // the characters of the text being added
};

}  // namespace kiv::db::excel
