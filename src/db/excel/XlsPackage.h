#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Variant.h"
#include "db/excel/SharedStrings.h"
#include "db/excel/WorkbookPackage.h"

namespace kiv::db::excel {

// A new .xls workbook: a compound file holding a BIFF8 workbook stream. Its cells hold values:
// numbers, texts in the shared string table, booleans, and dates with a date format. The
// cells of each sheet are kept as records in a spool until save() writes the file. The format
// holds at most 65,536 rows and 256 columns a sheet; cells once written are not changed.
class XlsPackage : public WorkbookPackage {
public:
    static constexpr std::size_t MaxRows = 65536;
    static constexpr std::size_t MaxColumns = 256;

    // A workbook that save() creates at `path`.
    explicit XlsPackage(std::string path);
    ~XlsPackage() override;
    XlsPackage(const XlsPackage&) = delete;
    XlsPackage& operator=(const XlsPackage&) = delete;

    std::size_t sheetCount() const override { return sheets_.size(); }
    const std::string& sheetName(std::size_t sheet) const override;
    std::size_t addSheet(const std::string& name, const std::vector<std::string>& columns) override;
    void clearSheet(std::size_t sheet) override;
    void addRow(std::size_t sheet, std::size_t firstColumn, const std::vector<Variant>& values,
                const std::vector<std::string>& names) override;
    // Refused: an .xls workbook takes new rows only.
    void setCell(std::size_t sheet, std::size_t row, std::size_t column, const Variant& value,
                 const std::string& name) override;
    void save() override;

private:
    struct Sheet;

    std::string globals(std::vector<std::size_t>& sheetOffsets) const;
    void appendCell(std::string& out, std::size_t row, std::size_t column, const Variant& value,
                    const std::string& name);

    std::string path_;
    std::vector<std::unique_ptr<Sheet>> sheets_;
    SharedStrings strings_;
    bool changed_ = false;
    std::string row_;  // the records of the row being made, the buffer kept from row to row
};

}  // namespace kiv::db::excel
