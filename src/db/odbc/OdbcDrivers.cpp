#include "db/odbc/OdbcDrivers.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>

#include "base/Text.h"
#include "db/odbc/OdbcDiagnostics.h"
#include "db/odbc/OdbcText.h"

namespace kiv::db::odbc {

namespace {

std::vector<std::string> installed(SQLHENV environment) {
    std::vector<std::string> names;
    SQLWCHAR name[512];
    SQLWCHAR attributes[2048];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDriversW(environment, direction, name, 512, &nameLength, attributes,
                                     2048, &attributesLength))) {
        names.push_back(OdbcText::utf8(name, OdbcText::length(name)));
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

}  // namespace

const std::vector<std::string>& OdbcDrivers::sqlServerNames() {
    static const std::vector<std::string> names = {"SQL Server", "ODBC Driver 18 for SQL Server",
                                                   "ODBC Driver 17 for SQL Server", "FreeTDS"};
    return names;
}

std::string OdbcDrivers::sqlServer(SQLHENV environment) {
    const std::vector<std::string> present = installed(environment);
    for (const std::string& wanted : sqlServerNames()) {
        if (std::any_of(present.begin(), present.end(),
                        [&](const std::string& name) { return text::iequals(name, wanted); })) {
            return wanted;
        }
    }
    std::string tried;
    for (const std::string& name : sqlServerNames()) {
        tried += (tried.empty() ? "'" : ", '") + name + "'";
    }
    throw OdbcDiagnostics::failure(
        "IM002", "No ODBC driver for SQL Server is installed; tried " + tried +
                     ". Install FreeTDS (package tdsodbc) or register a driver under one of "
                     "these names in odbcinst.ini.");
}

}  // namespace kiv::db::odbc
