#pragma once

#include <vector>

#include "db/access/AccessQuery.h"
#include "db/access/AccessSchema.h"

namespace kiv::db::sqlite {
class SqliteDatabase;
}

namespace kiv::db::access {

// Makes every saved query of an Access database readable by its name: a query that returns
// rows becomes a view of its SQL translated from Access SQL, made after the queries it reads;
// every other query, and one whose translation fails, becomes a table that refuses to be read
// with the reason, naming the query and what stands in the way.
class AccessQueryViews {
public:
    // `schema` receives the refusals; its virtual-table module is registered on `database`.
    static void make(sqlite::SqliteDatabase& database, AccessSchema& schema,
                     const std::vector<AccessQuery>& queries);
};

}  // namespace kiv::db::access
