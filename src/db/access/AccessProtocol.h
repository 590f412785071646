#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace kiv::db::access {

// How the program and the reader process of an Access database talk. The reader first sends
// the number of the database's tables and their definitions. Then it carries out commands:
// `Open` a reader of the table of that index (the answer: `Opened` and the reader's number, or
// `Refused` and why), `Start` sending its rows from the first or send `More` of them (the
// answer: whether the table ends with them, and the batch of rows as a text), `Close` it (no
// answer). `Start` names the reader in the low 32 bits of its number and the columns the
// program reads in the high 32 (columns(): bit n for column n, the last bit for every column
// from it on); the others are sent as Null. In a batch each row is one value per column: a
// marker, then nothing for `Null`, eight bytes for `Integer` and `Real`, a four-byte length
// and the bytes for `Text` and `Blob`.
struct AccessProtocol {
    enum Command : char { Open = 'O', Start = 'S', More = 'M', Close = 'C' };
    enum Answer : char { Opened = 'o', Refused = 'r' };
    enum Value : char { Null = 'n', Integer = 'i', Real = 'd', Text = 't', Blob = 'b' };

    // A batch ends after the row that makes it this long.
    static constexpr std::size_t BatchBytes = std::size_t{1} << 16;

    // The columns of `Start` of the columns a statement reads, as SQLite gives them (bit n for
    // column n, the last bit for every column from 63 on).
    static constexpr std::uint32_t columns(std::uint64_t used) {
        constexpr std::uint64_t last = std::uint64_t{1} << 31;
        return static_cast<std::uint32_t>((used & (last - 1)) | (used >= last ? last : 0));
    }

    // Whether `columns` of `Start` takes in the column of that index.
    static constexpr bool reads(std::uint32_t columns, std::size_t column) {
        return (columns >> std::min<std::size_t>(column, 31) & 1) != 0;
    }
};

}  // namespace kiv::db::access
