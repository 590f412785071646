#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "db/ConnectString.h"
#include "db/Engine.h"
#include "db/postgres/PgConnection.h"

namespace kiv::db::postgres {

// The engine of a PostgreSQL database reached through libpq: rows are read as the server
// sends them and loaded with COPY. Statements the user writes reach the server as written;
// statements the program writes itself quote names in double quotes.
class PgEngine : public Engine {
public:
    // Connects with the connect string's Server (a host, "host:port" or a socket folder),
    // Database, UID and PWD; what they leave out comes from libpq's environment variables
    // and service file. `mode` adModeRead opens read-only.
    static std::shared_ptr<PgEngine> open(const ConnectString& parts, long mode);

    explicit PgEngine(std::shared_ptr<PgConnection> connection);

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
    // `sql` with the names of a statement the program wrote quoted for the server.
    static std::string statementText(std::string_view sql);

    std::shared_ptr<PgConnection> connection_;
};

}  // namespace kiv::db::postgres
