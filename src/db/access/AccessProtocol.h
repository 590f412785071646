#pragma once

#include <cstddef>

namespace kiv::db::access {

// How the program and the reader process of an Access database talk. The reader first sends
// the number of the database's tables and their definitions. Then it carries out commands:
// `Open` a reader of the table of that index (the answer: `Opened` and the reader's number, or
// `Refused` and why), `Start` sending its rows from the first or send `More` of them (the
// answer: whether the table ends with them, and the batch of rows as a text), `Close` it (no
// answer). In a batch each row is one value per column: a marker, then nothing for `Null`,
// eight bytes for `Integer` and `Real`, a four-byte length and the bytes for `Text` and `Blob`.
struct AccessProtocol {
    enum Command : char { Open = 'O', Start = 'S', More = 'M', Close = 'C' };
    enum Answer : char { Opened = 'o', Refused = 'r' };
    enum Value : char { Null = 'n', Integer = 'i', Real = 'd', Text = 't', Blob = 'b' };

    // A batch ends after the row that makes it this long.
    static constexpr std::size_t BatchBytes = std::size_t{1} << 16;
};

}  // namespace kiv::db::access
