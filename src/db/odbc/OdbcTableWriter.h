#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Variant.h"
#include "db/Error.h"
#include "db/TableWriter.h"
#include "db/odbc/OdbcColumn.h"
#include "db/odbc/OdbcGroupInsert.h"

namespace kiv::db::odbc {

class OdbcConnection;

// Adds rows to one table through INSERT statements prepared and bound once, inside the
// connection's grouped transactions.
//
// Each value is converted to its column's type before anything is sent; a value that is
// no such thing is refused at its own Update. Rows are held back and sent in groups, one
// statement per group. A group the server refuses is undone as a whole and sent again row
// by row, so the rows before the refused one are written, the refused one is reported (with
// how many rows were added after it) and nothing after it is sent. Held rows are sent
// before any other statement on the connection runs.
class OdbcTableWriter : public TableWriter {
public:
    OdbcTableWriter(std::shared_ptr<OdbcConnection> connection, std::string table,
                    std::vector<OdbcColumn> columns);
    ~OdbcTableWriter() override;
    OdbcTableWriter(const OdbcTableWriter&) = delete;
    OdbcTableWriter& operator=(const OdbcTableWriter&) = delete;

    const std::vector<ColumnInfo>& columns() const override { return infos_; }
    void insert(const std::vector<Variant>& row, const std::vector<bool>& assigned) override;
    std::size_t rowsHeldAtMost() const override;
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
        std::unique_ptr<OdbcGroupInsert> single;
        std::unique_ptr<OdbcGroupInsert> group;
    };

    Shape& shapeFor(const std::vector<bool>& assigned);
    std::unique_ptr<OdbcGroupInsert> groupInsert(
        const std::vector<const OdbcColumn*>& columns) const;
    void convert(const std::vector<Variant>& row, const Shape& shape);
    void hold(const Shape& shape);
    void sendHeld();
    void replay(Shape& shape, std::size_t rows);
    void startWriting(std::size_t rows);
    // Fails with `error` for the row that was the `row`-th added.
    [[noreturn]] void fail(const Error& error, std::size_t row);
    void rethrowDeferred();

    std::shared_ptr<OdbcConnection> connection_;
    std::string table_;
    std::vector<OdbcColumn> columns_;
    std::vector<ColumnInfo> infos_;
    // The columns without their length and precision: values are converted to the column's
    // type, and whether they fit is left to the server when the driver's limits are unsure.
    std::vector<ColumnInfo> conversions_;
    std::vector<std::unique_ptr<Shape>> shapes_;
    // The row being added, converted.
    std::vector<Variant> values_;
    // Values of the rows held back, row after row, of the columns of the held rows' shape.
    std::vector<Variant> held_;
    std::size_t heldRows_ = 0;
    Shape* heldShape_ = nullptr;
    // Rows added so far, and which of them the first held row is.
    std::size_t added_ = 0;
    std::size_t firstHeld_ = 0;
    std::optional<Error> deferred_;
    std::size_t deferredAt_ = 0;  // rows added when the deferred failure happened
    bool writing_ = false;
    bool closed_ = false;
};

}  // namespace kiv::db::odbc
