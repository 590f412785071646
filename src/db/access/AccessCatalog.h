#pragma once

#include <sqlite3.h>

#include <vector>

#include "db/CatalogEntry.h"
#include "db/access/AccessQuery.h"
#include "db/access/AccessTable.h"

namespace kiv::db::access {

// The catalog of an Access database the way the platform reported it: user tables "TABLE",
// system tables "SYSTEM TABLE", saved queries as views ("VIEW": a select, crosstab or union
// query without declared parameters) or procedures ("PROCEDURE": every other query), with the
// dates the database keeps for them in MSysObjects.
class AccessCatalog {
public:
    // Reads the dates through the virtual table MSysObjects of `db`; a database whose system
    // tables cannot be read lists its tables without dates. Sorted by type, then by name
    // without regard to letter case.
    static std::vector<CatalogEntry> read(sqlite3* db, const std::vector<AccessTable>& tables,
                                          const std::vector<AccessQuery>& queries);
};

}  // namespace kiv::db::access
