#include "db/odbc/OdbcCatalog.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <array>

#include "base/Text.h"
#include "db/odbc/OdbcConnection.h"
#include "db/odbc/OdbcValues.h"

namespace kiv::db::odbc {

namespace {

using ReadAs = OdbcColumnType::ReadAs;

// A column as the catalog function lists it, before the layer describes it.
struct Listed {
    std::string schema;
    std::string name;
    SQLSMALLINT sqlType = 0;
    std::string typeName;
    SQLLEN size = 0;
    SQLSMALLINT digits = 0;
    bool notNull = false;
    bool hasDefault = false;
};

bool isSystemSchema(std::string_view schema) {
    static constexpr std::array<std::string_view, 3> Names = {"information_schema", "pg_catalog",
                                                              "sys"};
    return std::any_of(Names.begin(), Names.end(),
                       [schema](std::string_view name) { return text::iequals(schema, name); });
}

template <typename Call>
OdbcHandle run(const OdbcConnection& connection, Call call) {
    OdbcHandle statement = connection.statement();
    if (!SQL_SUCCEEDED(call(statement.get()))) {
        throw connection.error(statement);
    }
    return statement;
}

bool next(const OdbcConnection& connection, const OdbcHandle& statement) {
    const SQLRETURN code = SQLFetch(statement.get());
    if (code == SQL_NO_DATA) {
        return false;
    }
    if (!SQL_SUCCEEDED(code)) {
        throw connection.error(statement);
    }
    return true;
}

std::string textOf(OdbcValues& values, const OdbcHandle& statement, SQLUSMALLINT column) {
    std::string out;
    if (!values.readText(statement.get(), column, out)) {
        out.clear();
    }
    return out;
}

// A column the driver leaves empty gives `otherwise`.
long numberOf(OdbcValues& values, const OdbcHandle& statement, SQLUSMALLINT column,
              long otherwise = 0) {
    Variant value;
    values.read(statement.get(), column, ReadAs::Long, value);
    return value.isNull() ? otherwise : value.toLong();
}

// SQL Server numbers procedures of one name ("name;1"); the number is no part of the name.
std::string procedureName(std::string name) {
    const std::size_t semicolon = name.rfind(';');
    if (semicolon != std::string::npos && semicolon + 1 < name.size() &&
        std::all_of(name.begin() + static_cast<std::ptrdiff_t>(semicolon) + 1, name.end(),
                    [](char c) { return c >= '0' && c <= '9'; })) {
        name.resize(semicolon);
    }
    return name;
}

// The name as a catalog search pattern that matches only itself.
OdbcText::Wide exactPattern(const OdbcConnection& connection, std::string_view name) {
    const std::string& escape = connection.searchEscape();
    std::string pattern;
    for (const char c : name) {
        if (!escape.empty() && (c == '_' || c == '%' || escape.find(c) != std::string::npos)) {
            pattern += escape;
        }
        pattern += c;
    }
    return OdbcText::wide(pattern);
}

std::vector<Listed> listColumns(const OdbcConnection& connection, std::string_view table) {
    OdbcText::Wide pattern = exactPattern(connection, table);
    const OdbcHandle statement = run(connection, [&](SQLHSTMT handle) {
        return SQLColumnsW(handle, nullptr, 0, nullptr, 0, pattern.data(), SQL_NTS, nullptr, 0);
    });
    OdbcValues values;
    std::vector<Listed> listed;
    while (next(connection, statement)) {
        Listed column;
        column.schema = textOf(values, statement, 2);
        if (!listed.empty() && column.schema != listed.front().schema) {
            break;
        }
        column.name = textOf(values, statement, 4);
        column.sqlType = static_cast<SQLSMALLINT>(numberOf(values, statement, 5));
        column.typeName = textOf(values, statement, 6);
        column.size = numberOf(values, statement, 7);
        column.digits = static_cast<SQLSMALLINT>(numberOf(values, statement, 9));
        column.notNull = numberOf(values, statement, 11, SQL_NULLABLE) == SQL_NO_NULLS;
        std::string defaultValue;
        column.hasDefault = values.readText(statement.get(), 13, defaultValue) ||
                            text::toLower(column.typeName).find("identity") != std::string::npos;
        listed.push_back(std::move(column));
    }
    return listed;
}

// Whether the driver's tiny integers run from 0 to 255 (SQL Server's do).
bool unsignedTinyInt(const OdbcConnection& connection) {
    const OdbcHandle statement =
        run(connection, [](SQLHSTMT handle) { return SQLGetTypeInfoW(handle, SQL_TINYINT); });
    OdbcValues values;
    return next(connection, statement) && numberOf(values, statement, 10, SQL_FALSE) == SQL_TRUE;
}

OdbcColumn describe(const Listed& listed, bool isUnsigned) {
    OdbcColumn column;
    column.sqlType = listed.sqlType;
    column.size = listed.size;
    column.digits = listed.digits;
    column.info.name = listed.name;
    column.info.declaredType = listed.typeName;
    column.info.notNull = listed.notNull;
    column.info.hasDefault = listed.hasDefault;
    column.info.attributes = listed.notNull ? 0 : adFldIsNullable | adFldMayBeNull;
    column.read = OdbcColumnType::describe(listed.sqlType, listed.size, listed.digits, isUnsigned,
                                           column.info);
    return column;
}

void listTables(const OdbcConnection& connection, std::vector<CatalogEntry>& entries) {
    // Quoted, the form of the type list every driver takes.
    OdbcText::Wide types = OdbcText::wide("'TABLE','VIEW'");
    const OdbcHandle statement = run(connection, [&](SQLHSTMT handle) {
        return SQLTablesW(handle, nullptr, 0, nullptr, 0, nullptr, 0, types.data(), SQL_NTS);
    });
    OdbcValues values;
    while (next(connection, statement)) {
        const std::string schema = textOf(values, statement, 2);
        std::string name = textOf(values, statement, 3);
        std::string type = text::toUpper(textOf(values, statement, 4));
        if (!isSystemSchema(schema)) {
            entries.push_back(CatalogEntry{std::move(name), std::move(type)});
        }
    }
}

void listProcedures(const OdbcConnection& connection, std::vector<CatalogEntry>& entries) {
    const OdbcHandle statement = run(connection, [](SQLHSTMT handle) {
        return SQLProceduresW(handle, nullptr, 0, nullptr, 0, nullptr, 0);
    });
    OdbcValues values;
    while (next(connection, statement)) {
        const std::string schema = textOf(values, statement, 2);
        std::string name = procedureName(textOf(values, statement, 3));
        if (!isSystemSchema(schema)) {
            entries.push_back(CatalogEntry{std::move(name), "PROCEDURE"});
        }
    }
}

}  // namespace

std::vector<CatalogEntry> OdbcCatalog::entries(OdbcConnection& connection) {
    std::vector<CatalogEntry> entries;
    listTables(connection, entries);
    listProcedures(connection, entries);
    return entries;
}

std::vector<OdbcColumn> OdbcCatalog::columns(OdbcConnection& connection, std::string_view table) {
    const std::vector<Listed> listed = listColumns(connection, table);
    const bool tinyInts = std::any_of(listed.begin(), listed.end(), [](const Listed& column) {
        return column.sqlType == SQL_TINYINT;
    });
    const bool isUnsigned = tinyInts && unsignedTinyInt(connection);
    std::vector<OdbcColumn> columns;
    columns.reserve(listed.size());
    for (const Listed& column : listed) {
        columns.push_back(describe(column, isUnsigned));
    }
    return columns;
}

}  // namespace kiv::db::odbc
