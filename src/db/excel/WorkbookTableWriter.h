#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "db/Error.h"
#include "db/TableWriter.h"
#include "db/excel/WorkbookPackage.h"

namespace kiv::db::excel {

// Adds rows to one sheet of a workbook being written, below the sheet's data, from the
// first column of the table on. Every value keeps its type: the columns take any value.
class WorkbookTableWriter : public TableWriter {
public:
    WorkbookTableWriter(std::shared_ptr<WorkbookPackage> package, std::size_t sheet,
                        std::size_t firstColumn, std::vector<ColumnInfo> columns, Error failure);

    const std::vector<ColumnInfo>& columns() const override { return columns_; }
    void insert(const std::vector<Variant>& row, const std::vector<bool>& assigned) override;
    // Rows stay with the workbook until its connection closes and it is saved.
    void flush() override {}
    void close() override {}

private:
    std::shared_ptr<WorkbookPackage> package_;
    std::size_t sheet_;
    std::size_t firstColumn_;
    std::vector<ColumnInfo> columns_;
    std::vector<std::string> names_;
    std::vector<Variant> values_;
    Error failure_;  // how a refused row is reported, its description added
};

}  // namespace kiv::db::excel
