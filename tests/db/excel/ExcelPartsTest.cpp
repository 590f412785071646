#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "PeakMemory.h"
#include "db/cells/ReaderProcess.h"
#include "db/excel/CellRange.h"
#include "db/excel/NumberFormat.h"
#include "db/excel/WorkbookTransfer.h"
#include "db/excel/XlsxSheet.h"
#include "db/excel/XmlStream.h"

namespace kiv::db::excel {
namespace {

using cells::Cell;

std::string rangeText(const std::optional<CellRange>& range) {
    if (!range) {
        return "none";
    }
    const auto end = [](std::size_t value) {
        return value == CellRange::Unbounded ? std::string("*") : std::to_string(value);
    };
    return end(range->firstRow) + "," + end(range->firstColumn) + ":" + end(range->lastRow) + "," +
           end(range->lastColumn);
}

TEST(ExcelCellRange, ReferencesInA1Notation) {
    EXPECT_EQ(rangeText(CellRange::parse("B3")), "2,1:2,1");
    EXPECT_EQ(rangeText(CellRange::parse("$A$1:$C$10")), "0,0:9,2");
    EXPECT_EQ(rangeText(CellRange::parse("C10:A1")), "0,0:9,2");
    EXPECT_EQ(rangeText(CellRange::parse("AA1:XFD1048576")), "0,26:1048575,16383");
    EXPECT_EQ(rangeText(CellRange::parse("$B:$D")), "0,1:*,3");
    EXPECT_EQ(rangeText(CellRange::parse("2:5")), "1,0:4,*");
    for (const char* wrong :
         {"", "A", "A0", "1", "A1:B", "ABCD1", "A1B", "A12345678", "A1:B2:C3"}) {
        EXPECT_EQ(rangeText(CellRange::parse(wrong)), "none") << wrong;
    }
}

TEST(ExcelCellRange, ReferencesWithTheirSheet) {
    std::string sheet;
    EXPECT_EQ(rangeText(CellRange::parseOnSheet("=Sheet1!$A$1:$B$2", sheet)), "0,0:1,1");
    EXPECT_EQ(sheet, "Sheet1");
    EXPECT_EQ(rangeText(CellRange::parseOnSheet("'Bob''s data'!A2", sheet)), "1,0:1,0");
    EXPECT_EQ(sheet, "Bob's data");
    for (const char* wrong : {"0.96", "Sheet1!A1,Sheet1!B2", "[1]Sheet1!A1", "#REF!", "!A1",
                              "Sheet1!#REF!", "SUM(Sheet1!A1:A2)"}) {
        EXPECT_EQ(rangeText(CellRange::parseOnSheet(wrong, sheet)), "none") << wrong;
    }
}

TEST(ExcelNumberFormat, DatesMoneyAndNumbers) {
    using Kind = NumberFormat::Kind;
    EXPECT_EQ(NumberFormat::ofBuiltin(0), Kind::Number);
    EXPECT_EQ(NumberFormat::ofBuiltin(14), Kind::Date);
    EXPECT_EQ(NumberFormat::ofBuiltin(22), Kind::Date);
    EXPECT_EQ(NumberFormat::ofBuiltin(46), Kind::Date);
    EXPECT_EQ(NumberFormat::ofBuiltin(7), Kind::Currency);
    EXPECT_EQ(NumberFormat::ofBuiltin(44), Kind::Currency);
    EXPECT_EQ(NumberFormat::ofBuiltin(4), Kind::Number);
    for (const char* date : {"yyyy-mm-dd", "d/m/yy h:mm", "[h]:mm:ss", "mmm yyyy;@",
                             "[$-409]dddd, mmmm dd, yyyy", "hh:mm AM/PM"}) {
        EXPECT_EQ(NumberFormat::ofCode(date), Kind::Date) << date;
    }
    for (const char* money : {"\"$\"#,##0.00", "$#,##0_);($#,##0)", "[$\xE2\x82\xAC-407] #,##0.00",
                              "#,##0.00 \"\xE2\x82\xAC\"", "\xC2\xA3#,##0"}) {
        EXPECT_EQ(NumberFormat::ofCode(money), Kind::Currency) << money;
    }
    for (const char* number : {"General", "0.00", "#,##0", "0.00E+00", "0%", "@", "0 \"days\"",
                               "[Red]0.00", "[Magenta][<0]0.0", "[$-409]#,##0"}) {
        EXPECT_EQ(NumberFormat::ofCode(number), Kind::Number) << number;
    }
}

TEST(ExcelXlsxSheet, CellsOfEveryKind) {
    const std::vector<std::string> strings = {"shared", "other"};
    const std::vector<NumberFormat::Kind> styles = {
        NumberFormat::Kind::Number, NumberFormat::Kind::Date, NumberFormat::Kind::Currency};
    const std::string xml =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<sheetData><row r=\"2\"><c r=\"B2\" t=\"s\"><v>1</v></c><c r=\"C2\"><v>2.5</v></c>"
        "<c r=\"D2\" s=\"1\"><v>45351.25</v></c><c r=\"E2\" s=\"2\"><v>9.99</v></c>"
        "<c r=\"F2\" t=\"b\"><v>1</v></c><c r=\"G2\" t=\"e\"><v>#N/A</v></c>"
        "<c r=\"H2\" t=\"str\"><f>A1&amp;\"x\"</f><v>fx</v></c>"
        "<c r=\"I2\" t=\"inlineStr\"><is><r><t>a</t></r><r><t xml:space=\"preserve\"> b</t></r>"
        "<rPh><t>guide</t></rPh></is></c><c r=\"J2\" s=\"1\"><v>30</v></c><c r=\"K2\"/></row>"
        "<row><c><v>7</v></c></row></sheetData></worksheet>";
    XmlStream stream(xml);
    const auto rows = XlsxSheet::read(stream, XlsxSheet::Context{strings, styles, false});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[0].empty());
    const std::vector<Cell>& cells = rows[1];
    ASSERT_EQ(cells.size(), 10u);
    EXPECT_TRUE(cells[0].blank());
    EXPECT_EQ(cells[1].display(), "other");
    EXPECT_EQ(cells[2].kind, Cell::Kind::Number);
    EXPECT_EQ(cells[2].number, 2.5);
    EXPECT_EQ(cells[3].kind, Cell::Kind::Date);
    EXPECT_EQ(cells[3].display(), "2024-02-29 06:00:00");
    EXPECT_EQ(cells[4].kind, Cell::Kind::Currency);
    EXPECT_EQ(cells[5].display(), "True");
    EXPECT_TRUE(cells[6].blank());
    EXPECT_EQ(cells[7].display(), "fx");
    EXPECT_EQ(cells[8].display(), "a b");
    // Days before March 1900 are one short in the spreadsheet's count.
    EXPECT_EQ(cells[9].display(), "1900-01-30");
    EXPECT_EQ(rows[2].size(), 1u);
    EXPECT_EQ(rows[2][0].number, 7);
}

// A part that cannot be decoded fails with the stream's message; libxml2 prints nothing to the
// terminal on its own.
TEST(ExcelXmlStream, UndecodableBytesFailWithoutWritingToStandardError) {
    const std::string xml = std::string("<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?><a>") +
                            "\x1b$B\xff\xff\xff\xff</a>";
    testing::internal::CaptureStderr();
    std::string failure;
    try {
        XmlStream stream(xml);
        while (stream.next()) {
        }
    } catch (const std::runtime_error& error) {
        failure = error.what();
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(failure.find("not well-formed"), std::string::npos) << failure;
}

TEST(ExcelXlsxSheet, DateSystems) {
    EXPECT_EQ(XlsxSheet::dateSerial(1, false), 2);      // 1900-01-01
    EXPECT_EQ(XlsxSheet::dateSerial(61, false), 61);    // 1900-03-01
    EXPECT_EQ(XlsxSheet::dateSerial(0.5, false), 0.5);  // a time of day alone
    EXPECT_EQ(XlsxSheet::dateSerial(0, true), 1462);    // 1904-01-01
}

TEST(ExcelWorkbookTransfer, AWorkbookComesOverWholeAndMalformedDataIsAnError) {
    Workbook sent;
    sent.sheets.push_back(Workbook::Sheet{"Data", {{}, {Cell::ofText("a"), Cell()}}});
    sent.sheets[0].rows[1].push_back(Cell::ofNumber(45351.25, Cell::Kind::Date));
    sent.names.push_back(Workbook::Name{"Range", 0, CellRange{1, 0, 1, 2}});
    cells::ReaderProcess reader(
        [&](cells::ReaderProcess::Output& output) { WorkbookTransfer::send(sent, output); }, {});
    const Workbook received = WorkbookTransfer::receive(reader);
    ASSERT_EQ(received.sheets.size(), 1u);
    EXPECT_EQ(received.sheets[0].name, "Data");
    ASSERT_EQ(received.sheets[0].rows.size(), 2u);
    EXPECT_TRUE(received.sheets[0].rows[0].empty());
    ASSERT_EQ(received.sheets[0].rows[1].size(), 3u);
    EXPECT_EQ(received.sheets[0].rows[1][0].text, "a");
    EXPECT_TRUE(received.sheets[0].rows[1][1].blank());
    EXPECT_EQ(received.sheets[0].rows[1][2].display(), "2024-02-29 06:00:00");
    ASSERT_EQ(received.names.size(), 1u);
    EXPECT_EQ(received.names[0].range.lastColumn, 2u);

    cells::ReaderProcess malformed(
        [](cells::ReaderProcess::Output& output) {
            output.put(std::string("\1\0\0\0\1\0\0\0S\1\0\0\0\1\0\0\0\x63", 18));
        },
        {});
    try {
        WorkbookTransfer::receive(malformed);
        ADD_FAILURE() << "malformed data were taken";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(),
                     "the file is damaged or not supported: the reader sent malformed data");
    }
}

// A worksheet part of `rows` rows of ten numbers, made as it is read.
XmlStream::Source generatedSheet(std::size_t rows) {
    return [rows, row = std::size_t{0}, pending = std::string("<worksheet><sheetData>"),
            taken = std::size_t{0}](char* buffer, std::size_t size) mutable {
        if (taken == pending.size()) {
            taken = 0;
            pending.clear();
            if (row < rows) {
                pending = "<row r=\"" + std::to_string(++row) + "\">";
                for (int column = 0; column < 10; ++column) {
                    pending += "<c><v>" + std::to_string(row * 10 + column) + "</v></c>";
                }
                pending += "</row>";
            } else if (row == rows) {
                pending = "</sheetData></worksheet>";
                ++row;
            }
        }
        const std::size_t count = std::min(size, pending.size() - taken);
        std::memcpy(buffer, pending.data() + taken, count);
        taken += count;
        return count;
    };
}

// The cells of a workbook opened for writing are held, up to a bound: a sheet beyond it is refused
// before the memory it would take is taken.
TEST(ExcelSheetPart, TheCellsHeldAreBounded) {
    const std::vector<std::string> strings;
    const std::vector<NumberFormat::Kind> styles;
    XlsxSheet::Context context{strings, styles, false, std::size_t{16} << 20};
    XmlStream small(generatedSheet(1000));
    EXPECT_EQ(XlsxSheet::read(small, context).size(), 1000U);
    EXPECT_GE(context.heldBytes, 1000U * 10 * sizeof(Cell));
    EXPECT_LT(context.heldBytes, 1000U * 10 * (sizeof(Cell) + 8));

    resetPeakMemory();
    const std::size_t before = peakMemory();
    XmlStream large(generatedSheet(1000000));
    try {
        XlsxSheet::read(large, context);
        ADD_FAILURE() << "a sheet of ten million cells was held";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(),
                     "its worksheets hold more cells than the 16 MiB kept in memory to write "
                     "to the workbook; a workbook opened only for reading is read row by row");
    }
    [[maybe_unused]] const std::size_t growth = peakMemory() - before;
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(growth, std::size_t{48} << 20);
#endif
}

}  // namespace
}  // namespace kiv::db::excel
