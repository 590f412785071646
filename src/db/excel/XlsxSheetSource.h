#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "db/excel/SheetSource.h"
#include "db/excel/Workbook.h"
#include "db/excel/XlsxSheet.h"

namespace kiv::db::excel {

// A worksheet of an .xlsx workbook read row by row from the file: every scan of a range inflates
// the sheet's part afresh and parses it up to the range's last row, holding only the row being
// read. Finding the used range reads the part once; a small sheet is held then, so that the many
// scans of a join or a lookup do not read it again and again.
class XlsxSheetSource : public SheetSource {
public:
    // The worksheet `name` in the part `part` of the workbook at `path`. Its cells are held when
    // they take `holdable` bytes at most, which they take off it. Throws std::runtime_error when
    // the part cannot be read.
    XlsxSheetSource(std::string path, std::string name, std::string part,
                    std::shared_ptr<const XlsxSheet::Dictionary> dictionary, std::size_t& holdable);

    const std::string& name() const override { return part_->name; }
    std::optional<CellRange> usedRange() const override { return used_; }
    std::shared_ptr<const cells::RowSource> rowsOf(const CellRange& range) const override;

    // Where the sheet is, what its cells refer to.
    struct Part {
        std::string path;
        std::string name;
        std::string part;
        std::shared_ptr<const XlsxSheet::Dictionary> dictionary;
    };

    bool held() const noexcept { return held_.has_value(); }

private:
    std::shared_ptr<const Part> part_;
    std::optional<CellRange> used_;
    std::optional<Workbook::Sheet> held_;
};

}  // namespace kiv::db::excel
