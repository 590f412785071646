#pragma once

#include <string>

#include "db/access/AccessQuery.h"

namespace kiv::db::access {

// Makes the SQLite SELECT statement that gives the rows of a saved select, crosstab or union
// query of an Access database, over the virtual tables of its tables and the views of its
// other queries. Output columns are named as Access names them: by their alias, else by the
// column they show (qualified by its table when two show a column of the same name), else
// Expr1000, Expr1001, ...
class AccessQueryTranslator {
public:
    // Throws AccessSqlError naming what has no translation.
    static std::string translate(const AccessQuery& query);
};

}  // namespace kiv::db::access
