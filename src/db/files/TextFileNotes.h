#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "db/Notices.h"

namespace kiv::db::files {

// What reading one text file has to tell that is no failure, told once per file however
// often it is read: bytes of a UTF-8 file that are no UTF-8, and rows with more fields than
// the file has columns, whose extra fields nobody reads.
class TextFileNotes {
public:
    TextFileNotes(std::shared_ptr<Notices> notices, std::string fileName);

    // The columns of the file, once known; until then no row has too many fields.
    void columnCount(std::size_t count) { columnCount_ = count; }
    std::size_t columnCount() const { return columnCount_; }

    // Bytes that are no UTF-8 were read as Windows-1252, the first on `line`.
    void notUtf8(std::int64_t line);
    // The record starting on `line` has `fields` fields, more than the file's columns.
    void extraFields(std::int64_t line, std::size_t fields);

private:
    std::shared_ptr<Notices> notices_;
    std::string fileName_;
    std::size_t columnCount_ = std::numeric_limits<std::size_t>::max();
    bool notUtf8Told_ = false;
    bool extraFieldsTold_ = false;
};

}  // namespace kiv::db::files
