#include "db/LibraryVersions.h"

#include <freexl.h>
#include <libxml/xmlversion.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include "db/odbc/OdbcHandle.h"

namespace kiv::db {

namespace {

// The driver manager answers for itself before any driver is connected.
std::string driverManagerVersion() {
    try {
        const odbc::OdbcHandle environment(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
        SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION,
                      reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        const odbc::OdbcHandle connection(SQL_HANDLE_DBC, environment.get());
        SQLCHAR version[64] = {};
        SQLSMALLINT length = 0;
        if (SQL_SUCCEEDED(
                SQLGetInfo(connection.get(), SQL_DM_VER, version, sizeof version, &length))) {
            return reinterpret_cast<const char*>(version);
        }
    } catch (const std::exception&) {
        // Reported as unknown below.
    }
    return "unknown";
}

}  // namespace

std::vector<std::pair<std::string, std::string>> LibraryVersions::List() {
    return {{"SQLite", sqlite3_libversion()},
            {"unixODBC driver manager", driverManagerVersion()},
            {"libxml2", LIBXML_DOTTED_VERSION},
            {"FreeXL", freexl_version()}};
}

}  // namespace kiv::db
