#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Variant.h"
#include "db/Error.h"
#include "db/GroupedTableWriter.h"
#include "db/MergeKeys.h"
#include "db/odbc/OdbcColumn.h"
#include "db/odbc/OdbcGroupInsert.h"

namespace kiv::db::odbc {

class OdbcConnection;

// Adds rows to one table through INSERT statements prepared and bound once, inside the
// connection's grouped transactions.
//
// Each value is converted to its column's type before anything is sent; a value that is
// no such thing is refused at its own Update. Rows are held back and sent in groups, one
// statement per group; a refused group is undone back to the connection's mark of what was
// written, and its rows are sent again one by one to find the refused row.
class OdbcTableWriter : public GroupedTableWriter {
public:
    // With `mergeKeys`, a row whose key values match a row of the table updates it
    // (INSERT ... ON CONFLICT, PostgreSQL servers); the table needs a primary key or unique
    // index on exactly those columns.
    OdbcTableWriter(std::shared_ptr<OdbcConnection> connection, std::string table,
                    std::vector<OdbcColumn> columns,
                    const std::vector<std::string>& mergeKeys = {});
    ~OdbcTableWriter() override;

    const std::vector<ColumnInfo>& columns() const override { return infos_; }
    std::size_t rowsHeldAtMost() const override;
    bool refusesHeldRows() const override { return true; }

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
    void written(std::size_t rows) override;
    Error failed(const Error& failure) noexcept override;

private:
    // The statements of a shape: one for a row, one for a group when the columns allow it.
    struct OdbcShape : Shape {
        using Shape::Shape;
        std::unique_ptr<OdbcGroupInsert> single;
        std::unique_ptr<OdbcGroupInsert> group;
    };

    std::unique_ptr<OdbcGroupInsert> groupInsert(const std::vector<const OdbcColumn*>& columns,
                                                 const std::string& conflict) const;
    // Makes sure the server can match rows on the merge keys.
    void checkMergeKeys() const;

    std::shared_ptr<OdbcConnection> connection_;
    std::string table_;
    std::vector<OdbcColumn> columns_;
    std::vector<ColumnInfo> infos_;
    std::optional<MergeKeys> merge_;
    // The columns without their length and precision: values are converted to the column's
    // type, and whether they fit is left to the server when the driver's limits are unsure.
    std::vector<ColumnInfo> conversions_;
    // The row being added, converted.
    std::vector<Variant> values_;
    // Values of the rows held back, row after row, of the columns of the held rows' shape.
    std::vector<Variant> held_;
};

}  // namespace kiv::db::odbc
