#include "db/files/TextScanCursor.h"

#include <sqlite3.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "db/files/TextTable.h"
#include "db/sqlite/SqliteEngine.h"
#include "db/sqlite/SqliteValues.h"

namespace kiv::db::files {

TextScanCursor::TextScanCursor(std::shared_ptr<sqlite::SqliteEngine> engine,
                               std::shared_ptr<TextTable> table)
    : engine_(std::move(engine)),
      table_(std::move(table)),
      reader_(table_->format(), TextReader::ReadChunk, table_->notes()) {
    for (const TextColumn& column : table_->columns()) {
        ColumnInfo info;
        info.name = column.name;
        reads_.push_back(sqlite::SqliteColumnType::describe(column.sqlType(), info));
        columns_.push_back(std::move(info));
    }
}

bool TextScanCursor::fetch(std::vector<Variant>& row) {
    if (done_ || (!started_ && !start()) || !readRecord()) {
        done_ = true;
        return false;
    }
    Variant::DateText buffer;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        sqlite::StoredValue value;
        if (!table_->stored(reader_, i, value, buffer)) {
            fail(table_->mismatchAt(reader_, i));
        }
        sqlite::SqliteValues::read(value, reads_[i], row[i]);
    }
    return true;
}

void TextScanCursor::rewind() {
    engine_->database().flushHeldRows();
    started_ = false;
    done_ = false;
}

bool TextScanCursor::start() {
    started_ = true;
    if (!table_->problem().empty()) {
        fail(table_->problem());
    }
    try {
        // Rows appended through this connection must be in the file before it is read.
        table_->flush();
    } catch (const std::runtime_error& error) {
        fail(error.what());
    }
    try {
        reader_.start(table_->path());
    } catch (const std::runtime_error& error) {
        fail("Cannot read " + table_->fileName() + ": " + error.what());
    }
    return !table_->format().header || readRecord();
}

bool TextScanCursor::readRecord() {
    try {
        return reader_.next();
    } catch (const std::runtime_error& error) {
        fail("Cannot read " + table_->fileName() + ": " + error.what());
    }
}

void TextScanCursor::fail(std::string_view description) {
    done_ = true;
    throw engine_->database().error(SQLITE_ERROR, description);
}

}  // namespace kiv::db::files
