#include "connections/KivConnectionType.h"

#include <array>

#include "base/Text.h"

namespace kiv {

namespace {

constexpr std::array<std::string_view, 8> kNames = {
    "TextFile", "HTMLImport", "MSAccess", "MSExcel", "SQLServer", "SQLite", "ODBC", "PostgreSQL"};

}  // namespace

std::string KivConnectionTypeName(std::int32_t type) {
    return type >= 0 && type < static_cast<std::int32_t>(kNames.size()) ? std::string(kNames[type])
                                                                       : "Unknown";
}

KivConnectionTypeEnum ParseKivConnectionType(std::string_view text) {
    const std::string_view trimmed = text::trim(text);
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (text::iequals(trimmed, kNames[i])) {
            return static_cast<KivConnectionTypeEnum>(i);
        }
    }
    return kctUnknown;
}

bool IsFileDatabaseType(std::int32_t type) {
    return type == kctHTMLImport || type == kctMSAccess || type == kctMSExcel || type == kctSQLite;
}

bool ListsViewsLikeAccess(std::int32_t type) { return type == kctMSAccess || type == kctSQLite; }

bool ListsProcedures(std::int32_t type) {
    return type == kctMSAccess || type == kctSQLServer || type == kctODBC ||
           type == kctPostgreSQL;
}

}  // namespace kiv
