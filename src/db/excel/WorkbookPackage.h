#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Text.h"
#include "base/Variant.h"

namespace kiv::db::excel {

// A workbook file being changed, whatever its format: rows added below the data of its
// sheets, sheets added and sheets cleared. Nothing reaches the file until save(), which
// writes the new file beside the old one and puts it in its place, so the workbook is never
// left half written. Failures are thrown as std::runtime_error with a description.
class WorkbookPackage {
public:
    virtual ~WorkbookPackage() = default;

    virtual std::size_t sheetCount() const = 0;
    virtual const std::string& sheetName(std::size_t sheet) const = 0;
    // The index of the sheet of that name (letter case ignored).
    std::optional<std::size_t> sheet(std::string_view name) const {
        for (std::size_t i = 0; i < sheetCount(); ++i) {
            if (text::iequals(sheetName(i), name)) {
                return i;
            }
        }
        return std::nullopt;
    }
    // Adds a sheet whose first row holds the column names; returns its index.
    virtual std::size_t addSheet(const std::string& name,
                                 const std::vector<std::string>& columns) = 0;
    // Drops every row of a sheet; the sheet stays.
    virtual void clearSheet(std::size_t sheet) = 0;
    // Adds a row below the sheet's data, its values from column `firstColumn` on; a value no
    // cell can hold is refused naming its column of `names`.
    virtual void addRow(std::size_t sheet, std::size_t firstColumn,
                        const std::vector<Variant>& values,
                        const std::vector<std::string>& names) = 0;
    // Gives a cell of a sheet a new value (Null empties it); `name` is its column's.
    virtual void setCell(std::size_t sheet, std::size_t row, std::size_t column,
                         const Variant& value, const std::string& name) = 0;
    // Writes the changed workbook when anything changed.
    virtual void save() = 0;
};

}  // namespace kiv::db::excel
