#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/Variant.h"
#include "db/GroupedTableWriter.h"
#include "db/postgres/PgConnection.h"

namespace kiv::db::postgres {

// Adds rows to one table with COPY ... FROM STDIN, a group of rows per COPY.
//
// Each value is converted to its column's type and written in COPY's text form as the row
// is added, so a value that is no such thing is refused at its own Update; lengths,
// precision and constraints are the server's to check. A group the server refuses is
// undone by the server as a whole, and its rows are sent again one COPY each to find the
// refused row.
class PgTableWriter : public GroupedTableWriter {
public:
    PgTableWriter(std::shared_ptr<PgConnection> connection, std::string table,
                  std::vector<ColumnInfo> columns);
    ~PgTableWriter() override;

    const std::vector<ColumnInfo>& columns() const override { return columns_; }
    std::size_t rowsHeldAtMost() const override;

    // "COPY table (a, b) FROM STDIN" for the columns `columns` of `table`.
    static std::string copyText(const std::string& table, const std::vector<ColumnInfo>& columns,
                                const std::vector<std::size_t>& assigned);

protected:
    HoldingWriters& holdingWriters() override;
    std::unique_ptr<Shape> newShape(const std::vector<bool>& assigned) override;
    void hold(const std::vector<Variant>& row, const Shape& shape, std::size_t slot) override;
    void joinWriters() override {}
    void leaveWriters() override {}
    void beginWriting(std::size_t) override {}
    bool sendGroup(Shape& shape, std::size_t rows) override;
    void sendRow(Shape& shape, std::size_t slot) override;
    bool undoGroup(const Error& failure) noexcept override;
    void written(std::size_t) override {}
    Error failed(const Error& failure) noexcept override { return failure; }

private:
    struct CopyShape : Shape {
        using Shape::Shape;
        std::string copy;
    };

    void copy(const Shape& shape, std::size_t from, std::size_t to);

    std::shared_ptr<PgConnection> connection_;
    std::string table_;
    std::vector<ColumnInfo> columns_;
    // The columns without their length and precision: values are converted to the column's
    // type, and whether they fit is left to the server.
    std::vector<ColumnInfo> conversions_;
    Variant value_;  // a value being converted
    // The held rows as COPY's lines, and where each row's line ends.
    std::string lines_;
    std::vector<std::size_t> lineEnds_;
};

}  // namespace kiv::db::postgres
