#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Variant.h"
#include "db/GroupedTableWriter.h"
#include "db/MergeKeys.h"
#include "db/postgres/PgBinaryCopy.h"
#include "db/postgres/PgCatalog.h"
#include "db/postgres/PgConnection.h"

namespace kiv::db::postgres {

// Adds rows to one table with COPY ... FROM STDIN, a group of rows per COPY.
//
// Each value is converted to its column's type and written in COPY's binary form (COPY's
// text form where a column's type has no binary form the writer knows) as the row is added,
// so a value that is no such thing is refused at its own Update; lengths, precision and
// constraints are the server's to check. The server takes one group while the next one is
// held: its outcome is awaited before the next group is sent, or before a statement that
// names the table runs. A refused COPY is undone as a whole (by the server, or back to the
// writer's savepoint inside a transaction); the rows before the refused one (which the
// server names) are sent again, and the refused row is reported, or set aside and the rows
// after it sent again.
//
// Rows merged on key columns are copied into a temporary table of the same columns, a group
// at a time, and moved from there with one INSERT ... ON CONFLICT (keys) DO UPDATE, which
// the server undoes as a whole when it refuses a row: the group is then sent again row by
// row.
class PgTableWriter : public GroupedTableWriter {
public:
    // `name` is the table's name as given, `table` what the catalog says about it. With
    // `mergeKeys`, a row whose key values match a row of the table updates it; the table
    // needs a primary key or unique index on exactly those columns.
    PgTableWriter(std::shared_ptr<PgConnection> connection, const std::string& name,
                  PgCatalog::Table table, const std::vector<std::string>& mergeKeys = {});
    ~PgTableWriter() override;

    const std::vector<ColumnInfo>& columns() const override { return columns_; }
    std::size_t rowsHeldAtMost() const override;
    bool refusesHeldRows() const override { return true; }

protected:
    // Whether `statement` names the table: only then it waits for the rows held.
    bool readBy(std::string_view statement) const override;
    HoldingWriters& holdingWriters() override;
    std::unique_ptr<Shape> newShape(const std::vector<bool>& assigned) override;
    void hold(const std::vector<Variant>& row, const Shape& shape, std::size_t slot) override;
    void joinWriters() override {}
    void leaveWriters() override {}
    void beginWriting(std::size_t) override {}
    bool sendGroup(Shape& shape, std::size_t rows) override;
    void sendRow(Shape& shape, std::size_t slot) override;
    void awaitSent() override;
    bool undoGroup(const Error& failure) noexcept override;
    void written(std::size_t) override {}
    Error failed(const Error& failure) noexcept override { return failure; }

private:
    struct CopyShape : Shape {
        using Shape::Shape;
        std::string copy;
        std::string merge;    // when merging: the INSERT from the temporary table
        bool binary = false;  // COPY's binary format, else its text format
    };

    // Rows as COPY's lines, and where each row's line ends.
    struct Lines {
        std::string text;
        std::vector<std::size_t> ends;
    };

    // "COPY target (a, b) FROM STDIN" for the columns `columns`, in binary format or not.
    std::string copyText(const std::string& target, const std::vector<std::size_t>& columns,
                         bool binary) const;
    // Appends the values of `row` as a line of COPY's text format.
    void holdText(const std::vector<Variant>& row, const Shape& shape, std::string& out);
    // Appends the values of `row` as a tuple of COPY's binary format.
    void holdBinary(const std::vector<Variant>& row, const Shape& shape, std::string& out);
    Error refusedValue(std::size_t column, const std::string& sqlState,
                       const std::string& description) const;
    // A COPY the server refused, and which of its rows it named (the rows' count when it
    // named none).
    struct Refusal {
        Error error;
        std::size_t line;
    };

    // Inside a transaction, marks what is written so far with a savepoint, so that a
    // refused statement undoes itself only.
    void mark();
    // Back to the savepoint after a refused statement inside a transaction.
    void rollBack() noexcept;
    // Runs one of the writer's own statements; throws its failure.
    void command(const std::string& sql);
    // Starts the COPY of `shape` and sends lines [from, to) of `lines`.
    void startCopy(const CopyShape& shape, const Lines& lines, std::size_t from, std::size_t to);
    // Waits for the outcome of the COPY of `rows` rows sent; its refusal, if it was.
    std::optional<Refusal> outcome(std::size_t rows);
    std::optional<Refusal> copyNow(const CopyShape& shape, const Lines& lines, std::size_t from,
                                   std::size_t to);
    // Sends the `rows` lines of a refused COPY again around the refused row: those before
    // it are written, the refused row is set aside or thrown, and those after it are sent
    // again as long as each refused row is set aside.
    void sendAround(const CopyShape& shape, const Lines& lines, std::size_t rows, Refusal refusal);
    // Merges lines [from, to) of the held lines through the temporary table.
    void mergeNow(const CopyShape& shape, std::size_t from, std::size_t to);
    // "INSERT INTO table (a, b) SELECT a, b FROM staging ON CONFLICT ..." for `assigned`.
    std::string mergeText(const std::vector<std::size_t>& assigned) const;
    // The refused row of a refused group of `rows` rows that the server named, if it did.
    static std::size_t refusedLine(const PGresult* result, std::size_t rows);

    std::shared_ptr<PgConnection> connection_;
    std::string table_;
    std::vector<ColumnInfo> columns_;
    std::string target_;  // the table as the server is told: "schema"."name"
    PgBinaryCopy binary_;
    std::optional<MergeKeys> merge_;
    std::string staging_;  // when merging: the temporary table the rows are copied into
    // The columns without their length and precision: values are converted to the column's
    // type, and whether they fit is left to the server.
    std::vector<ColumnInfo> conversions_;
    Variant value_;  // a value being converted
    // The held rows' lines and those of the group the server is taking, in turn.
    Lines lines_[2];
    std::size_t filling_ = 0;
    // The group sent whose outcome is not known yet: its rows and shape.
    std::size_t sentRows_ = 0;
    const CopyShape* sentShape_ = nullptr;
    bool marked_ = false;  // a savepoint of the writer's stands in the transaction
};

}  // namespace kiv::db::postgres
