#include <sys/stat.h>

#include <ctime>

#include "base/Variant.h"
#include "db/cells/FileSourceFixture.h"
#include "db/excel/XlsxBuilder.h"

namespace kiv::db::testing {
namespace {

class ExcelRead : public FileSourceFixture {
protected:
    void openWorkbook(const std::string& file, const std::string& properties = "Excel 8.0;") {
        open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file + ";Extended Properties=\"" +
             properties + "\"");
    }

    // A workbook of two sheets and a named range; the people's data start at B3.
    std::string peopleWorkbook(const std::string& name = "people.xlsx") {
        XlsxBuilder book(folder_.file(name));
        lxw_worksheet* people = book.sheet("People");
        lxw_format* date = book.format("yyyy-mm-dd");
        lxw_format* money = book.format("\"$\"#,##0.00");
        const char* headers[] = {"Name", "Age", "Born", "Paid", "Member"};
        for (int column = 0; column < 5; ++column) {
            worksheet_write_string(people, 2, 1 + column, headers[column], nullptr);
        }
        worksheet_write_string(people, 3, 1, "Ann", nullptr);
        worksheet_write_number(people, 3, 2, 34, nullptr);
        lxw_datetime born{1990, 5, 17, 0, 0, 0};
        worksheet_write_datetime(people, 3, 3, &born, date);
        worksheet_write_number(people, 3, 4, 12.5, money);
        worksheet_write_boolean(people, 3, 5, 1, nullptr);
        worksheet_write_string(people, 4, 1, "Bob", nullptr);
        worksheet_write_number(people, 4, 2, 41.5, nullptr);
        lxw_datetime bornAt{1983, 1, 2, 6, 30, 0};
        worksheet_write_datetime(people, 4, 3, &bornAt, date);
        worksheet_write_number(people, 4, 4, 7, money);
        worksheet_write_boolean(people, 4, 5, 0, nullptr);
        lxw_worksheet* other = book.sheet("Other Sheet");
        worksheet_write_string(other, 0, 0, "Code", nullptr);
        worksheet_write_string(other, 1, 0, "x", nullptr);
        book.name("Adults", "=People!$B$3:$C$5");
        book.name("Codes", "='Other Sheet'!$A$1:$A$2");
        book.name("People!Local", "=People!$B$3:$B$4");
        book.name("Rate", "=0.96");
        return book.close();
    }
};

TEST_F(ExcelRead, SheetsAndNamedRangesAreTables) {
    const std::string file = peopleWorkbook();
    openWorkbook(file);
    EXPECT_EQ(connection_->Provider(), "Kiv.Excel");
    EXPECT_EQ(tables(), (std::vector<std::string>{"Adults:TABLE", "Codes:TABLE",
                                                  "Other Sheet$:TABLE", "People$:TABLE"}));
    Catalog catalog;
    catalog.ActiveConnection(connection_);
    const auto table = catalog.Tables().Item("People$");
    ASSERT_TRUE(table);
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    std::tm local{};
    localtime_r(&info.st_mtime, &local);
    const double expected =
        Variant::serialFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                 local.tm_hour, local.tm_min, local.tm_sec);
    EXPECT_DOUBLE_EQ(table->DateModified().toDate(), expected);
    EXPECT_EQ(table->DateCreated().toDate(), table->DateModified().toDate());
    EXPECT_EQ(rows("SELECT Code FROM [Other Sheet$]"), (Rows{{"x"}}));
    EXPECT_EQ(rows("SELECT Code FROM ['Other Sheet$']"), (Rows{{"x"}}));
    EXPECT_EQ(rows("SELECT * FROM Codes"), (Rows{{"x"}}));
}

TEST_F(ExcelRead, DataStartAtTheUpperLeftCellAndTypesComeFromTheCells) {
    openWorkbook(peopleWorkbook());
    EXPECT_EQ(fields("SELECT * FROM [People$]"),
              (std::vector<std::string>{"Name 202 255", "Age 5 8", "Born 7 8", "Paid 6 8",
                                        "Member 11 2"}));
    EXPECT_EQ(query("SELECT Age FROM [People$]")->Fields().Item(0L)->Precision(), 15);
    EXPECT_EQ(rows("SELECT * FROM [People$] ORDER BY Name"),
              (Rows{{"Ann", "34", "1990-05-17", "12.5", "True"},
                    {"Bob", "41.5", "1983-01-02 06:30:00", "7", "False"}}));
    EXPECT_EQ(
        kinds("SELECT Name, Age, Born, Paid, Member FROM [People$]"),
        (std::vector<Variant::Kind>{Variant::Kind::Text, Variant::Kind::Double, Variant::Kind::Date,
                                    Variant::Kind::Currency, Variant::Kind::Boolean}));
    EXPECT_EQ(rows("SELECT Name, Age FROM Adults WHERE Age > 40"), (Rows{{"Bob", "41.5"}}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM [People$] p JOIN Adults a ON p.Name = a.Name"),
              (Rows{{"2"}}));
}

TEST_F(ExcelRead, WithoutHeaderEveryRowIsData) {
    const std::string file = peopleWorkbook();
    openWorkbook(file, "Excel 8.0;HDR=No;");
    EXPECT_EQ(rows("SELECT F1, F2 FROM [People$]"),
              (Rows{{"Name", "Age"}, {"Ann", "34"}, {"Bob", "41.5"}}));
    EXPECT_EQ(fields("SELECT F1, F2 FROM [People$]"),
              (std::vector<std::string>{"F1 202 255", "F2 202 255"}));
}

TEST_F(ExcelRead, MixedColumnsAreTextAndNoValueIsLost) {
    XlsxBuilder book(folder_.file("mixed.xlsx"));
    lxw_worksheet* sheet = book.sheet("Data");
    worksheet_write_string(sheet, 0, 0, "Mixed", nullptr);
    worksheet_write_string(sheet, 0, 1, "Late", nullptr);
    worksheet_write_string(sheet, 0, 2, "Long", nullptr);
    worksheet_write_number(sheet, 1, 0, 1.5, nullptr);
    worksheet_write_string(sheet, 2, 0, "two", nullptr);
    worksheet_write_boolean(sheet, 3, 0, 1, nullptr);
    lxw_datetime day{2020, 2, 29, 0, 0, 0};
    worksheet_write_datetime(sheet, 4, 0, &day, book.format("d/m/yyyy"));
    for (int row = 1; row <= 8; ++row) {
        worksheet_write_number(sheet, row, 1, row, nullptr);
    }
    worksheet_write_string(sheet, 9, 1, "nine", nullptr);
    worksheet_write_string(sheet, 1, 2, std::string(300, 'x').c_str(), nullptr);
    openWorkbook(book.close());
    EXPECT_EQ(fields("SELECT * FROM [Data$]"),
              (std::vector<std::string>{"Mixed 202 255", "Late 5 8", "Long 203 2147483647"}));
    EXPECT_EQ(rows("SELECT Mixed FROM [Data$] WHERE Mixed IS NOT NULL"),
              (Rows{{"1.5"}, {"two"}, {"True"}, {"2020-02-29"}}));
    EXPECT_EQ(kinds("SELECT Mixed FROM [Data$]"),
              (std::vector<Variant::Kind>{Variant::Kind::Text}));
    EXPECT_EQ(rows("SELECT Late FROM [Data$] WHERE rowid >= 7"), (Rows{{"8"}, {"nine"}}));
    EXPECT_EQ(rows("SELECT length(Long) FROM [Data$] WHERE Long IS NOT NULL"), (Rows{{"300"}}));
}

TEST_F(ExcelRead, WholeColumnsEmptySheetsAndRepeatedHeaders) {
    XlsxBuilder book(folder_.file("shapes.xlsx"));
    lxw_worksheet* data = book.sheet("Data");
    const char* headers[] = {"A", "", "a", "F4", "F4"};
    for (int column = 0; column < 5; ++column) {
        worksheet_write_string(data, 0, column, headers[column], nullptr);
        worksheet_write_number(data, 1, column, column, nullptr);
    }
    worksheet_write_number(data, 3, 0, 9, nullptr);
    book.sheet("Empty");
    book.name("FirstTwo", "=Data!$A:$B");
    openWorkbook(book.close());
    EXPECT_EQ(fields("SELECT * FROM [Data$]"),
              (std::vector<std::string>{"A 5 8", "F2 5 8", "F3 5 8", "F4 5 8", "F5 5 8"}));
    EXPECT_EQ(rows("SELECT A, F5 FROM [Data$]"),
              (Rows{{"0", "4"}, {"NULL", "NULL"}, {"9", "NULL"}}));
    EXPECT_EQ(rows("SELECT * FROM FirstTwo"), (Rows{{"0", "1"}, {"NULL", "NULL"}, {"9", "NULL"}}));
    EXPECT_EQ(fields("SELECT * FROM [Empty$]"), (std::vector<std::string>{"F1 202 255"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM [Empty$]"), (Rows{{"0"}}));
}

TEST_F(ExcelRead, DatesOfA1904Workbook) {
    XlsxBuilder book(folder_.file("mac.xlsx"));
    lxw_worksheet* sheet = book.sheet("Dates");
    worksheet_write_string(sheet, 0, 0, "Day", nullptr);
    // 2024-02-29 12:00 counted from 1904-01-01.
    worksheet_write_number(sheet, 1, 0, 43889.5, book.format("yyyy-mm-dd hh:mm"));
    worksheet_write_number(sheet, 2, 0, 0, book.format("yyyy-mm-dd"));
    const std::string file = book.close();
    XlsxBuilder::useDate1904(file);
    openWorkbook(file);
    EXPECT_EQ(rows("SELECT Day FROM [Dates$]"), (Rows{{"2024-02-29 12:00:00"}, {"1904-01-01"}}));
}

TEST_F(ExcelRead, InlineAndRichStrings) {
    XlsxBuilder book(folder_.file("inline.xlsx"), true);
    lxw_worksheet* sheet = book.sheet("S");
    worksheet_write_string(sheet, 0, 0, "Text", nullptr);
    worksheet_write_string(sheet, 1, 0, "inline \xC3\xA9t\xC3\xA9", nullptr);
    openWorkbook(book.close());
    EXPECT_EQ(rows("SELECT Text FROM [S$]"), (Rows{{"inline \xC3\xA9t\xC3\xA9"}}));

    XlsxBuilder rich(folder_.file("rich.xlsx"));
    lxw_worksheet* richSheet = rich.sheet("S");
    lxw_format* bold = rich.format("General");
    format_set_bold(bold);
    lxw_rich_string_tuple first{nullptr, const_cast<char*>("plain ")};
    lxw_rich_string_tuple second{bold, const_cast<char*>("bold")};
    lxw_rich_string_tuple* runs[] = {&first, &second, nullptr};
    worksheet_write_string(richSheet, 0, 0, "Text", nullptr);
    worksheet_write_rich_string(richSheet, 1, 0, runs, nullptr);
    openWorkbook(rich.close());
    EXPECT_EQ(rows("SELECT Text FROM [S$]"), (Rows{{"plain bold"}}));
}

TEST_F(ExcelRead, TheContentDecidesNotTheExtension) {
    const std::string xlsx = peopleWorkbook("people.xls");
    openWorkbook(xlsx);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM [People$]"), (Rows{{"2"}}));
    const std::string csv = folder_.write("export.xls", "Name,Age\r\nAnn,34\r\n");
    const Error error = errorOf([&] { openWorkbook(csv); });
    EXPECT_EQ(error.Description(),
              "[Kiv][Excel]The file '" + csv + "' is not an Excel workbook (.xls or .xlsx).");
}

}  // namespace
}  // namespace kiv::db::testing
