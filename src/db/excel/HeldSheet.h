#pragma once

#include "db/excel/SheetSource.h"
#include "db/excel/Workbook.h"

namespace kiv::db::excel {

// A worksheet held in memory (of an .xls workbook, or of a workbook opened for writing): the
// rows of its ranges are copies of its cells, so the sheet may change or go afterwards.
class HeldSheet : public SheetSource {
public:
    // `sheet` must outlive this object, not the row sources it makes.
    explicit HeldSheet(const Workbook::Sheet& sheet) : sheet_(sheet) {}

    const std::string& name() const override { return sheet_.name; }
    std::optional<CellRange> usedRange() const override { return sheet_.usedRange(); }
    std::shared_ptr<const cells::RowSource> rowsOf(const CellRange& range) const override;

private:
    const Workbook::Sheet& sheet_;
};

}  // namespace kiv::db::excel
