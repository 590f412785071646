#include "db/odbc/OdbcDrivers.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/Text.h"
#include "db/odbc/OdbcDiagnostics.h"
#include "db/odbc/OdbcText.h"

namespace kiv::db::odbc {

namespace {

// "key=value" pairs, each ended by a zero, the list by another.
std::string attributeValue(const SQLWCHAR* attributes, std::size_t units, std::string_view key) {
    const std::string pairs = OdbcText::utf8(attributes, units);
    std::size_t start = 0;
    while (start < pairs.size()) {
        std::size_t end = pairs.find('\0', start);
        if (end == std::string::npos) {
            end = pairs.size();
        }
        const std::string_view pair(pairs.data() + start, end - start);
        const std::size_t equals = pair.find('=');
        if (equals != std::string_view::npos && text::iequals(pair.substr(0, equals), key)) {
            return std::string(pair.substr(equals + 1));
        }
        start = end + 1;
    }
    return {};
}

// The registered drivers: each one's name and the library its registration names.
std::vector<std::pair<std::string, std::string>> registered(SQLHENV environment) {
    std::vector<std::pair<std::string, std::string>> drivers;
    SQLWCHAR name[512];
    SQLWCHAR attributes[2048];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDriversW(environment, direction, name, 512, &nameLength, attributes,
                                     2048, &attributesLength))) {
        const auto units = std::min<std::size_t>(static_cast<std::size_t>(attributesLength),
                                                 std::size(attributes));
        drivers.emplace_back(OdbcText::utf8(name, OdbcText::length(name)),
                             attributeValue(attributes, units, "Driver"));
        direction = SQL_FETCH_NEXT;
    }
    return drivers;
}

}  // namespace

const std::vector<std::string>& OdbcDrivers::sqlServerNames() {
    static const std::vector<std::string> names = {"SQL Server", "ODBC Driver 18 for SQL Server",
                                                   "ODBC Driver 17 for SQL Server", "FreeTDS"};
    return names;
}

std::string OdbcDrivers::sqlServer(SQLHENV environment) {
    const auto present = registered(environment);
    for (const std::string& wanted : sqlServerNames()) {
        if (std::any_of(present.begin(), present.end(),
                        [&](const auto& driver) { return text::iequals(driver.first, wanted); })) {
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

std::string OdbcDrivers::library(SQLHENV environment, std::string_view driver) {
    for (const auto& [name, library] : registered(environment)) {
        if (text::iequals(name, driver)) {
            return library;
        }
    }
    return {};
}

std::string OdbcDrivers::ofDataSource(SQLHENV environment, std::string_view dataSource) {
    SQLWCHAR name[512];
    SQLWCHAR description[512];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDataSourcesW(environment, direction, name, 512, &nameLength,
                                         description, 512, &descriptionLength))) {
        direction = SQL_FETCH_NEXT;
        if (text::iequals(OdbcText::utf8(name, OdbcText::length(name)), dataSource)) {
            return OdbcText::utf8(description, OdbcText::length(description));
        }
    }
    return {};
}

}  // namespace kiv::db::odbc
