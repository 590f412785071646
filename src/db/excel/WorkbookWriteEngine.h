#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Variant.h"
#include "db/Engine.h"
#include "db/cells/CellChanges.h"
#include "db/cells/FileSource.h"
#include "db/excel/Workbook.h"
#include "db/excel/WorkbookPackage.h"

namespace kiv::db::excel {

// A workbook opened for writing (.xlsx, or a new .xls). Queries read the workbook as it was opened
// (with the sheets made since); a recordset opened on a sheet (`[Sheet1$]`, `['My Sheet$']`), a
// named range or a sheet made by CREATE TABLE adds rows below its data, as does an INSERT
// statement; CREATE TABLE adds a sheet whose first row holds the column names, DROP TABLE clears a
// sheet, UPDATE changes cells, DELETE is refused. What was written is saved into the file when the
// connection closes.
class WorkbookWriteEngine : public Engine, private cells::CellChanges {
public:
    // `workbook` is what the file at `path` holds (nothing when it does not exist yet: it is
    // created when the connection closes with a sheet in it); `package` writes it.
    WorkbookWriteEngine(const cells::FileSource& source, std::string path, Workbook workbook,
                        bool header, std::shared_ptr<WorkbookPackage> package);

    const std::string& provider() const override { return source_.provider; }
    std::unique_ptr<Cursor> execute(std::string_view sql, long& recordsAffected) override;
    std::unique_ptr<TableWriter> openTable(std::string_view table) override;
    std::unique_ptr<PreparedStatement> prepare(std::string_view sql) override;
    std::vector<CatalogEntry> catalog() override { return reader_->catalog(); }
    std::vector<ColumnInfo> tableColumns(std::string_view table) override;
    void close() override;

private:
    // Where rows of a table go: the sheet, and the column of the table's first column.
    struct Target {
        std::size_t sheet = 0;
        std::size_t firstColumn = 0;
        std::size_t firstRow = 0;  // of the data, below the names
    };

    void insert(const cells::CellTable& table, const std::vector<Variant>& values) override;
    void update(const cells::CellTable& table, std::size_t row,
                const std::vector<std::optional<Variant>>& values) override;
    Target targetOf(std::string_view table) const;
    Error failure(const std::string& description) const;
    void rebuild();
    bool define(std::string_view sql);
    void makeSheet(const std::string& name, const std::vector<std::string>& columns);
    std::size_t sheetOf(std::string_view table) const;

    cells::FileSource source_;
    std::string path_;
    Workbook workbook_;
    bool header_;
    Variant modified_;
    std::shared_ptr<WorkbookPackage> package_;
    std::shared_ptr<Engine> reader_;
    bool cellsChanged_ = false;  // the tables are made again after the statement
};

}  // namespace kiv::db::excel
