#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Variant.h"
#include "db/excel/Workbook.h"
#include "db/excel/WorkbookPackage.h"
#include "db/excel/XlsxRowXml.h"

namespace kiv::db::excel {

class ZipWriter;

// An .xlsx workbook being changed. save() writes a new archive in which every part that is not
// changed is copied as it is; the rows added to a sheet are streamed into its XML.
class XlsxPackage : public WorkbookPackage {
public:
    // A workbook that exists (`workbook` is what it holds) or, with `exists` false, one that
    // save() creates. Throws std::runtime_error when the parts of the workbook cannot be read.
    XlsxPackage(std::string path, const Workbook& workbook, bool exists);
    ~XlsxPackage() override;
    XlsxPackage(const XlsxPackage&) = delete;
    XlsxPackage& operator=(const XlsxPackage&) = delete;

    std::size_t sheetCount() const override { return sheets_.size(); }
    const std::string& sheetName(std::size_t sheet) const override;
    std::size_t addSheet(const std::string& name, const std::vector<std::string>& columns) override;
    void clearSheet(std::size_t sheet) override;
    // A cell that has a style keeps it unless the value is a date.
    void setCell(std::size_t sheet, std::size_t row, std::size_t column, const Variant& value,
                 const std::string& name) override;
    void addRow(std::size_t sheet, std::size_t firstColumn, const std::vector<Variant>& values,
                const std::vector<std::string>& names) override;
    void save() override;

private:
    struct Sheet;
    struct Parts;

    void readParts(const Workbook& workbook);
    void writeSheet(ZipWriter& zip, Sheet& sheet, const std::string& old);
    void writeRows(ZipWriter& zip, Sheet& sheet);
    std::string updated(std::string_view rows, const Sheet& sheet);
    std::string updatedRow(std::string_view row, std::size_t number, const Sheet& sheet);
    void appendUpdates(std::string& out, std::size_t row, const Sheet& sheet, std::size_t from,
                       std::size_t to);
    bool replacePart(ZipWriter& zip, const std::string& name);
    void writeNewParts(ZipWriter& zip);
    void writeArchive(const std::string& temporary);

    std::string path_;
    bool exists_;
    bool changed_ = false;
    bool wroteDate_ = false;
    XlsxRowXml::Styles styles_;
    std::unique_ptr<Parts> parts_;
    std::vector<std::unique_ptr<Sheet>> sheets_;
    std::string row_;  // the row being made, its buffer kept from row to row
};

}  // namespace kiv::db::excel
