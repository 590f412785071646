#pragma once

#include <string_view>

namespace kiv::db::odbc {

class OdbcConnection;

// Whether a table can refuse a row for anything but its column types, lengths and NOT NULL
// rules, which the engine checks itself before sending: a key or unique index, a foreign
// key, a check, a trigger or rule, row-level security, a column of a type the database
// defines further (a domain, an enumeration), a column that takes no value, or an object
// that is not a plain table. Only then may rows be sent in groups, since a refused row has
// to be reported when it is added. The answer comes from the catalogs of PostgreSQL and SQL
// Server; for any other database every table may refuse anything.
class OdbcTableInspection {
public:
    static bool onlyTypesRefuse(const OdbcConnection& connection, std::string_view table);
};

}  // namespace kiv::db::odbc
