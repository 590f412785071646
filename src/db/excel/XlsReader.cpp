#include "db/excel/XlsReader.h"

#include <freexl.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>

#include "base/Text.h"
#include "base/Variant.h"
#include "db/excel/BiffDetails.h"
#include "db/excel/CompoundFile.h"

namespace kiv::db::excel {

using cells::Cell;

namespace {

struct Closer {
    void operator()(const void* handle) const { freexl_close(handle); }
};
using Handle = std::unique_ptr<const void, Closer>;

void check(int result, const std::string& what) {
    if (result != FREEXL_OK) {
        throw std::runtime_error(what + " (FreeXL error " + text::decimal(result) + ")");
    }
}

Cell cellOf(const FreeXL_CellValue& value) {
    switch (value.type) {
        case FREEXL_CELL_INT:
            return Cell::ofNumber(value.value.int_value);
        case FREEXL_CELL_DOUBLE:
            return Cell::ofNumber(value.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
            return Cell::ofText(value.value.text_value);
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME: {
            const std::optional<double> serial = Variant::parseDate(value.value.text_value);
            return serial ? Cell::ofNumber(*serial, Cell::Kind::Date)
                          : Cell::ofText(value.value.text_value);
        }
        default:
            return Cell();
    }
}

std::vector<std::vector<Cell>> readSheet(const void* handle, unsigned short index) {
    check(freexl_select_active_worksheet(handle, index), "cannot select a worksheet");
    unsigned int rows = 0;
    unsigned short columns = 0;
    check(freexl_worksheet_dimensions(handle, &rows, &columns), "cannot size a worksheet");
    std::vector<std::vector<Cell>> cells(rows);
    for (unsigned int row = 0; row < rows; ++row) {
        for (unsigned short column = 0; column < columns; ++column) {
            FreeXL_CellValue value{};
            check(freexl_get_cell_value(handle, row, column, &value), "cannot read a cell");
            Cell cell = cellOf(value);
            if (!cell.blank()) {
                cells[row].resize(column + 1u);
                cells[row][column] = std::move(cell);
            }
        }
    }
    return cells;
}

Workbook::Sheet* sheetNamed(Workbook& workbook, const std::string& name) {
    for (Workbook::Sheet& sheet : workbook.sheets) {
        if (sheet.name == name) {
            return &sheet;
        }
    }
    return nullptr;
}

void applyKinds(const BiffDetails::Sheet& details, Workbook::Sheet& sheet) {
    for (const auto& [at, kind] : details.kinds) {
        const auto& [row, column] = at;
        if (row < sheet.rows.size() && column < sheet.rows[row].size() &&
            sheet.rows[row][column].numeric()) {
            sheet.rows[row][column].kind = kind;
        }
    }
}

// Booleans and amounts of money where FreeXL gave plain numbers, and the named ranges. A
// workbook stream these details cannot be read from keeps what FreeXL read.
void addDetails(const std::string& path, Workbook& workbook) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    BiffDetails details;
    try {
        const std::optional<std::string> stream = CompoundFile(std::move(bytes)).stream("Workbook");
        if (!stream) {
            return;
        }
        details = BiffDetails::read(*stream);
    } catch (const std::runtime_error&) {
        return;
    }
    for (const BiffDetails::Sheet& sheet : details.sheets) {
        if (Workbook::Sheet* target = sheetNamed(workbook, sheet.name)) {
            applyKinds(sheet, *target);
        }
    }
    for (const BiffDetails::Name& name : details.names) {
        if (const Workbook::Sheet* target = sheetNamed(workbook, name.sheet)) {
            const auto index = static_cast<std::size_t>(target - workbook.sheets.data());
            workbook.names.push_back(Workbook::Name{name.name, index, name.range});
        }
    }
}

}  // namespace

Workbook XlsReader::read(const std::string& path) {
    const void* raw = nullptr;
    const int opened = freexl_open(path.c_str(), &raw);
    Handle handle(raw);
    check(opened, "the file is not a workbook FreeXL can read");
    unsigned int password = 0;
    if (freexl_get_info(raw, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
        password == FREEXL_BIFF_OBFUSCATED) {
        throw std::runtime_error("the workbook is protected by a password");
    }
    unsigned int count = 0;
    check(freexl_get_info(raw, FREEXL_BIFF_SHEET_COUNT, &count), "cannot count the worksheets");
    Workbook workbook;
    for (unsigned short i = 0; i < count; ++i) {
        const char* name = nullptr;
        check(freexl_get_worksheet_name(raw, i, &name), "cannot read a worksheet's name");
        workbook.sheets.push_back(
            Workbook::Sheet{name != nullptr ? name : "", readSheet(raw, i), nullptr});
    }
    addDetails(path, workbook);
    return workbook;
}

}  // namespace kiv::db::excel
