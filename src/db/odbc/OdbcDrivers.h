#pragma once

#include <sql.h>

#include <string>
#include <string_view>
#include <vector>

namespace kiv::db::odbc {

// The driver that stands for "SQL Server" on this machine, among those registered with the
// driver manager (odbcinst.ini).
class OdbcDrivers {
public:
    // The names SQL Server's driver goes by, in the order they are preferred.
    static const std::vector<std::string>& sqlServerNames();

    // The first of `sqlServerNames` that is installed; throws a failure naming all of them
    // when none is.
    static std::string sqlServer(SQLHENV environment);

    // The library file of the driver registered as `driver`; empty when there is none.
    static std::string library(SQLHENV environment, std::string_view driver);
    // The driver the data source `dataSource` (odbc.ini) names; empty when there is none.
    static std::string ofDataSource(SQLHENV environment, std::string_view dataSource);
};

}  // namespace kiv::db::odbc
