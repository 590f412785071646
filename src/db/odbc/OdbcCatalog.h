#pragma once

#include <string_view>
#include <vector>

#include "db/CatalogEntry.h"
#include "db/odbc/OdbcColumn.h"

namespace kiv::db::odbc {

class OdbcConnection;

// The schema of an ODBC data source through the driver's catalog functions. Objects of the
// database's own schemas (information_schema, pg_catalog, sys) are left out.
class OdbcCatalog {
public:
    // Tables ("TABLE") and views ("VIEW") in the driver's order, then procedures
    // ("PROCEDURE"; functions, for databases that have no other kind).
    static std::vector<CatalogEntry> entries(OdbcConnection& connection);
    // The columns of `table` in their order (of the first schema holding such a table);
    // empty for an unknown name.
    static std::vector<OdbcColumn> columns(OdbcConnection& connection, std::string_view table);
};

}  // namespace kiv::db::odbc
