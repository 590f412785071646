#include "db/odbc/OdbcTableInspection.h"

#include <sqlext.h>

#include "base/Text.h"
#include "db/Error.h"
#include "db/odbc/OdbcConnection.h"
#include "db/odbc/OdbcParameter.h"
#include "db/odbc/OdbcValues.h"

namespace kiv::db::odbc {

namespace {

// Everything on a table besides NOT NULL that can refuse a row, counted. The table is
// found the way an unqualified name in a statement is.
constexpr const char* PostgreSqlInspection = R"(SELECT
    (SELECT count(*) FROM pg_catalog.pg_constraint WHERE conrelid = c.oid AND contype <> 'n')
  + (SELECT count(*) FROM pg_catalog.pg_index WHERE indrelid = c.oid AND indisunique)
  + (SELECT count(*) FROM pg_catalog.pg_trigger WHERE tgrelid = c.oid AND NOT tgisinternal)
  + (SELECT count(*) FROM pg_catalog.pg_rewrite WHERE ev_class = c.oid)
  + (SELECT count(*) FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_type t ON t.oid = a.atttypid
       WHERE a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped
         AND (t.typtype <> 'b' OR a.attidentity = 'a' OR a.attgenerated <> ''))
  + CASE WHEN c.relkind = 'r' AND NOT c.relrowsecurity THEN 0 ELSE 1 END
  FROM pg_catalog.pg_class c
  WHERE c.oid = pg_catalog.to_regclass(pg_catalog.quote_ident(?)))";

constexpr const char* SqlServerInspection = R"(SELECT
    (SELECT COUNT(*) FROM sys.indexes WHERE object_id = o.object_id AND is_unique = 1)
  + (SELECT COUNT(*) FROM sys.foreign_keys WHERE parent_object_id = o.object_id)
  + (SELECT COUNT(*) FROM sys.check_constraints WHERE parent_object_id = o.object_id)
  + (SELECT COUNT(*) FROM sys.triggers WHERE parent_id = o.object_id)
  + (SELECT COUNT(*) FROM sys.columns c JOIN sys.types t ON t.user_type_id = c.user_type_id
       WHERE c.object_id = o.object_id
         AND (t.is_user_defined = 1 OR c.is_computed = 1 OR c.is_identity = 1))
  + CASE WHEN o.type = 'U' THEN 0 ELSE 1 END
  FROM sys.objects o
  WHERE o.object_id = OBJECT_ID(QUOTENAME(?)))";

const char* inspectionFor(const std::string& dbms) {
    if (text::iequals(dbms, "PostgreSQL")) {
        return PostgreSqlInspection;
    }
    if (text::iequals(dbms, "Microsoft SQL Server")) {
        return SqlServerInspection;
    }
    return nullptr;
}

// The count the inspection gives for `table`; nothing when it cannot be asked.
std::optional<long long> refusers(const OdbcConnection& connection, const char* inspection,
                                  std::string_view table) {
    const OdbcHandle statement = connection.statement();
    OdbcText::Wide sql = OdbcText::wide(inspection);
    OdbcParameter name;
    name.target(SQL_WVARCHAR, 0, 0);
    name.set(Variant(table));
    if (!SQL_SUCCEEDED(name.bind(statement.get(), 1)) ||
        !SQL_SUCCEEDED(SQLExecDirectW(statement.get(), sql.data(), SQL_NTS)) ||
        !SQL_SUCCEEDED(SQLFetch(statement.get()))) {
        return std::nullopt;
    }
    OdbcValues values;
    Variant count;
    values.read(statement.get(), 1, OdbcColumnType::ReadAs::BigInt, count);
    return count.isNull() ? std::nullopt : std::optional<long long>(count.toBigInt());
}

}  // namespace

bool OdbcTableInspection::onlyTypesRefuse(const OdbcConnection& connection,
                                          std::string_view table) {
    const char* inspection = inspectionFor(connection.dbmsName());
    if (inspection == nullptr) {
        return false;
    }
    try {
        const std::optional<long long> count = refusers(connection, inspection, table);
        return count && *count == 0;
    } catch (const Error&) {
        // A catalog the login may not read tells nothing; rows go one by one.
        return false;
    }
}

}  // namespace kiv::db::odbc
