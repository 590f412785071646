#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/Cursor.h"
#include "db/odbc/OdbcColumnType.h"
#include "db/odbc/OdbcHandle.h"
#include "db/odbc/OdbcText.h"
#include "db/odbc/OdbcValues.h"

namespace kiv::db::odbc {

class OdbcConnection;

// The rows of a statement that has run, fetched one at a time as the caller moves; nothing
// is held beyond the current row.
class OdbcCursor : public Cursor {
public:
    // `statement` has run and yields columns. A rewind runs `sql` again, or executes the
    // prepared statement again when `sql` is empty.
    OdbcCursor(std::shared_ptr<OdbcConnection> connection, std::shared_ptr<OdbcHandle> statement,
               OdbcText::Wide sql);
    ~OdbcCursor() override;
    OdbcCursor(const OdbcCursor&) = delete;
    OdbcCursor& operator=(const OdbcCursor&) = delete;

    const std::vector<ColumnInfo>& columns() const override { return columns_; }
    bool fetch(std::vector<Variant>& row) override;
    void rewind() override;

private:
    void describe();
    void describeColumn(SQLUSMALLINT number);
    void close() noexcept;

    std::shared_ptr<OdbcConnection> connection_;
    std::shared_ptr<OdbcHandle> statement_;
    OdbcText::Wide sql_;
    std::vector<ColumnInfo> columns_;
    std::vector<OdbcColumnType::ReadAs> reads_;
    OdbcValues values_;
    bool done_ = false;
};

}  // namespace kiv::db::odbc
