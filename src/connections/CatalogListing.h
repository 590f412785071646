#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "db/Connection.h"
#include "db/Recordset.h"

namespace kiv {

// A connection's database described as data: the tables, views and procedures of its
// catalog, or the columns of one table, as in-memory recordsets numbered from 1.
class CatalogListing {
public:
    // The catalog listing: RecordNumber, Name, Type, DateCreated, DateModified.
    static std::shared_ptr<db::Recordset> Catalog(const std::shared_ptr<db::Connection>& connection,
                                                  std::int32_t connectionType);
    // The structure of the tables named `table` (letter case ignored): RecordNumber,
    // TableName, ColumnName, ColumnType, ColumnSize, ColumnPrecision.
    static std::shared_ptr<db::Recordset> TableStructure(
        const std::shared_ptr<db::Connection>& connection, std::int32_t connectionType,
        std::string_view table);
    // "INTEGER", "VARCHAR", ... or "UNKNOWN (n)".
    static std::string ColumnTypeName(long code);
};

}  // namespace kiv
