#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "PeakMemory.h"
#include "db/cells/ReaderProcess.h"
#include "db/excel/CellRange.h"
#include "db/excel/NumberFormat.h"
#include "db/excel/SheetSpool.h"
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

// Every row of a worksheet part, by position.
std::vector<std::vector<Cell>> rowsOf(XmlStream& stream, const XlsxSheet::Dictionary& dictionary,
                                      const std::string& name = "S") {
    std::vector<std::vector<Cell>> rows;
    XlsxSheet sheet(stream, dictionary, name);
    while (sheet.next()) {
        if (!sheet.cells().empty()) {
            rows.resize(sheet.row() + 1);
            rows.back() = sheet.cells();
        }
    }
    return rows;
}

// The failure reading a worksheet part, "" for none.
std::string failureOf(const std::string& xml) {
    try {
        XmlStream stream(xml);
        rowsOf(stream, XlsxSheet::Dictionary{}, "S");
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "";
}

TEST(ExcelXlsxSheet, CellsOfEveryKind) {
    const XlsxSheet::Dictionary dictionary{
        {"shared", "other"},
        {NumberFormat::Kind::Number, NumberFormat::Kind::Date, NumberFormat::Kind::Currency}};
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
    const auto rows = rowsOf(stream, dictionary);
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
    sent.sheets.push_back(Workbook::Sheet{"Data", {{}, {Cell::ofText("a"), Cell()}}, nullptr});
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

// A sheet is read row by row: two million cells take the memory of a row.
TEST(ExcelXlsxSheet, ManyRowsAreReadHoldingOneRow) {
    const XlsxSheet::Dictionary dictionary;
    resetPeakMemory();
    const std::size_t before = peakMemory();
    XmlStream stream(generatedSheet(200000));
    XlsxSheet sheet(stream, dictionary, "Numbers");
    std::size_t rows = 0;
    double sum = 0;
    while (sheet.next()) {
        ASSERT_EQ(sheet.row(), rows);
        ASSERT_EQ(sheet.cells().size(), 10u);
        sum += sheet.cells()[9].number;
        ++rows;
    }
    EXPECT_EQ(rows, 200000u);
    EXPECT_EQ(sum, 200000.0 * 200001 / 2 * 10 + 9.0 * 200000);
    [[maybe_unused]] const std::size_t growth = peakMemory() - before;
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(growth, std::size_t{8} << 20);
#endif
}

// The rows of a spool come back as they went in, to any number of readers at once, from memory
// and from the temporary file, texts longer than a piece read included.
TEST(ExcelSheetSpool, RowsComeBackAsTheyWentIn) {
    const auto spool = std::make_shared<SheetSpool>("Data");
    const auto rowAt = [](std::size_t row) {
        std::vector<Cell> cells(row % 4);
        if (row % 4 > 0) {
            cells.back() = row % 1000 == 3 ? Cell::ofText(std::string(200000 + row, 'x'))
                                           : Cell::ofText("text " + std::to_string(row));
            cells.front() = Cell::ofNumber(static_cast<double>(row) / 4, Cell::Kind::Currency);
        }
        return cells;
    };
    for (std::size_t row = 0; row < 100000; row += 3) {
        spool->add(row, rowAt(row));
    }
    SheetSpool::Reader first(spool);
    SheetSpool::Reader second(spool);
    std::size_t rows = 0;
    for (std::size_t row = 0; row < 100000; row += 3, ++rows) {
        ASSERT_TRUE(first.next());
        ASSERT_TRUE(second.next());
        ASSERT_EQ(first.row(), row);
        const std::vector<Cell> expected = rowAt(row);
        ASSERT_EQ(first.cells().size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(first.cells()[i].kind, expected[i].kind) << row;
            ASSERT_EQ(first.cells()[i].display(), expected[i].display()) << row;
            ASSERT_EQ(second.cells()[i].display(), expected[i].display()) << row;
        }
    }
    EXPECT_FALSE(first.next());
    EXPECT_FALSE(second.next());
    EXPECT_EQ(rows, 33334u);
}

// Rows come in order, within the rows and columns a worksheet has; rows without cells may be
// anywhere.
TEST(ExcelXlsxSheet, RowsOutOfOrderOrBeyondTheSheetAreErrors) {
    const auto sheet = [](const std::string& rows) {
        return "<worksheet><sheetData>" + rows + "</sheetData></worksheet>";
    };
    EXPECT_EQ(
        failureOf(sheet("<row r=\"3\"><c><v>1</v></c></row><row r=\"2\"><c><v>2</v></c></row>")),
        "row 2 of the sheet S comes after row 3");
    EXPECT_EQ(
        failureOf(sheet("<row r=\"3\"><c><v>1</v></c></row><row r=\"3\"><c><v>2</v></c></row>")),
        "row 3 of the sheet S comes after row 3");
    EXPECT_EQ(failureOf(sheet("<row r=\"1048577\"><c><v>1</v></c></row>")),
              "the sheet S has a row beyond row 1048576, the last a worksheet has");
    EXPECT_EQ(failureOf(sheet("<row><c r=\"XFE1\"><v>1</v></c></row>")),
              "the sheet S has a cell beyond column XFD, the last a worksheet has");
    EXPECT_EQ(failureOf(sheet("<row r=\"5\"/><row r=\"2\"/><row r=\"99999999\"/>"
                              "<row r=\"1\"><c><v>1</v></c></row><row r=\"1048576\"><c "
                              "r=\"XFD1048576\"><v>1</v></c></row>")),
              "");
    // A row without its number takes its first cell's.
    const std::string numbered =
        sheet("<row><c r=\"B4\"><v>1</v></c><c><v>2</v></c></row><row><c><v>3</v></c></row>");
    XmlStream stream(numbered);
    const auto rows = rowsOf(stream, XlsxSheet::Dictionary{});
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[3].size(), 3u);
    EXPECT_EQ(rows[3][2].number, 2);
    EXPECT_EQ(rows[4][0].number, 3);
}

}  // namespace
}  // namespace kiv::db::excel
