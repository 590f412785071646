#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kiv::db {

// A failure of the database layer. The same object is thrown by the failing call and kept
// as a record in the connection's `Errors`, so a caller that catches it and one that reads
// the collection see the same number, source, state and description.
//
// Descriptions start with bracketed tags naming who reports ("[Kiv][SQLite]..."); callers
// that show them to users keep only the text after the last "]".
class Error : public std::runtime_error {
public:
    Error(long number, std::string source, std::string sqlState, long nativeError,
          std::string description);

    // A failure found by the layer itself rather than by an engine: misuse of an object,
    // an unsupported source. The description gets the "[Kiv]" tag.
    static Error layer(long number, std::string_view source, std::string_view description);

    long Number() const noexcept { return number_; }
    const std::string& Source() const noexcept { return source_; }
    const std::string& SQLState() const noexcept { return sqlState_; }
    long NativeError() const noexcept { return nativeError_; }
    const std::string& Description() const noexcept { return description_; }

    // For a row refused while adding rows to a table: how many rows were added after the
    // refused one. Writers send rows in groups, so the refusal of a row may come while a
    // later row is added, or when the rows still held are saved; 0 is the row in hand, or
    // the last row added.
    std::size_t RowsAfter() const noexcept { return rowsAfter_; }
    void RowsAfter(std::size_t rows) noexcept { rowsAfter_ = rows; }

    // For a value refused while adding a row: the column it was meant for; empty otherwise.
    const std::string& Column() const noexcept { return column_; }
    void Column(std::string column) { column_ = std::move(column); }

private:
    long number_;
    std::string source_;
    std::string sqlState_;
    long nativeError_;
    std::string description_;
    std::size_t rowsAfter_ = 0;
    std::string column_;
};

}  // namespace kiv::db
