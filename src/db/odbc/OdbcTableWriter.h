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
// no such thing is refused at its own Update. A row the server cannot refuse (the table has
// nothing but column types to refuse it with, and every value fits its column's type and
// length) is held back and sent with others in one multi-row INSERT; any other row is sent
// by itself at once, so the server's refusal comes with that row. Held rows are sent before
// any other statement on the connection runs, and a group that fails anyway is sent again
// row by row, so the rows before the failing one are written and the failing one is
// reported.
class OdbcTableWriter : public TableWriter {
public:
    // `groupable`: nothing but the column types can refuse a row of the table.
    OdbcTableWriter(std::shared_ptr<OdbcConnection> connection, std::string table,
                    std::vector<OdbcColumn> columns, bool groupable);
    ~OdbcTableWriter() override;
    OdbcTableWriter(const OdbcTableWriter&) = delete;
    OdbcTableWriter& operator=(const OdbcTableWriter&) = delete;

    const std::vector<ColumnInfo>& columns() const override { return infos_; }
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
        bool defaultsAccepted = true;
        std::unique_ptr<OdbcGroupInsert> single;
        std::unique_ptr<OdbcGroupInsert> group;
    };

    Shape& shapeFor(const std::vector<bool>& assigned);
    std::unique_ptr<OdbcGroupInsert> groupInsert(
        const std::vector<const OdbcColumn*>& columns) const;
    void convert(const std::vector<Variant>& row, const Shape& shape);
    bool acceptedForSure(const Shape& shape) const;
    bool acceptedForSure(const Variant& value, const OdbcColumn& column) const;
    void hold(const Shape& shape);
    void sendHeld();
    void sendAlone(Shape& shape);
    void replay(Shape& shape, std::size_t rows);
    void sendOne(Shape& shape, const Variant* values);
    void startWriting(std::size_t rows);
    [[noreturn]] void fail(const Error& error);
    void rethrowDeferred();

    std::shared_ptr<OdbcConnection> connection_;
    std::string table_;
    std::vector<OdbcColumn> columns_;
    std::vector<ColumnInfo> infos_;
    // The columns without their length and precision: values are converted to the column's
    // type, and whether they fit is left to the server when the driver's limits are unsure.
    std::vector<ColumnInfo> conversions_;
    bool groupable_;
    std::vector<std::unique_ptr<Shape>> shapes_;
    // The row being added, converted.
    std::vector<Variant> values_;
    // Values of the rows held back, row after row, of the columns of the held rows' shape;
    // the first row's slots also carry a row sent by itself.
    std::vector<Variant> held_;
    std::size_t heldRows_ = 0;
    Shape* heldShape_ = nullptr;
    std::optional<Error> deferred_;
    bool writing_ = false;
    bool closed_ = false;
};

}  // namespace kiv::db::odbc
