#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "db/Engine.h"
#include "db/odbc/OdbcConnection.h"
#include "db/odbc/OdbcText.h"

namespace kiv::db::odbc {

// The engine of every source reached through the ODBC driver manager (unixODBC): SQL
// Server, PostgreSQL and any other database with a driver. Statements the user writes reach
// the driver as written; statements the program writes itself quote names with the driver's
// identifier quote.
class OdbcEngine : public Engine {
public:
    // Connects with `connectString`. "Driver={SQL Server}" takes the first installed of the
    // drivers SQL Server goes by, and braces are removed from values that need none, as
    // some drivers take them for part of the value. `mode` adModeRead opens read-only.
    static std::shared_ptr<OdbcEngine> open(std::string_view connectString, long mode);

    explicit OdbcEngine(std::shared_ptr<OdbcConnection> connection);

    const std::string& provider() const override;
    std::unique_ptr<Cursor> execute(std::string_view sql, long& recordsAffected) override;
    std::unique_ptr<TableWriter> openTable(std::string_view table) override;
    std::unique_ptr<TableWriter> openMergingTable(std::string_view table,
                                                  const std::vector<std::string>& keys) override;
    void createTable(std::string_view table, const std::vector<ColumnInfo>& columns,
                     bool dropFirst) override;
    std::unique_ptr<PreparedStatement> prepare(std::string_view sql) override;
    std::vector<CatalogEntry> catalog() override;
    std::vector<ColumnInfo> tableColumns(std::string_view table) override;
    void beginTransaction() override;
    void endTransaction(bool commit) override;

private:
    // `sql` with the names of a statement the program wrote quoted for the driver.
    OdbcText::Wide statementText(std::string_view sql) const;
    // Row counts of the results before the first one with rows, and that one as a cursor.
    std::unique_ptr<Cursor> results(std::shared_ptr<OdbcHandle> statement, OdbcText::Wide sql,
                                    SQLRETURN code, long& recordsAffected);

    std::shared_ptr<OdbcConnection> connection_;
};

}  // namespace kiv::db::odbc
