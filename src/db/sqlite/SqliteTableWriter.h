#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Variant.h"
#include "db/Error.h"
#include "db/GroupedTableWriter.h"
#include "db/MergeKeys.h"

struct sqlite3_stmt;

namespace kiv::db::sqlite {

class SqliteEngine;

// Adds rows to one table through prepared INSERT statements, inside the database's grouped
// transaction.
//
// Every value is checked against its column's declared type and length before anything is
// sent, so a refused row is refused at its own Update. Where nothing else can refuse a row
// (no key, unique index, check, foreign key or trigger on the table) rows are held back and
// sent 64 to one INSERT; otherwise each row is sent alone. A failure that ends the
// transaction (a full disk, an I/O error) makes SQLite roll back every row since the last
// commit; the failure then says how many rows of the table that was.
class SqliteTableWriter : public GroupedTableWriter {
public:
    // With `mergeKeys`, a row whose key values match a row of the table updates it; the
    // table needs a primary key or unique index on exactly those columns.
    SqliteTableWriter(std::shared_ptr<SqliteEngine> engine, std::string table,
                      const std::vector<std::string>& mergeKeys = {});
    ~SqliteTableWriter() override;

    const std::vector<ColumnInfo>& columns() const override { return columns_; }
    std::size_t rowsHeldAtMost() const override;

protected:
    HoldingWriters& holdingWriters() override;
    std::unique_ptr<Shape> newShape(const std::vector<bool>& assigned) override;
    void hold(const std::vector<Variant>& row, const Shape& shape, std::size_t slot) override;
    void joinWriters() override;
    void leaveWriters() override;
    void beginWriting(std::size_t rows) override;
    bool sendGroup(Shape& shape, std::size_t rows) override;
    void sendRow(Shape& shape, std::size_t slot) override;
    bool undoGroup(const Error& failure) noexcept override;
    void written(std::size_t rows) noexcept override;
    Error failed(const Error& failure) noexcept override;

private:
    // The statements of a shape: one for a row, one for a full group.
    struct SqliteShape : Shape {
        using Shape::Shape;
        std::shared_ptr<sqlite3_stmt> single;
        std::shared_ptr<sqlite3_stmt> group;
    };

    bool groupable();
    std::string insertText(const Shape& shape, std::size_t rows) const;
    void bindRow(sqlite3_stmt* statement, const Shape& shape, std::size_t slot, int& index);
    std::string lostRows() const;

    std::shared_ptr<SqliteEngine> engine_;
    std::string table_;
    std::vector<ColumnInfo> columns_;
    std::optional<MergeKeys> merge_;
    bool groupable_ = false;
    // Values of the rows held back, one slot of columns_.size() values per row, in the
    // form they are bound in.
    std::vector<Variant> held_;
    Variant date_;  // a date being staged, before its storage form
    // Rows written since the database's commit count was `commitSeen_`: the rows a lost
    // transaction takes away.
    std::size_t uncommitted_ = 0;
    unsigned long commitSeen_ = 0;
};

}  // namespace kiv::db::sqlite
