#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/ColumnInfo.h"

namespace kiv::db {

// The statement that makes a table for the values of given columns, each in the type of the
// destination database that holds what its type code, size, precision and scale describe.
class TableDefinition {
public:
    // `Files`: the types a text file or a workbook sheet made by CREATE TABLE takes.
    enum class Dialect { SQLite, PostgreSQL, SqlServer, Files };
    using Quote = std::function<std::string(std::string_view)>;

    // The column type in `dialect`: "INTEGER", "numeric(12,2)", "nvarchar(max)", ...; nothing
    // when the database has no type for it. SQLite takes a column of any value without a type
    // (an empty text).
    static std::optional<std::string> columnType(const ColumnInfo& column, Dialect dialect);

    // "CREATE TABLE t (a type, ...)" with the names quoted by `quote`; throws an Error of
    // `provider` naming the table, the column and its type when `dialect` has no type for it.
    static std::string createStatement(std::string_view table,
                                       const std::vector<ColumnInfo>& columns, Dialect dialect,
                                       const Quote& quote, const std::string& provider);
};

}  // namespace kiv::db
