#include "db/excel/WorkbookTableWriter.h"

#include <stdexcept>

#include "db/Constants.h"

namespace kiv::db::excel {

WorkbookTableWriter::WorkbookTableWriter(std::shared_ptr<WorkbookPackage> package,
                                         std::size_t sheet, std::size_t firstColumn,
                                         std::vector<ColumnInfo> columns, Error failure)
    : package_(std::move(package)),
      sheet_(sheet),
      firstColumn_(firstColumn),
      columns_(std::move(columns)),
      failure_(std::move(failure)) {
    for (ColumnInfo& column : columns_) {
        column.type = adVariant;
        column.declaredType.clear();
        names_.push_back(column.name);
    }
    values_.resize(columns_.size());
}

void WorkbookTableWriter::insert(const std::vector<Variant>& row,
                                 const std::vector<bool>& assigned) {
    for (std::size_t i = 0; i < values_.size(); ++i) {
        values_[i] = i < row.size() && assigned[i] ? row[i] : Variant::Null();
    }
    try {
        package_->addRow(sheet_, firstColumn_, values_, names_);
    } catch (const std::runtime_error& refusal) {
        throw Error(failure_.Number(), failure_.Source(), failure_.SQLState(), 0,
                    failure_.Description() + refusal.what());
    }
}

}  // namespace kiv::db::excel
