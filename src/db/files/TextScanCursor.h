#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "db/Cursor.h"
#include "db/files/TextReader.h"
#include "db/sqlite/SqliteColumnType.h"

namespace kiv::db::sqlite {
class SqliteEngine;
}

namespace kiv::db::files {

class TextTable;

// The rows of "SELECT * FROM file", read straight from the file instead of through the
// file's virtual table: the same columns, values and failures as SQLite would give, without
// the SQL machinery between the file and the reader. Whole files are read this way by loads.
class TextScanCursor : public Cursor {
public:
    TextScanCursor(std::shared_ptr<sqlite::SqliteEngine> engine, std::shared_ptr<TextTable> table);

    const std::vector<ColumnInfo>& columns() const override { return columns_; }
    bool fetch(std::vector<Variant>& row) override;
    void rewind() override;
    ReadProgress readProgress() const override { return {reader_.bytesRead(), reader_.fileSize()}; }

private:
    // Opens the file and passes its header; false when it has no rows.
    bool start();
    bool readRecord();
    [[noreturn]] void fail(std::string_view description);

    std::shared_ptr<sqlite::SqliteEngine> engine_;
    std::shared_ptr<TextTable> table_;
    TextReader reader_;
    std::vector<ColumnInfo> columns_;
    std::vector<sqlite::SqliteColumnType::ReadAs> reads_;
    bool started_ = false;
    bool done_ = false;
};

}  // namespace kiv::db::files
