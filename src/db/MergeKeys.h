#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "db/ColumnInfo.h"
#include "db/Error.h"

namespace kiv::db {

// The columns that identify a row of a table that rows are merged into: a row whose key
// values match a row of the table updates it, any other row is added.
class MergeKeys {
public:
    using Quote = std::function<std::string(std::string_view)>;

    // Finds each key among the table's columns (case-insensitive); throws an Error naming
    // the table and the key that is no column of it.
    MergeKeys(const std::vector<std::string>& names, const std::vector<ColumnInfo>& columns,
              std::string_view table);

    // " ON CONFLICT (a, b) DO UPDATE SET c = excluded.c, ..." for the `assigned` columns of
    // `columns` that are no keys; " DO NOTHING" when every assigned column is a key.
    std::string conflictClause(const std::vector<ColumnInfo>& columns,
                               const std::vector<std::size_t>& assigned, const Quote& quote) const;

    // The failure of a table whose keys the database cannot match rows on, with the
    // database's own `reason`.
    Error noUniqueIndex(const Error& reason) const;

private:
    std::string table_;
    std::vector<std::size_t> keys_;
    std::string listed_;  // "a, b" as written in the table
};

}  // namespace kiv::db
