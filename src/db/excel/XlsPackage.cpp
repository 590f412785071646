#include "db/excel/XlsPackage.h"

#include <algorithm>
#include <regex>
#include <stdexcept>
#include <utility>

#include "db/ValueCoercion.h"
#include "db/excel/BiffWriter.h"
#include "db/excel/CompoundFileWriter.h"
#include "db/excel/FileReplacement.h"
#include "db/excel/SheetValue.h"
#include "db/excel/Spool.h"

namespace kiv::db::excel {

namespace {

// Record identifiers of the BIFF8 format.
constexpr std::uint16_t BeginOfStream = 0x0809;
constexpr std::uint16_t EndOfStream = 0x000A;
constexpr std::uint16_t CodePage = 0x0042;
constexpr std::uint16_t Window1 = 0x003D;
constexpr std::uint16_t DateMode = 0x0022;
constexpr std::uint16_t FontRecord = 0x0031;
constexpr std::uint16_t FormatRecord = 0x041E;
constexpr std::uint16_t ExtendedFormat = 0x00E0;
constexpr std::uint16_t StyleRecord = 0x0293;
constexpr std::uint16_t BoundSheet = 0x0085;
constexpr std::uint16_t Dimensions = 0x0200;
constexpr std::uint16_t LabelSst = 0x00FD;
constexpr std::uint16_t NumberRecord = 0x0203;
constexpr std::uint16_t BoolErr = 0x0205;
constexpr std::uint16_t Window2 = 0x023E;
constexpr std::uint16_t SupportingBook = 0x01AE;
constexpr std::uint16_t ExternSheet = 0x0017;
constexpr std::uint16_t NameRecord = 0x0018;
constexpr std::uint16_t SelfReference = 0x0401;
constexpr std::uint8_t AreaReference = 0x3B;  // an area of a sheet named in EXTERNSHEET

constexpr std::uint16_t GlobalsKind = 0x0005;
constexpr std::uint16_t WorksheetKind = 0x0010;
constexpr std::uint16_t Unicode = 1200;

// Cell formats: 15 for every cell, 16 and 17 for dates and dates with a time of day, whose
// number formats are these.
constexpr std::uint16_t PlainFormat = 15;
constexpr std::uint16_t DateFormat = 16;
constexpr std::uint16_t DateTimeFormat = 17;
constexpr std::uint16_t StyleFormats = 15;
constexpr std::uint16_t DateCode = 164;
constexpr std::uint16_t DateTimeCode = 165;

constexpr std::size_t HeaderSize = 4;
constexpr std::size_t SheetHead = HeaderSize + 16 + HeaderSize + 14;  // BOF, DIMENSIONS
constexpr std::size_t SheetTail = HeaderSize + 18 + HeaderSize;       // WINDOW2, EOF

void beginOfStream(std::string& out, std::uint16_t kind) {
    BiffWriter::header(out, BeginOfStream, 16);
    BiffWriter::u16(out, 0x0600);  // BIFF8
    BiffWriter::u16(out, kind);
    BiffWriter::u16(out, 0x0DBB);  // build
    BiffWriter::u16(out, 0x07CC);  // year
    BiffWriter::u32(out, 0);
    BiffWriter::u32(out, 0x0006);  // the oldest version that reads it
}

void record16(std::string& out, std::uint16_t id, std::uint16_t value) {
    BiffWriter::header(out, id, 2);
    BiffWriter::u16(out, value);
}

void window1(std::string& out) {
    BiffWriter::header(out, Window1, 18);
    for (const std::uint16_t value : {0, 0, 0x4000, 0x2000, 0x0038, 0, 0, 1, 0x0258}) {
        BiffWriter::u16(out, static_cast<std::uint16_t>(value));
    }
}

void font(std::string& out) {
    std::string data;
    for (const std::uint16_t value : {200, 0, 0x7FFF, 400, 0}) {  // 10 point, normal weight
        BiffWriter::u16(data, static_cast<std::uint16_t>(value));
    }
    data.append(4, '\0');
    BiffWriter::shortString(data, "Arial");
    BiffWriter::header(out, FontRecord, data.size());
    out += data;
}

void format(std::string& out, std::uint16_t code, std::string_view text) {
    std::string data;
    BiffWriter::u16(data, code);
    BiffWriter::longString(data, text);
    BiffWriter::header(out, FormatRecord, data.size());
    out += data;
}

// `style`: a cell style rather than a cell format. `used`: which of its own attributes a cell
// format applies (0x04: its number format).
void extendedFormat(std::string& out, std::uint16_t numberFormat, bool style, std::uint8_t used) {
    BiffWriter::header(out, ExtendedFormat, 20);
    BiffWriter::u16(out, 0);  // font
    BiffWriter::u16(out, numberFormat);
    BiffWriter::u16(out, style ? 0xFFF5 : 0x0001);  // locked; a style has no parent
    BiffWriter::u8(out, 0x20);                      // aligned at the bottom
    BiffWriter::u8(out, 0);
    BiffWriter::u8(out, 0);
    BiffWriter::u8(out, used);
    BiffWriter::u32(out, 0);  // no borders
    BiffWriter::u32(out, 0);
    BiffWriter::u16(out, 0x20C0);  // the automatic colours of the pattern
}

void cellPosition(std::string& out, std::uint16_t id, std::size_t length, std::size_t row,
                  std::size_t column, std::uint16_t format) {
    BiffWriter::header(out, id, length);
    BiffWriter::u16(out, static_cast<std::uint16_t>(row));
    BiffWriter::u16(out, static_cast<std::uint16_t>(column));
    BiffWriter::u16(out, format);
}

// Whether a sheet's name can name a range too: letters, digits, _ and . only, starting with a
// letter or _, and not taken for a cell reference (A1, R1C1).
bool nameable(std::string_view name) {
    static const std::regex Valid("[A-Za-z_][A-Za-z0-9_.]*");
    static const std::regex Reference("([A-Za-z]{1,3}[0-9]+)|([RrCc])|([Rr][0-9]*[Cc][0-9]*)");
    const std::string text(name);
    return text.size() <= 255 && std::regex_match(text, Valid) &&
           !std::regex_match(text, Reference);
}

// A name over the first `columns` whole columns of the sheet at `reference` of EXTERNSHEET.
void nameRecord(std::string& out, std::string_view name, std::uint16_t reference,
                std::size_t columns) {
    constexpr std::uint16_t FormulaSize = 11;
    BiffWriter::header(out, NameRecord, 14 + 1 + name.size() + FormulaSize);
    BiffWriter::u16(out, 0);
    BiffWriter::u8(out, 0);
    BiffWriter::u8(out, static_cast<std::uint8_t>(name.size()));
    BiffWriter::u16(out, FormulaSize);
    BiffWriter::u16(out, 0);
    BiffWriter::u16(out, 0);  // of the workbook, not of one sheet
    BiffWriter::u32(out, 0);
    BiffWriter::u8(out, 0);
    out += name;
    BiffWriter::u8(out, AreaReference);
    BiffWriter::u16(out, reference);
    BiffWriter::u16(out, 0);
    BiffWriter::u16(out, static_cast<std::uint16_t>(XlsPackage::MaxRows - 1));
    BiffWriter::u16(out, 0);
    BiffWriter::u16(out, static_cast<std::uint16_t>(columns - 1));
}

std::string thousands(std::size_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, ",");
    }
    return digits;
}

}  // namespace

struct XlsPackage::Sheet {
    explicit Sheet(std::string sheetName)
        : name(std::move(sheetName)), cells("the rows of sheet " + name) {}

    std::string name;
    Spool cells;  // the cell records, row after row
    std::size_t rows = 0;
    std::size_t columns = 0;  // up to the last column holding a value
    std::size_t named = 0;    // the columns a name of the sheet's own covers; 0 for no name
};

XlsPackage::XlsPackage(std::string path) : path_(std::move(path)) {}

XlsPackage::~XlsPackage() = default;

const std::string& XlsPackage::sheetName(std::size_t sheet) const {
    return sheets_.at(sheet)->name;
}

std::size_t XlsPackage::addSheet(const std::string& name, const std::vector<std::string>& columns) {
    if (columns.size() > MaxColumns) {
        throw std::runtime_error("the table has " + std::to_string(columns.size()) +
                                 " columns; a sheet of an .xls workbook holds at most 256 (one "
                                 "of the .xlsx format 16,384)");
    }
    sheets_.push_back(std::make_unique<Sheet>(name));
    sheets_.back()->named = nameable(name) ? columns.size() : 0;
    changed_ = true;
    const std::size_t index = sheets_.size() - 1;
    addRow(index, 0, std::vector<Variant>(columns.begin(), columns.end()), columns);
    return index;
}

void XlsPackage::clearSheet(std::size_t index) {
    Sheet& sheet = *sheets_.at(index);
    sheet.cells.clear();
    sheet.rows = 0;
    sheet.columns = 0;
    changed_ = true;
}

void XlsPackage::appendCell(std::string& out, std::size_t row, std::size_t column,
                            const Variant& value, const std::string& name) {
    Variant::DateText buffer;
    const SheetValue cell = SheetValue::of(value, name, false, buffer);
    switch (cell.kind) {
        case SheetValue::Kind::None:
            return;
        case SheetValue::Kind::Text: {
            const std::optional<std::uint32_t> index = strings_.index(cell.text);
            if (!index) {
                throw std::runtime_error(
                    "The value of column " + name + " has " +
                    std::to_string(ValueCoercion::characterCount(cell.text)) +
                    " characters; a cell of an .xls workbook holds at most 8,223 here (4,111 "
                    "when one of them is beyond Latin-1), so that it is read back; a workbook in "
                    "the .xlsx format holds 32,767.");
            }
            cellPosition(out, LabelSst, 10, row, column, PlainFormat);
            BiffWriter::u32(out, *index);
            return;
        }
        case SheetValue::Kind::Boolean:
            cellPosition(out, BoolErr, 8, row, column, PlainFormat);
            BiffWriter::u8(out, cell.number != 0 ? 1 : 0);
            BiffWriter::u8(out, 0);
            return;
        case SheetValue::Kind::Number:
        case SheetValue::Kind::Date:
        case SheetValue::Kind::DateTime: {
            const std::uint16_t format = cell.kind == SheetValue::Kind::Date       ? DateFormat
                                         : cell.kind == SheetValue::Kind::DateTime ? DateTimeFormat
                                                                                   : PlainFormat;
            cellPosition(out, NumberRecord, 14, row, column, format);
            BiffWriter::f64(out, cell.number);
            return;
        }
    }
}

void XlsPackage::addRow(std::size_t index, std::size_t firstColumn,
                        const std::vector<Variant>& values, const std::vector<std::string>& names) {
    Sheet& sheet = *sheets_.at(index);
    if (sheet.rows >= MaxRows) {
        throw std::runtime_error("the sheet " + sheet.name + " holds " + thousands(MaxRows) +
                                 " rows, the most a sheet of an .xls workbook holds (one of the "
                                 ".xlsx format holds 1,048,576)");
    }
    row_.clear();
    std::size_t columns = sheet.columns;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t size = row_.size();
        if (firstColumn + i >= MaxColumns) {
            if (!values[i].isNull() && !values[i].isEmpty()) {
                throw std::runtime_error("column " + names[i] + " would be column " +
                                         std::to_string(firstColumn + i + 1) +
                                         " of the sheet; a sheet of an .xls workbook holds at "
                                         "most 256");
            }
            continue;
        }
        appendCell(row_, sheet.rows, firstColumn + i, values[i], names[i]);
        columns = row_.size() > size ? std::max(columns, firstColumn + i + 1) : columns;
    }
    sheet.cells.append(row_);
    sheet.columns = columns;
    ++sheet.rows;
    changed_ = true;
}

void XlsPackage::setCell(std::size_t, std::size_t, std::size_t, const Variant&,
                         const std::string&) {
    throw std::runtime_error(
        "the cells of an .xls workbook written here are not changed once "
        "written; rows can be added, and a workbook in the .xlsx format "
        "takes changes to its cells");
}

// The workbook's globals up to the shared strings, and where in them each sheet's offset goes.
std::string XlsPackage::globals(std::vector<std::size_t>& sheetOffsets) const {
    std::string out;
    beginOfStream(out, GlobalsKind);
    record16(out, CodePage, Unicode);
    window1(out);
    record16(out, DateMode, 0);  // days counted from 1900
    for (int i = 0; i < 4; ++i) {
        font(out);
    }
    format(out, DateCode, "yyyy-mm-dd");
    format(out, DateTimeCode, "yyyy-mm-dd hh:mm:ss");
    for (std::uint16_t i = 0; i < StyleFormats; ++i) {
        extendedFormat(out, 0, true, i == 0 ? 0x00 : 0xF4);
    }
    extendedFormat(out, 0, false, 0x00);
    extendedFormat(out, DateCode, false, 0x04);
    extendedFormat(out, DateTimeCode, false, 0x04);
    BiffWriter::header(out, StyleRecord, 4);
    BiffWriter::u16(out, 0x8000);  // the built-in style Normal, of cell style 0
    BiffWriter::u8(out, 0);
    BiffWriter::u8(out, 0xFF);
    for (const auto& sheet : sheets_) {
        std::string data(6, '\0');  // the offset, set when known; visible; a worksheet
        BiffWriter::shortString(data, sheet->name);
        BiffWriter::header(out, BoundSheet, data.size());
        sheetOffsets.push_back(out.size());
        out += data;
    }
    // A sheet made by CREATE TABLE is also a range of its name, so the table is found by its
    // name without the $.
    const auto named = [](const auto& sheet) { return sheet->named > 0; };
    if (std::any_of(sheets_.begin(), sheets_.end(), named)) {
        BiffWriter::header(out, SupportingBook, 4);
        BiffWriter::u16(out, static_cast<std::uint16_t>(sheets_.size()));
        BiffWriter::u16(out, SelfReference);
        BiffWriter::header(out, ExternSheet, 2 + 6 * sheets_.size());
        BiffWriter::u16(out, static_cast<std::uint16_t>(sheets_.size()));
        for (std::size_t i = 0; i < sheets_.size(); ++i) {
            BiffWriter::u16(out, 0);
            BiffWriter::u16(out, static_cast<std::uint16_t>(i));
            BiffWriter::u16(out, static_cast<std::uint16_t>(i));
        }
        for (std::size_t i = 0; i < sheets_.size(); ++i) {
            if (named(sheets_[i])) {
                nameRecord(out, sheets_[i]->name, static_cast<std::uint16_t>(i), sheets_[i]->named);
            }
        }
    }
    return out;
}

void XlsPackage::save() {
    if (!changed_) {
        return;
    }
    std::vector<std::size_t> offsets;
    std::string head = globals(offsets);
    const std::size_t stringsAt = head.size();
    std::uint64_t size = head.size() + strings_.size() + HeaderSize;
    for (std::size_t i = 0; i < sheets_.size(); ++i) {
        BiffWriter::set32(head, offsets[i], static_cast<std::uint32_t>(size));
        size += SheetHead + sheets_[i]->cells.size() + SheetTail;
    }
    FileReplacement replacement(path_);
    CompoundFileWriter::write(
        replacement.temporary(), "Workbook", size, [&](const CompoundFileWriter::Sink& out) {
            out(head);
            strings_.write(out, stringsAt);
            std::string bytes;
            BiffWriter::header(bytes, EndOfStream, 0);
            out(bytes);
            for (const auto& sheet : sheets_) {
                bytes.clear();
                beginOfStream(bytes, WorksheetKind);
                BiffWriter::header(bytes, Dimensions, 14);
                BiffWriter::u32(bytes, 0);
                BiffWriter::u32(bytes, static_cast<std::uint32_t>(sheet->rows));
                BiffWriter::u16(bytes, 0);
                BiffWriter::u16(bytes, static_cast<std::uint16_t>(sheet->columns));
                BiffWriter::u16(bytes, 0);
                out(bytes);
                sheet->cells.copyTo(out);
                bytes.clear();
                BiffWriter::header(bytes, Window2, 18);
                // Grid, headings, zeros and outline shown; the first sheet selected and shown.
                BiffWriter::u16(bytes, &sheet == &sheets_.front() ? 0x06B6 : 0x00B6);
                BiffWriter::u32(bytes, 0);
                BiffWriter::u32(bytes, 0x40);
                BiffWriter::u32(bytes, 0);
                BiffWriter::u32(bytes, 0);
                BiffWriter::header(bytes, EndOfStream, 0);
                out(bytes);
            }
        });
    replacement.commit();
    changed_ = false;
}

}  // namespace kiv::db::excel
