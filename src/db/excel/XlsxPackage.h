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
#include "db/excel/XlsxRowXml.h"

namespace kiv::db::excel {

class ZipWriter;

// An .xlsx workbook being changed: rows added below the data of its sheets, sheets added and
// sheets cleared. Nothing reaches the file until save(), which writes a new archive beside it
// (every part that is not changed copied as it is) and puts it in the old one's place, so the
// workbook is never left half written.
class XlsxPackage {
public:
    // A workbook that exists (`workbook` is what it holds) or, with `exists` false, one that
    // save() creates. Throws std::runtime_error when the parts of the workbook cannot be read.
    XlsxPackage(std::string path, const Workbook& workbook, bool exists);
    ~XlsxPackage();
    XlsxPackage(const XlsxPackage&) = delete;
    XlsxPackage& operator=(const XlsxPackage&) = delete;

    // The index of the sheet of that name (letter case ignored).
    std::optional<std::size_t> sheet(std::string_view name) const;
    const std::string& sheetName(std::size_t sheet) const;
    // Adds a sheet whose first row holds the column names; returns its index.
    std::size_t addSheet(const std::string& name, const std::vector<std::string>& columns);
    // Drops every row of a sheet; the sheet stays.
    void clearSheet(std::size_t sheet);
    // Adds a row below the sheet's data, its values from column `firstColumn` on. Throws
    // std::runtime_error naming the column of `names` whose value no cell can hold.
    void addRow(std::size_t sheet, std::size_t firstColumn, const std::vector<Variant>& values,
                const std::vector<std::string>& names);

    // Gives a cell of a sheet a new value (Null empties it); a cell that has a style keeps it
    // unless the value is a date. Throws std::runtime_error naming the column `name` when no
    // cell can hold the value.
    void setCell(std::size_t sheet, std::size_t row, std::size_t column, const Variant& value,
                 const std::string& name);

    // Writes the changed workbook when anything changed. Throws std::runtime_error.
    void save();

private:
    struct Sheet;
    struct Parts;

    void readParts(const Workbook& workbook);
    void spool(Sheet& sheet);
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
