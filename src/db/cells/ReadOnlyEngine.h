#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/Engine.h"
#include "db/sqlite/SqliteEngine.h"

namespace kiv::db::cells {

// A file source that only reads (a workbook, an HTML file, an Access database) served through
// a read-only in-memory SQLite database whose virtual tables show the file's tables. Every
// statement SQLite can run on them runs; one that would change data, and every attempt to
// add rows, fails with the description the source gives ("HTML files are read-only"). A table
// the file does not have is an error naming the file.
class ReadOnlyEngine : public Engine {
public:
    ReadOnlyEngine(std::shared_ptr<sqlite::SqliteEngine> engine, std::vector<CatalogEntry> catalog,
                   std::string refusal, std::string path);

    const std::string& provider() const override { return engine_->provider(); }
    std::unique_ptr<Cursor> execute(std::string_view sql, long& recordsAffected) override;
    std::unique_ptr<TableWriter> openTable(std::string_view table) override;
    std::unique_ptr<PreparedStatement> prepare(std::string_view sql) override;
    std::vector<CatalogEntry> catalog() override { return catalog_; }
    // The columns of a table; views and procedures of the source have none SQLite can show.
    std::vector<ColumnInfo> tableColumns(std::string_view table) override;
    std::string refusal() const override { return refusal_; }

private:
    template <typename Call>
    auto described(Call&& call);

    std::shared_ptr<sqlite::SqliteEngine> engine_;
    std::vector<CatalogEntry> catalog_;
    std::string refusal_;
    std::string path_;
};

}  // namespace kiv::db::cells
