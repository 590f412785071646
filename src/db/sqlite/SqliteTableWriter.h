#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Variant.h"
#include "db/Error.h"
#include "db/TableWriter.h"

struct sqlite3_stmt;

namespace kiv::db::sqlite {

class SqliteEngine;

// Adds rows to one table through prepared INSERT statements, inside the database's grouped
// transaction.
//
// Every value is checked against its column's declared type and length before anything is
// sent, so a refused row is refused at its own Update. Where nothing else can refuse a row
// (no key, unique index, check, foreign key or trigger on the table) rows are held back and
// sent 64 to one INSERT; held rows are sent before any other statement on the database runs,
// and a group that fails anyway is sent again row by row, so the rows before the failing
// one are written and the failing one is reported. A failure that ends the transaction (a
// full disk, an I/O error) makes SQLite roll back every row since the last commit; the
// failure then says how many rows of the table that was.
class SqliteTableWriter : public TableWriter {
public:
    SqliteTableWriter(std::shared_ptr<SqliteEngine> engine, std::string table);
    ~SqliteTableWriter() override;
    SqliteTableWriter(const SqliteTableWriter&) = delete;
    SqliteTableWriter& operator=(const SqliteTableWriter&) = delete;

    const std::vector<ColumnInfo>& columns() const override { return columns_; }
    void insert(const std::vector<Variant>& row, const std::vector<bool>& assigned) override;
    void flush() override;
    void close() override;

    // Sends the rows held back, because another statement is about to run. A failure is
    // kept and thrown by the next call of the writer.
    void flushHeld() noexcept;

private:
    // The statements for rows that give values for one set of columns; the others are left
    // to their defaults.
    struct Shape {
        std::vector<bool> assigned;
        std::vector<std::size_t> columns;
        std::size_t groupRows = 1;
        std::shared_ptr<sqlite3_stmt> single;
        std::shared_ptr<sqlite3_stmt> group;
    };

    bool groupable();
    Shape& shapeFor(const std::vector<bool>& assigned);
    std::string insertText(const Shape& shape, std::size_t rows) const;
    void stage(const std::vector<Variant>& row, const std::vector<bool>& assigned,
               std::size_t slot);
    void sendHeld();
    void send(Shape& shape, std::size_t rows);
    void bindRow(sqlite3_stmt* statement, const Shape& shape, std::size_t slot, int& index);
    void startWriting();
    [[noreturn]] void fail(const Error& error);
    void rethrowDeferred();
    void accepted() noexcept;
    std::string lostRows() const;

    std::shared_ptr<SqliteEngine> engine_;
    std::string table_;
    std::vector<ColumnInfo> columns_;
    bool groupable_ = false;
    std::vector<std::unique_ptr<Shape>> shapes_;
    // Values of the rows held back (and of the row being sent alone), one slot of
    // columns_.size() values per row, in the form they are bound in.
    std::vector<Variant> held_;
    Variant date_;  // a date being staged, before its storage form
    std::size_t heldRows_ = 0;
    Shape* heldShape_ = nullptr;
    std::optional<Error> deferred_;
    // Rows saved since the database's commit count was `commitSeen_`: the rows a lost
    // transaction takes away.
    std::size_t uncommitted_ = 0;
    unsigned long commitSeen_ = 0;
    bool writing_ = false;
    bool closed_ = false;
};

}  // namespace kiv::db::sqlite
