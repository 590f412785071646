#pragma once

#include <memory>
#include <vector>

#include "db/Cursor.h"
#include "db/sqlite/SqliteColumnType.h"

struct sqlite3_stmt;

namespace kiv::db::sqlite {

class SqliteEngine;

// The rows of one prepared SELECT, stepped as the caller moves.
class SqliteCursor : public Cursor {
public:
    SqliteCursor(std::shared_ptr<SqliteEngine> engine, std::shared_ptr<sqlite3_stmt> statement);
    // Resets the statement, so a command's statement releases what it reads and can run
    // again.
    ~SqliteCursor() override;
    SqliteCursor(const SqliteCursor&) = delete;
    SqliteCursor& operator=(const SqliteCursor&) = delete;

    const std::vector<ColumnInfo>& columns() const override { return columns_; }
    bool fetch(std::vector<Variant>& row) override;
    void rewind() override;

private:
    std::shared_ptr<SqliteEngine> engine_;
    std::shared_ptr<sqlite3_stmt> statement_;
    std::vector<ColumnInfo> columns_;
    std::vector<SqliteColumnType::ReadAs> reads_;
    std::vector<bool> typedByValue_;  // no declared type: typed by the first row
    bool typed_ = false;
    bool done_ = false;
};

}  // namespace kiv::db::sqlite
