#include "db/excel/XlsxSheetSource.h"

#include <algorithm>
#include <stdexcept>

#include "db/excel/HeldSheet.h"
#include "db/excel/XmlStream.h"
#include "db/excel/ZipArchive.h"

namespace kiv::db::excel {

namespace {

using cells::RowSource;

// One scan of a range: a row for each of the range's rows, blank where the sheet has none.
class RangeCursor : public RowSource::Cursor {
public:
    RangeCursor(std::shared_ptr<SheetSpool> spool, const CellRange& range)
        : sheet_(std::move(spool)), range_(range), next_(range.firstRow) {}

    const RowSource::Row* next() override {
        if (next_ > range_.lastRow) {
            return nullptr;
        }
        while (!ended_ && (!pending_ || sheet_.row() < next_)) {
            pending_ = sheet_.next();
            ended_ = !pending_;
        }
        row_.clear();
        if (pending_ && sheet_.row() == next_) {
            std::vector<cells::Cell>& cells = sheet_.cells();
            const std::size_t end = std::min(cells.size(), range_.lastColumn + 1);
            for (std::size_t column = range_.firstColumn; column < end; ++column) {
                row_.push_back(std::move(cells[column]));
            }
            pending_ = false;
        }
        ++next_;
        return &row_;
    }

private:
    SheetSpool::Reader sheet_;
    CellRange range_;
    std::size_t next_;      // the row given next
    bool pending_ = false;  // the sheet's row read is not given yet
    bool ended_ = false;
    RowSource::Row row_;
};

class RangeRows : public RowSource {
public:
    RangeRows(std::shared_ptr<SheetSpool> spool, const CellRange& range)
        : spool_(std::move(spool)), range_(range) {}

    std::size_t rowCount() const override {
        return range_.firstRow > range_.lastRow ? 0 : range_.lastRow - range_.firstRow + 1;
    }
    std::unique_ptr<Cursor> rows() const override {
        return std::make_unique<RangeCursor>(spool_, range_);
    }

private:
    std::shared_ptr<SheetSpool> spool_;
    CellRange range_;
};

void widen(std::optional<CellRange>& used, std::size_t row, std::size_t column) {
    if (!used) {
        used = CellRange{row, column, row, column};
    }
    used->firstColumn = std::min(used->firstColumn, column);
    used->lastColumn = std::max(used->lastColumn, column);
    used->lastRow = row;
}

// The memory a row takes once held, `gap` rows without cells before it included.
std::size_t heldBytes(const std::vector<cells::Cell>& cells, std::size_t gap) {
    std::size_t bytes = (gap + 1) * sizeof(cells) + cells.size() * sizeof(cells::Cell);
    for (const cells::Cell& cell : cells) {
        bytes += cell.text.size();
    }
    return bytes;
}

}  // namespace

XlsxSheetSource::XlsxSheetSource(ZipArchive& zip, std::string name, const std::string& part,
                                 const XlsxSheet::Dictionary& dictionary, std::size_t& holdable)
    : name_(std::move(name)),
      held_(Workbook::Sheet{name_, {}, nullptr}),
      spool_(std::make_shared<SheetSpool>(name_)) {
    if (!zip.open(part)) {
        throw std::runtime_error("the archive has no part " + part);
    }
    XmlStream xml([&zip](char* buffer, std::size_t size) { return zip.readSome(buffer, size); });
    XlsxSheet sheet(xml, dictionary, name_);
    std::size_t held = 0;
    while (sheet.next()) {
        std::vector<cells::Cell>& cells = sheet.cells();
        const auto first = std::find_if(cells.begin(), cells.end(),
                                        [](const cells::Cell& cell) { return !cell.blank(); });
        if (first == cells.end()) {
            continue;
        }
        widen(used_, sheet.row(), static_cast<std::size_t>(first - cells.begin()));
        widen(used_, sheet.row(), cells.size() - 1);
        spool_->add(sheet.row(), cells);
        if (held_) {
            held += heldBytes(cells, sheet.row() - held_->rows.size());
            if (held > holdable) {
                held_.reset();
                continue;
            }
            held_->rows.resize(sheet.row() + 1);
            held_->rows.back() = std::move(cells);
        }
    }
    if (held_) {
        holdable -= held;
        spool_.reset();
    }
}

std::shared_ptr<const cells::RowSource> XlsxSheetSource::rowsOf(const CellRange& range) const {
    if (held_) {
        return HeldSheet(*held_).rowsOf(range);
    }
    return std::make_shared<const RangeRows>(spool_, range);
}

}  // namespace kiv::db::excel
