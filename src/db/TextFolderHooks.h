#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/files/TextFolder.h"
#include "db/sqlite/SqliteHooks.h"

namespace kiv::db {

// A folder of text files served through an in-memory SQLite database: one virtual table
// per file, refreshed before every statement so files added meanwhile are found; CREATE
// TABLE and DROP TABLE make and delete files.
class TextFolderHooks : public sqlite::SqliteHooks {
public:
    explicit TextFolderHooks(std::string folder) : folder_(std::move(folder)) {}

    void beforePrepare(sqlite3* db) override;
    bool execute(sqlite3* db, std::string_view sql) override;
    // SELECT * FROM a file: read straight from the file.
    std::unique_ptr<Cursor> scan(const std::shared_ptr<sqlite::SqliteEngine>& engine,
                                 std::string_view sql) override;
    std::vector<std::string> tableNames() const override { return folder_.tableNames(); }

private:
    files::TextFolder folder_;
    bool attached_ = false;
};

}  // namespace kiv::db
