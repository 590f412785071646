#include "db/postgres/PgCatalog.h"

#include <cstdlib>
#include <string>

#include "base/Text.h"
#include "db/postgres/PgTypes.h"

namespace kiv::db::postgres {

namespace {

constexpr const char* OwnSchemas =
    "n.nspname NOT IN ('pg_catalog', 'information_schema') AND n.nspname NOT LIKE 'pg_toast%' "
    "AND n.nspname NOT LIKE 'pg_temp%'";

PgResult query(PgConnection& connection, const std::string& sql,
               const std::vector<std::string>& values) {
    connection.prepareForStatement();
    std::vector<const char*> pointers;
    for (const std::string& value : values) {
        pointers.push_back(value.c_str());
    }
    PgResult result(PQexecParams(connection.handle(), sql.c_str(), static_cast<int>(values.size()),
                                 nullptr, pointers.data(), nullptr, nullptr, 0),
                    PQclear);
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
        throw connection.error(result.get());
    }
    return result;
}

PgCatalog::Table tableOf(PgConnection& connection, std::string_view schema,
                         std::string_view table) {
    const std::string sql =
        std::string(
            "SELECT a.attname, a.atttypid, a.atttypmod, format_type(a.atttypid, "
            "a.atttypmod), a.attnotnull, a.atthasdef OR a.attidentity <> '', "
            "(SELECT quote_ident(n.nspname) || '.' || quote_ident(c.relname) FROM pg_class c "
            "JOIN pg_namespace n ON n.oid = c.relnamespace WHERE c.oid = a.attrelid) "
            "FROM pg_attribute a WHERE a.attrelid = (SELECT c.oid FROM pg_class c JOIN "
            "pg_namespace n ON n.oid = c.relnamespace WHERE c.relname = $1 AND "
            "c.relkind IN ('r', 'p', 'v', 'm', 'f') AND (n.nspname = $2 OR ($2 = '' AND ") +
        OwnSchemas +
        ")) ORDER BY pg_table_is_visible(c.oid) DESC, n.nspname LIMIT 1) "
        "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum";
    const PgResult result = query(connection, sql, {std::string(table), std::string(schema)});
    PgCatalog::Table found;
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        ColumnInfo column;
        column.name = PQgetvalue(result.get(), row, 0);
        const auto type =
            static_cast<Oid>(std::strtoul(PQgetvalue(result.get(), row, 1), nullptr, 10));
        PgTypes::describe(type, std::atoi(PQgetvalue(result.get(), row, 2)), column);
        column.declaredType = PQgetvalue(result.get(), row, 3);
        column.notNull = std::string_view(PQgetvalue(result.get(), row, 4)) == "t";
        column.hasDefault = std::string_view(PQgetvalue(result.get(), row, 5)) == "t";
        column.attributes = (column.attributes & adFldLong) |
                            (column.notNull ? 0 : adFldIsNullable | adFldMayBeNull);
        found.columns.push_back(std::move(column));
        found.types.push_back(type);
        found.name = PQgetvalue(result.get(), row, 6);
    }
    return found;
}

}  // namespace

std::vector<CatalogEntry> PgCatalog::entries(PgConnection& connection) {
    const PgResult result = query(
        connection,
        std::string("SELECT c.relname, CASE WHEN c.relkind IN ('v', 'm') THEN 'VIEW' ELSE "
                    "'TABLE' END FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                    "WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f') AND ") +
            OwnSchemas + " ORDER BY 2, n.nspname, c.relname",
        {});
    std::vector<CatalogEntry> entries;
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        entries.push_back(
            CatalogEntry{PQgetvalue(result.get(), row, 0), PQgetvalue(result.get(), row, 1)});
    }
    const PgResult routines =
        query(connection,
              std::string("SELECT p.proname FROM pg_proc p JOIN pg_namespace n ON n.oid = "
                          "p.pronamespace WHERE ") +
                  OwnSchemas + " ORDER BY n.nspname, p.proname",
              {});
    for (int row = 0; row < PQntuples(routines.get()); ++row) {
        entries.push_back(CatalogEntry{PQgetvalue(routines.get(), row, 0), "PROCEDURE"});
    }
    return entries;
}

std::vector<ColumnInfo> PgCatalog::columns(PgConnection& connection, std::string_view table) {
    return PgCatalog::table(connection, table).columns;
}

PgCatalog::Table PgCatalog::table(PgConnection& connection, std::string_view table) {
    Table found = tableOf(connection, "", table);
    const std::size_t dot = table.find('.');
    if (found.columns.empty() && dot != std::string_view::npos) {
        found = tableOf(connection, table.substr(0, dot), table.substr(dot + 1));
    }
    return found;
}

}  // namespace kiv::db::postgres
