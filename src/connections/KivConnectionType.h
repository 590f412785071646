#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kiv {

// The kinds of data source a connection section can name.
enum KivConnectionTypeEnum : std::int32_t {
    kctUnknown = -1,
    kctTextFile = 0,
    kctHTMLImport = 1,
    kctMSAccess = 2,
    kctMSExcel = 3,
    kctSQLServer = 4,
    kctSQLite = 5,
    kctODBC = 6,
    kctPostgreSQL = 7,
};

// "TextFile", "HTMLImport", ... and "Unknown" for any other value.
std::string KivConnectionTypeName(std::int32_t type);
// The type whose accepted text equals `text` trimmed, without regard to letter case.
KivConnectionTypeEnum ParseKivConnectionType(std::string_view text);

// Kinds whose database value is one file, or a file pattern for a primary input source.
bool IsFileDatabaseType(std::int32_t type);
// Kinds with a catalog of their own that lists views like a database file does.
bool ListsViewsLikeAccess(std::int32_t type);
// Kinds whose catalog lists stored procedures.
bool ListsProcedures(std::int32_t type);

}  // namespace kiv
