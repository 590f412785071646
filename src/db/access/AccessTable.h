#pragma once

#include <string>
#include <vector>
#include "db/access/Mdb.h"

#include "db/access/AccessColumn.h"

namespace kiv::db::access {

// The definition of one table of an Access database: its name and columns.
struct AccessTable {
    std::string name;
    std::vector<AccessColumn> columns;
    double rows = 0;  // as the definition counts them, for planning statements

    // Reads the definition of the table of a catalog entry. Throws std::runtime_error when it
    // cannot be read.
    static AccessTable read(MdbCatalogEntry* entry);

    // The CREATE TABLE statement that declares the virtual table's columns.
    std::string declaration() const;
};

}  // namespace kiv::db::access
