#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "db/ConnectString.h"
#include "db/cells/CellTable.h"
#include "db/cells/FileSource.h"
#include "db/excel/BiffDetails.h"
#include "db/excel/CompoundFile.h"
#include "db/excel/HeldSheet.h"
#include "db/excel/SheetTableBuilder.h"
#include "db/excel/Workbook.h"

namespace kiv::db::excel {
namespace {

using cells::Cell;
using cells::CellColumn;
using cells::CellTable;
using cells::FileSource;

std::string fixtureBytes(const std::string& name) {
    const auto path = std::filesystem::path(KIV_SOURCE_DIR) / "tests" / "data" / name;
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> namesOf(const std::vector<CellColumn>& columns) {
    std::vector<std::string> names;
    for (const CellColumn& column : columns) {
        names.push_back(column.name);
    }
    return names;
}

std::vector<std::string> typesOf(const CellTable& table) {
    std::vector<std::string> types;
    for (const CellColumn& column : table.columns()) {
        types.push_back(column.declaredType());
    }
    return types;
}

TEST(ExcelPieces, ColumnNamesFromAHeaderRow) {
    const CellTable::Row header = {Cell::ofText(" Id "), Cell::ofNumber(2024), Cell(),
                                   Cell::ofText("ID"), Cell::ofText("F5")};
    EXPECT_EQ(namesOf(CellTable::namedColumns(&header, 6)),
              (std::vector<std::string>{"Id", "2024", "F3", "F4", "F5", "F6"}));
    const CellTable::Row taken = {Cell::ofText("F2"), Cell()};
    EXPECT_EQ(namesOf(CellTable::namedColumns(&taken, 2)),
              (std::vector<std::string>{"F2", "F2_2"}));
    EXPECT_EQ(namesOf(CellTable::namedColumns(nullptr, 0)), (std::vector<std::string>{"F1"}));
}

TEST(ExcelPieces, TheUsedRangeOfASheet) {
    Workbook::Sheet sheet;
    EXPECT_FALSE(sheet.usedRange());
    sheet.rows.resize(5);
    sheet.rows[1] = {Cell(), Cell(), Cell::ofText("x")};
    sheet.rows[3] = {Cell(), Cell::ofNumber(1), Cell(), Cell::ofNumber(2)};
    sheet.rows[4] = {Cell()};
    const std::optional<CellRange> used = sheet.usedRange();
    ASSERT_TRUE(used);
    EXPECT_EQ(used->firstRow, 1u);
    EXPECT_EQ(used->lastRow, 3u);
    EXPECT_EQ(used->firstColumn, 1u);
    EXPECT_EQ(used->lastColumn, 3u);
}

TEST(ExcelPieces, ColumnTypesFromTheFirstEightDataRows) {
    Workbook::Sheet sheet{"S", {}, nullptr};
    sheet.rows.push_back({Cell::ofText("Money"), Cell::ofText("Numbers"), Cell::ofText("Flags"),
                          Cell::ofText("Short"), Cell::ofText("Long"), Cell::ofText("Late")});
    for (int row = 0; row < 9; ++row) {
        sheet.rows.push_back(
            {Cell::ofNumber(row, Cell::Kind::Currency),
             Cell::ofNumber(row, row % 2 ? Cell::Kind::Currency : Cell::Kind::Number),
             Cell::ofNumber(row % 2, Cell::Kind::Boolean), Cell::ofText(std::string(255, 'a')),
             Cell(), Cell::ofNumber(row)});
    }
    sheet.rows[1][4] = Cell::ofText(std::string(256, 'b'));
    sheet.rows[9][5] = Cell::ofText("ninth");  // beyond the rows that set the type
    const auto table = SheetTableBuilder::build("S$", HeldSheet(sheet), sheet.usedRange(), true);
    EXPECT_EQ(typesOf(*table), (std::vector<std::string>{"CURRENCY", "DOUBLE", "BIT",
                                                         "NVARCHAR(255)", "NTEXT", "DOUBLE"}));
    EXPECT_EQ(table->rowCount(), 9u);
}

TEST(ExcelPieces, TheHeaderOptionInEitherPlace) {
    EXPECT_FALSE(FileSource::firstRowHasNames(
        ConnectString("Data Source=a.xls;Extended Properties=\"Excel 8.0;HDR=No;IMEX=1\""), true));
    EXPECT_FALSE(FileSource::firstRowHasNames(
        ConnectString("Data Source=a.xls;Extended Properties=Excel 8.0;HDR=NO;"), true));
    EXPECT_TRUE(FileSource::firstRowHasNames(
        ConnectString("Extended Properties=\"HTML Import;HDR=YES;\""), false));
    EXPECT_TRUE(
        FileSource::firstRowHasNames(ConnectString("Extended Properties=Excel 8.0;"), true));
    EXPECT_FALSE(
        FileSource::firstRowHasNames(ConnectString("Extended Properties=\"HTML Import\""), false));
}

TEST(ExcelPieces, WhatTheWorkbookStreamTellsBeyondTheValues) {
    const std::optional<std::string> stream =
        CompoundFile(fixtureBytes("workbook.xls")).stream("workbook");
    ASSERT_TRUE(stream);
    const BiffDetails details = BiffDetails::read(*stream);
    ASSERT_EQ(details.names.size(), 1u);
    EXPECT_EQ(details.names[0].name, "Adults");
    EXPECT_EQ(details.names[0].sheet, "People");
    EXPECT_EQ(details.names[0].range.firstRow, 1u);
    EXPECT_EQ(details.names[0].range.firstColumn, 1u);
    EXPECT_EQ(details.names[0].range.lastRow, 3u);
    EXPECT_EQ(details.names[0].range.lastColumn, 2u);
    ASSERT_EQ(details.sheets.size(), 2u);
    using Kinds = std::map<std::pair<std::size_t, std::size_t>, Cell::Kind>;
    EXPECT_EQ(details.sheets[0].kinds, (Kinds{{{2, 4}, Cell::Kind::Currency},
                                              {{2, 5}, Cell::Kind::Boolean},
                                              {{3, 4}, Cell::Kind::Currency},
                                              {{3, 5}, Cell::Kind::Boolean}}));
    EXPECT_TRUE(details.sheets[1].kinds.empty());
}

TEST(ExcelPieces, DamagedCompoundFiles) {
    EXPECT_THROW(CompoundFile("PK\x03\x04 not a compound file"), std::runtime_error);
    std::string bytes = fixtureBytes("repeated.xls");
    ASSERT_GT(bytes.size(), 8192u);
    const std::string whole = bytes;
    bytes.resize(bytes.size() / 2);
    EXPECT_THROW(CompoundFile(bytes).stream("Workbook"), std::runtime_error);
    EXPECT_FALSE(CompoundFile(whole).stream("NoSuchStream"));
    EXPECT_THROW(BiffDetails::read(CompoundFile(whole).stream("Workbook")->substr(0, 1000)),
                 std::runtime_error);
}

// A mini stream whose table has no sectors: its streams are damaged, nothing is read from
// nowhere.
TEST(ExcelPieces, ACompoundFileWithoutAMiniStreamTable) {
    std::string bytes = fixtureBytes("workbook.xls");
    bytes.replace(0x3C, 4, "\xFF\xFF\xFF\xFF");
    EXPECT_THROW(CompoundFile(bytes).stream("Workbook"), std::runtime_error);
}

}  // namespace
}  // namespace kiv::db::excel
