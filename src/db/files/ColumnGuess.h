#pragma once

#include <cstddef>
#include <string_view>

#include "db/files/TextColumn.h"

namespace kiv::db::files {

class TextFormat;

// The type of a column without a schema.ini entry, from the values of the first rows: whole
// numbers in 32-bit range give Long, other numbers Double, dates DateTime, True/False Bit,
// anything else Text (Memo once a value is longer than a Text holds). A column without any
// value, as in a file holding only its header line, is Text.
class ColumnGuess {
public:
    // Takes one non-empty field text into account.
    void observe(std::string_view value, const TextFormat& format);
    TextColumn::Type type() const;

private:
    bool seen_ = false;
    bool whole_ = true;
    bool number_ = true;
    bool date_ = true;
    bool boolean_ = true;
    std::size_t longest_ = 0;
};

}  // namespace kiv::db::files
