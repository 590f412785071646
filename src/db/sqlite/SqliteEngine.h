#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "db/Engine.h"
#include "db/sqlite/SqliteDatabase.h"
#include "db/sqlite/SqliteHooks.h"

namespace kiv::db::sqlite {

// The engine of an SQLite database: the database handle (which carries the tag its
// errors start with), whether this connection may write, and optional hooks of a source
// that SQLite reaches through virtual tables.
class SqliteEngine : public Engine, public std::enable_shared_from_this<SqliteEngine> {
public:
    // Opens a database file: read-only requires an existing file; otherwise it is created
    // when missing.
    static std::shared_ptr<SqliteEngine> openFile(const std::string& path, bool readOnly);

    SqliteEngine(std::shared_ptr<SqliteDatabase> database, bool readOnly,
                 std::unique_ptr<SqliteHooks> hooks = nullptr);

    const std::string& provider() const override { return database_->provider(); }
    std::unique_ptr<Cursor> execute(std::string_view sql, long& recordsAffected) override;
    std::unique_ptr<TableWriter> openTable(std::string_view table) override;
    std::unique_ptr<TableWriter> openMergingTable(std::string_view table,
                                                  const std::vector<std::string>& keys) override;
    void createTable(std::string_view table, const std::vector<ColumnInfo>& columns,
                     bool dropFirst) override;
    std::unique_ptr<PreparedStatement> prepare(std::string_view sql) override;
    std::vector<CatalogEntry> catalog() override;
    std::vector<ColumnInfo> tableColumns(std::string_view table) override;
    // Files a source writes through its hooks take their rows at once: only a database
    // without hooks holds a transaction.
    void beginTransaction() override;
    void endTransaction(bool commit) override;

    SqliteDatabase& database() noexcept { return *database_; }

    // Prepares the first statement of `sql` after the hooks have run, refusing a statement
    // that writes on a read-only connection. `more` tells whether other statements follow.
    std::shared_ptr<sqlite3_stmt> prepareStatement(std::string_view sql, bool* more = nullptr);

    // Lets the hooks bring the source's tables up to date; done before every statement.
    void runHooks();

private:
    std::shared_ptr<sqlite3_stmt> prepareOne(std::string_view sql, std::string_view* tail);

    std::shared_ptr<SqliteDatabase> database_;
    bool readOnly_;
    std::unique_ptr<SqliteHooks> hooks_;
};

}  // namespace kiv::db::sqlite
