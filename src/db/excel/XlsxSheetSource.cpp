#include "db/excel/XlsxSheetSource.h"

#include <algorithm>
#include <stdexcept>

#include "db/excel/HeldSheet.h"
#include "db/excel/XmlStream.h"
#include "db/excel/ZipArchive.h"

namespace kiv::db::excel {

namespace {

using cells::RowSource;

// The sheet's part, open in its archive, parsed from its start.
class SheetStream {
public:
    explicit SheetStream(const XlsxSheetSource::Part& part)
        : zip_(part.path), xml_(open(zip_, part.part)), sheet_(xml_, *part.dictionary, part.name) {}

    XlsxSheet& sheet() { return sheet_; }

private:
    static XmlStream::Source open(ZipArchive& zip, const std::string& part) {
        if (!zip.open(part)) {
            throw std::runtime_error("the archive has no part " + part);
        }
        return [&zip](char* buffer, std::size_t size) { return zip.readSome(buffer, size); };
    }

    ZipArchive zip_;
    XmlStream xml_;
    XlsxSheet sheet_;
};

// One scan of a range: a row for each of the range's rows, blank where the sheet has none.
class RangeCursor : public RowSource::Cursor {
public:
    RangeCursor(std::shared_ptr<const XlsxSheetSource::Part> part, const CellRange& range)
        : part_(std::move(part)), range_(range), next_(range.firstRow) {}

    const RowSource::Row* next() override {
        if (next_ > range_.lastRow) {
            return nullptr;
        }
        try {
            if (!stream_) {
                stream_ = std::make_unique<SheetStream>(*part_);
            }
            XlsxSheet& sheet = stream_->sheet();
            while (!ended_ && (!pending_ || sheet.row() < next_)) {
                pending_ = sheet.next();
                ended_ = !pending_;
            }
            row_.clear();
            if (pending_ && sheet.row() == next_) {
                std::vector<cells::Cell>& cells = sheet.cells();
                const std::size_t end = std::min(cells.size(), range_.lastColumn + 1);
                for (std::size_t column = range_.firstColumn; column < end; ++column) {
                    row_.push_back(std::move(cells[column]));
                }
                pending_ = false;
            }
        } catch (const std::runtime_error& failure) {
            throw std::runtime_error("Cannot read the workbook '" + part_->path +
                                     "': " + failure.what() + ".");
        }
        ++next_;
        return &row_;
    }

private:
    std::shared_ptr<const XlsxSheetSource::Part> part_;
    CellRange range_;
    std::size_t next_;  // the row given next
    std::unique_ptr<SheetStream> stream_;
    bool pending_ = false;  // the sheet's row read is not given yet
    bool ended_ = false;
    RowSource::Row row_;
};

class RangeRows : public RowSource {
public:
    RangeRows(std::shared_ptr<const XlsxSheetSource::Part> part, const CellRange& range)
        : part_(std::move(part)), range_(range) {}

    std::size_t rowCount() const override {
        return range_.firstRow > range_.lastRow ? 0 : range_.lastRow - range_.firstRow + 1;
    }
    std::unique_ptr<Cursor> rows() const override {
        return std::make_unique<RangeCursor>(part_, range_);
    }

private:
    std::shared_ptr<const XlsxSheetSource::Part> part_;
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

}  // namespace

XlsxSheetSource::XlsxSheetSource(std::string path, std::string name, std::string part,
                                 std::shared_ptr<const XlsxSheet::Dictionary> dictionary,
                                 std::size_t& holdable)
    : part_(std::make_shared<const Part>(
          Part{std::move(path), std::move(name), std::move(part), std::move(dictionary)})),
      held_(Workbook::Sheet{part_->name, {}, nullptr}) {
    std::size_t heldBytes = 0;
    SheetStream stream(*part_);
    XlsxSheet& sheet = stream.sheet();
    while (sheet.next()) {
        std::vector<cells::Cell>& cells = sheet.cells();
        const auto first = std::find_if(cells.begin(), cells.end(),
                                        [](const cells::Cell& cell) { return !cell.blank(); });
        if (first == cells.end()) {
            continue;
        }
        widen(used_, sheet.row(), static_cast<std::size_t>(first - cells.begin()));
        widen(used_, sheet.row(), cells.size() - 1);
        if (held_) {
            heldBytes += (sheet.row() + 1 - held_->rows.size()) * sizeof(cells) +
                         cells.size() * sizeof(cells::Cell);
            for (const cells::Cell& cell : cells) {
                heldBytes += cell.text.size();
            }
            if (heldBytes > holdable) {
                held_.reset();
                continue;
            }
            held_->rows.resize(sheet.row() + 1);
            held_->rows.back() = std::move(cells);
        }
    }
    if (held_) {
        holdable -= heldBytes;
    }
}

std::shared_ptr<const cells::RowSource> XlsxSheetSource::rowsOf(const CellRange& range) const {
    if (held_) {
        return HeldSheet(*held_).rowsOf(range);
    }
    return std::make_shared<const RangeRows>(part_, range);
}

}  // namespace kiv::db::excel
