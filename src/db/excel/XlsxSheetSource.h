#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "db/excel/SheetSource.h"
#include "db/excel/SheetSpool.h"
#include "db/excel/Workbook.h"
#include "db/excel/XlsxSheet.h"

namespace kiv::db::excel {

class ZipArchive;

// A worksheet of an .xlsx workbook, parsed once row by row when the workbook is opened, which
// finds its used range. A small sheet is held then; the rows of a larger one go to a spool that
// every scan of a range reads back, holding only the row being read.
class XlsxSheetSource : public SheetSource {
public:
    // The worksheet `name` in the part `part` of the workbook's archive, whose cells refer to
    // `dictionary`. Its cells are held when they take `holdable` bytes at most, which they take
    // off it. Throws std::runtime_error when the part cannot be read or the spool written.
    XlsxSheetSource(ZipArchive& zip, std::string name, const std::string& part,
                    const XlsxSheet::Dictionary& dictionary, std::size_t& holdable);

    const std::string& name() const override { return name_; }
    std::optional<CellRange> usedRange() const override { return used_; }
    std::shared_ptr<const cells::RowSource> rowsOf(const CellRange& range) const override;

private:
    std::string name_;
    std::optional<CellRange> used_;
    std::optional<Workbook::Sheet> held_;
    std::shared_ptr<SheetSpool> spool_;  // when the sheet is not held
};

}  // namespace kiv::db::excel
