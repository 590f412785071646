#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/Variant.h"
#include "db/odbc/OdbcColumn.h"
#include "db/odbc/OdbcHandle.h"
#include "db/odbc/OdbcParameter.h"

namespace kiv::db::odbc {

class OdbcConnection;

// A prepared INSERT that adds several rows of a table in one statement, for the columns a
// row gives values for. Its parameters are bound once; each send only puts new values into
// their buffers.
class OdbcGroupInsert {
public:
    virtual ~OdbcGroupInsert() = default;
    OdbcGroupInsert(const OdbcGroupInsert&) = delete;
    OdbcGroupInsert& operator=(const OdbcGroupInsert&) = delete;

    // Rows one statement takes at most.
    std::size_t capacity() const noexcept { return capacity_; }

    // Sends `rows` rows: rows × (number of columns) values, row after row, each already in
    // its column's kind. False, sending nothing, when the statement cannot take that many
    // rows; throws the driver's failure.
    virtual bool send(const Variant* values, std::size_t rows) = 0;

protected:
    // `columns` are those the statement gives values for, in their order.
    OdbcGroupInsert(const OdbcConnection& connection, std::vector<const OdbcColumn*> columns,
                    std::size_t capacity);

    // "INSERT INTO table (a, b)" with the driver's quoting.
    std::string intoClause(const std::string& table) const;
    void prepare(const std::string& sql, std::size_t parameters);
    void execute();

    const OdbcConnection& connection_;
    std::vector<const OdbcColumn*> columns_;
    std::size_t capacity_;
    OdbcHandle statement_;
    // Sized once and never again: the driver keeps the addresses of the buffers.
    std::vector<OdbcParameter> parameters_;
};

}  // namespace kiv::db::odbc
