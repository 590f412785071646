#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/CatalogEntry.h"
#include "db/ColumnInfo.h"
#include "db/postgres/PgConnection.h"

namespace kiv::db::postgres {

// What the server's catalog says about the database, outside its own schemas.
class PgCatalog {
public:
    // Tables and views, then functions and procedures.
    static std::vector<CatalogEntry> entries(PgConnection& connection);
    // The columns of a table or view ("name", or "schema.name" where no table is called
    // so), in their order; empty for an unknown name. Among tables of one name in several
    // schemas, the one the search path finds is taken, else the first schema's.
    static std::vector<ColumnInfo> columns(PgConnection& connection, std::string_view table);

    // A table as rows are written into it.
    struct Table {
        std::string name;  // schema and name, each quoted: "schema"."name"
        std::vector<ColumnInfo> columns;
        std::vector<Oid> types;  // each column's type number
    };
    // The table `columns` finds for `table`; no columns for an unknown name.
    static Table table(PgConnection& connection, std::string_view table);
};

}  // namespace kiv::db::postgres
