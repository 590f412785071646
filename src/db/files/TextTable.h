#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/Notices.h"
#include "db/files/TextColumn.h"
#include "db/files/TextFileNotes.h"
#include "db/files/TextFormat.h"
#include "db/files/TextWriter.h"

namespace kiv::db::files {

class SchemaIni;
class TextReader;

// One text file seen as a table: its format, its columns (declared in schema.ini or guessed
// from its first rows) and the writer that appends to it. Both SQL names of the file
// (`people.csv` and `people#csv`) share one object, so rows written through either name are
// seen by reads through the other.
class TextTable {
public:
    // Reads the file's format and its first rows. A file that cannot be used still makes a
    // table with one column, so that reading it reports why instead of "no such table".
    // What reading the file has to tell besides failures goes to `notices`.
    TextTable(const std::string& folder, std::string fileName, const SchemaIni& schema,
              std::shared_ptr<Notices> notices);

    const std::string& fileName() const { return fileName_; }
    const std::string& path() const { return path_; }
    const TextFormat& format() const { return format_; }
    const std::vector<TextColumn>& columns() const { return columns_; }
    // Why the file cannot be read or written; empty when it can.
    const std::string& problem() const { return problem_; }
    // The CREATE TABLE statement that declares the virtual table's columns.
    std::string declaration() const;
    double estimatedRows() const { return estimatedRows_; }
    // For the readers of the file.
    TextFileNotes* notes() const { return notes_.get(); }

    // The value of a column of the reader's current record as SQLite holds it: NULL for an
    // empty field, else the value in the column's type (text borrowed from the reader, or
    // from `buffer` for a date). False when the field does not fit the column's type;
    // `mismatchAt` says why.
    bool stored(const TextReader& reader, std::size_t index, sqlite::StoredValue& out,
                Variant::DateText& buffer) const;
    std::string mismatchAt(const TextReader& reader, std::size_t index) const;

    // Appends a row of values, one per column. Throws std::runtime_error with a description
    // when a value does not fit its column or the file cannot be written.
    void append(sqlite3_value** values);
    // Writes appended rows to the file. Throws std::runtime_error.
    void flush();
    // Writes appended rows and closes the file; failures are no longer reported here.
    void close() noexcept;

private:
    void scan();
    std::string mismatch(std::string_view where, std::size_t index, std::string_view value) const;

    std::string fileName_;
    std::string path_;
    TextFormat format_;
    TextFormat::Charset charset_ = TextFormat::Charset::Machine;  // as the file was read
    std::vector<TextColumn> columns_;
    std::string problem_;
    std::unique_ptr<TextFileNotes> notes_;
    double estimatedRows_ = 0;
    std::unique_ptr<TextWriter> writer_;
    std::string line_;  // the row being appended, reused
};

// The tables of a folder by the lower-case form of each of their SQL names.
using TextTableMap = std::map<std::string, std::shared_ptr<TextTable>>;

}  // namespace kiv::db::files
