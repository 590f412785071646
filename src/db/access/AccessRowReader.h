#pragma once

#include "db/access/Mdb.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kiv::db::access {

// The rows of one Access table, read through mdbtools in the reader process and written in
// batches in the form AccessProtocol describes. Each reader reads through a handle of its own
// (sharing the file), so several statements can read the same database at once: a data load
// and its lookups, both sides of a join.
class AccessRowReader {
public:
    // Throws std::runtime_error when the table cannot be read.
    AccessRowReader(MdbHandle* database, const std::string& table);
    ~AccessRowReader();
    AccessRowReader(const AccessRowReader&) = delete;
    AccessRowReader& operator=(const AccessRowReader&) = delete;

    // Goes back to the first row; the rows read after it have the values of `columns` (as
    // AccessProtocol::columns() gives them), the other values are Null.
    void rewind(std::uint32_t columns);
    // Appends the next rows to `batch` until it is AccessProtocol::BatchBytes long; true when
    // the table has no more.
    bool read(std::string& batch);

private:
    // Dates go as yyyy-mm-dd hh:mm:ss text converted from the stored day numbers, which hold
    // every date the database can (mdbtools' own text form is wrong outside 1900-9999).
    void putValue(std::string& batch, std::size_t column);
    void putNumber(std::string& batch, int type, int start);
    // A date outside the years 100 to 9999 no date value holds goes as its day number.
    void putDate(std::string& batch, double serial);
    void putText(std::string& batch, int type, int start, int length);
    void putObject(std::string& batch, std::size_t column);

    MdbHandle* handle_;
    S_MdbTableDef* table_;
    std::vector<std::vector<char>> objectBuffers_;  // by column; only OLE columns have one
    std::uint32_t columns_ = ~std::uint32_t{0};
};

}  // namespace kiv::db::access
