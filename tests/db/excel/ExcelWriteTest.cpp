#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unzip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "base/Variant.h"
#include "db/excel/WorkbookWriteFixture.h"
#include "db/excel/XlsxBuilder.h"

namespace kiv::db::testing {
namespace {

// Every entry of a zip archive by name: its compressed bytes and its inflated bytes.
struct Entry {
    std::string raw;
    std::string inflated;
    unsigned year = 0;  // of the time the entry is stamped with
    unsigned day = 0;   // of the month, from 1
};

std::map<std::string, Entry> entriesOf(const std::string& path) {
    std::map<std::string, Entry> entries;
    unzFile zip = unzOpen64(path.c_str());
    EXPECT_NE(zip, nullptr) << path;
    for (int more = unzGoToFirstFile(zip); more == UNZ_OK; more = unzGoToNextFile(zip)) {
        char name[512];
        unz_file_info64 info{};
        unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        Entry entry;
        entry.year = info.tmu_date.tm_year;
        entry.day = info.tmu_date.tm_mday;
        for (const int raw : {1, 0}) {
            int method = 0;
            int level = 0;
            unzOpenCurrentFile2(zip, &method, &level, raw);
            std::string& bytes = raw ? entry.raw : entry.inflated;
            char buffer[65536];
            int count = 0;
            while ((count = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) {
                bytes.append(buffer, static_cast<std::size_t>(count));
            }
            unzCloseCurrentFile(zip);
        }
        entries[name] = std::move(entry);
    }
    unzClose(zip);
    return entries;
}

class ExcelWrite : public WorkbookWriteFixture {
protected:
    // A workbook with a styled, formula-holding sheet of people from B3 on, a second sheet
    // and a named range over the people's names and ages.
    std::string peopleWorkbook() {
        XlsxBuilder book(folder_.file("people.xlsx"));
        lxw_worksheet* people = book.sheet("People");
        lxw_format* bold = book.format("0.00");
        const char* headers[] = {"Name", "Age", "Total"};
        for (int column = 0; column < 3; ++column) {
            worksheet_write_string(people, 2, 1 + column, headers[column], bold);
        }
        worksheet_write_string(people, 3, 1, "Ann", nullptr);
        worksheet_write_number(people, 3, 2, 34, bold);
        worksheet_write_formula_num(people, 3, 3, "=C4*2", nullptr, 68);
        lxw_worksheet* other = book.sheet("Other");
        worksheet_write_string(other, 0, 0, "Code", nullptr);
        worksheet_write_string(other, 1, 0, "x", nullptr);
        book.name("Adults", "=People!$B$3:$C$4");
        return book.close();
    }
};

TEST_F(ExcelWrite, CreateTableMakesANewWorkbookWhoseCellsKeepTheirTypes) {
    const std::string file = folder_.file("new.xlsx");
    openWorkbook(file);
    connection_->Execute(
        "CREATE TABLE [Orders] (Id INTEGER, Name TEXT(20), Born DATETIME, Paid CURRENCY, "
        "Member BIT)");
    EXPECT_EQ(tables(), (std::vector<std::string>{"Orders:TABLE", "Orders$:TABLE"}));
    auto orders = target("Orders$");
    add(*orders, {{"Id", 1L},
                  {"Name", "Ann & <Bo>"},
                  {"Born", Variant::fromDate(32980)},
                  {"Paid", Variant::fromCurrency(12.5)},
                  {"Member", true}});
    add(*orders, {{"Id", 2L},
                  {"Name", Variant::Null()},
                  {"Born", Variant::fromDate(30318.25)},
                  {"Paid", 7.0},
                  {"Member", false}});
    orders->Close();
    EXPECT_FALSE(std::ifstream(file).good()) << "nothing is written before the connection closes";
    closeConnection();
    for (const auto& [name, entry] : entriesOf(file)) {
        EXPECT_GE(entry.year, 2024u) << name;
        EXPECT_GE(entry.day, 1u) << name;
    }

    openWorkbook(file, adModeRead);
    EXPECT_EQ(tables(), (std::vector<std::string>{"Orders:TABLE", "Orders$:TABLE"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM Orders"), (Rows{{"2"}}));
    EXPECT_EQ(rows("SELECT * FROM [Orders$] ORDER BY Id"),
              (Rows{{"1", "Ann & <Bo>", "1990-04-17", "12.5", "True"},
                    {"2", "NULL", "1983-01-02 06:00:00", "7", "False"}}));
    EXPECT_EQ(fields("SELECT * FROM [Orders$]"),
              (std::vector<std::string>{"Id 5 8", "Name 202 255", "Born 7 8", "Paid 5 8",
                                        "Member 11 2"}));
}

TEST_F(ExcelWrite, RowsGoBelowTheDataAndUntouchedPartsStayByteForByte) {
    const std::string file = peopleWorkbook();
    const std::map<std::string, Entry> before = entriesOf(file);
    openWorkbook(file);
    auto people = target("People$");
    add(*people, {{"Name", "Bob"}, {"Age", 41.5}});
    people->Close();
    auto adults = target("Adults");
    add(*adults, {{"Name", "Cy"}, {"Age", 20L}});
    adults->Close();
    closeConnection();

    const std::map<std::string, Entry> after = entriesOf(file);
    ASSERT_EQ(before.size(), after.size());
    for (const auto& [name, entry] : before) {
        ASSERT_EQ(after.count(name), 1U) << name;
        if (name == "xl/worksheets/sheet1.xml") {
            const std::string& old = entry.inflated;
            const std::string& now = after.at(name).inflated;
            const std::size_t end = old.find("</sheetData>");
            EXPECT_EQ(now.substr(0, end), old.substr(0, end)) << "existing cells are kept";
            EXPECT_EQ(now.substr(now.find("</sheetData>")), old.substr(end));
        } else {
            EXPECT_EQ(after.at(name).raw, entry.raw) << name;
        }
    }
    openWorkbook(file, adModeRead);
    EXPECT_EQ(rows("SELECT * FROM [People$]"),
              (Rows{{"Ann", "34", "68"}, {"Bob", "41.5", "NULL"}, {"Cy", "20", "NULL"}}));
    EXPECT_EQ(rows("SELECT * FROM [Other$]"), (Rows{{"x"}}));
}

TEST_F(ExcelWrite, AWorkbookOfLibreOfficeReadsBackEqualThroughBothPrograms) {
    if (!hasLibreOffice()) {
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    }
    const std::string made = peopleWorkbook();
    ::mkdir(folder_.file("lo").c_str(), 0755);
    const std::string file = convert(made, "xlsx", folder_.file("lo"));
    const std::map<std::string, Entry> before = entriesOf(file);
    openWorkbook(file);
    auto people = target("People$");
    add(*people, {{"Name", "Bob \"the\" <builder>, & co"}, {"Age", 41.5}});
    add(*people, {{"Name", "Cy"}, {"Age", true}});
    add(*people, {{"Name", Variant::Null()}, {"Age", 7L}});
    people->Close();
    auto adults = target("Adults");
    add(*adults, {{"Name", "Di"}, {"Age", 20L}});
    adults->Close();
    connection_->Execute("UPDATE [People$] SET Age = 33 WHERE Name = 'Ann'");
    closeConnection();

    const std::map<std::string, Entry> after = entriesOf(file);
    ASSERT_EQ(before.size(), after.size());
    std::size_t changed = 0;
    for (const auto& [name, entry] : before) {
        ASSERT_EQ(after.count(name), 1U) << name;
        changed += after.at(name).raw == entry.raw ? 0 : 1;
        if (name != "xl/worksheets/sheet1.xml") {
            EXPECT_EQ(after.at(name).raw, entry.raw) << name;
        }
    }
    EXPECT_EQ(changed, 1U);

    openWorkbook(file, adModeRead);
    const Rows kiv = rows("SELECT * FROM [People$]");
    EXPECT_EQ(kiv, (Rows{{"Ann", "33", "68"},
                         {"Bob \"the\" <builder>, & co", "41.5", "NULL"},
                         {"Cy", "True", "NULL"},
                         {"NULL", "7", "NULL"},
                         {"Di", "20", "NULL"}}));
    EXPECT_EQ(rows("SELECT * FROM [Other$]"), (Rows{{"x"}}));
    closeConnection();
    ::mkdir(folder_.file("csv").c_str(), 0755);
    std::istringstream csv(bytesOf(convert(file, "csv", folder_.file("csv"))));
    std::vector<std::string> lines;
    for (std::string line; std::getline(csv, line);) {
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{",,,", ",,,", ",Name,Age,Total", ",Ann,33,68",
                                               ",\"Bob \"\"the\"\" <builder>, & co\",41.5,",
                                               ",Cy,TRUE,", ",,7,", ",Di,20,"}));
}

TEST_F(ExcelWrite, RefusalsSayWhatAndKeepTheRowsBefore) {
    const std::string file = peopleWorkbook();
    openWorkbook(file);
    EXPECT_EQ(errorOf([&] { connection_->Execute("DELETE FROM [People$]"); }).Description(),
              "[Kiv][Excel]Deleting data in a linked table is not supported by this ISAM.");
    EXPECT_EQ(errorOf([&] { connection_->Execute("CREATE TABLE [Other] (A TEXT)"); }).Description(),
              "[Kiv][Excel]Cannot create the sheet 'Other': the workbook has a sheet of that "
              "name already.");
    auto people = target("People$");
    add(*people, {{"Name", "Bob"}});
    people->AddNew();
    people->Fields().Item("Name")->Value(std::string(32768, 'x'));
    EXPECT_EQ(errorOf([&] { people->Update(); }).Description(),
              "[Kiv][Excel]Cannot add the row to People$: The value of column Name has 32768 "
              "characters; a cell of a workbook holds at most 32767.");
    people->CancelUpdate();
    people->Close();
    closeConnection();
    openWorkbook(file, adModeRead);
    EXPECT_EQ(rows("SELECT Name FROM [People$]"), (Rows{{"Ann"}, {"Bob"}}));
    EXPECT_NE(errorOf([&] { target("People$"); }).Description().find("is read-only"),
              std::string::npos);
}

TEST_F(ExcelWrite, InsertStatementsAddRows) {
    const std::string file = peopleWorkbook();
    openWorkbook(file);
    long affected = 0;
    connection_->Execute("INSERT INTO [People$] (Name, Age) VALUES ('Eve', 50), ('Fay', NULL)",
                         &affected);
    EXPECT_EQ(affected, 2);
    connection_->Execute("CREATE TABLE Copy (Name TEXT, Age DOUBLE)");
    connection_->Execute("INSERT INTO Copy SELECT Name, Age FROM [People$] WHERE Age > 30");
    closeConnection();
    openWorkbook(file, adModeRead);
    EXPECT_EQ(rows("SELECT Name, Age FROM [People$]"),
              (Rows{{"Ann", "34"}, {"Eve", "50"}, {"Fay", "NULL"}}));
    EXPECT_EQ(rows("SELECT * FROM [Copy$]"), (Rows{{"Ann", "34"}}));
}

TEST_F(ExcelWrite, UpdateChangesCellsAndKeepsTheirStyle) {
    const std::string file = peopleWorkbook();
    openWorkbook(file);
    long affected = 0;
    connection_->Execute("UPDATE [People$] SET Age = 35, Total = NULL WHERE Name = 'Ann'",
                         &affected);
    EXPECT_EQ(affected, 1);
    EXPECT_EQ(rows("SELECT * FROM [People$]"), (Rows{{"Ann", "35", "NULL"}}));
    connection_->Execute("UPDATE Adults SET Name = 'Anne'");
    closeConnection();
    const std::string sheet = entriesOf(file).at("xl/worksheets/sheet1.xml").inflated;
    EXPECT_NE(sheet.find("<c r=\"C4\" s=\""), std::string::npos) << sheet;
    EXPECT_EQ(sheet.find("<c r=\"D4\""), std::string::npos) << sheet;
    openWorkbook(file, adModeRead);
    EXPECT_EQ(rows("SELECT * FROM [People$]"), (Rows{{"Anne", "35", "NULL"}}));
}

TEST_F(ExcelWrite, AnXlsWorkbookOfAnotherProgramIsReadButNotWritten) {
    const std::string file = folder_.file("book.xls");
    std::filesystem::copy_file(
        std::filesystem::path(KIV_SOURCE_DIR) / "tests" / "data" / "workbook.xls", file);
    const std::string before = bytesOf(file);
    openWorkbook(file);
    const std::string description =
        errorOf([&] { connection_->Execute("CREATE TABLE [New] (A TEXT)"); }).Description();
    EXPECT_EQ(description, "[Kiv][Excel]The workbook '" + file +
                               "' is an existing .xls file, which can be read but not changed on "
                               "this platform (only a new .xls workbook is written); rows can be "
                               "added to a workbook in the .xlsx format; statements that change "
                               "data cannot run.");
    closeConnection();
    EXPECT_EQ(bytesOf(file), before);
    const std::string missing = folder_.file("missing.ods");
    EXPECT_EQ(errorOf([&] { openWorkbook(missing); }).Description(),
              "[Kiv][Excel]The workbook '" + missing +
                  "' does not exist; a new workbook is written in the .xlsx format when its name "
                  "ends in .xlsx, in the .xls format when it ends in .xls.");
}

TEST_F(ExcelWrite, DropTableClearsTheSheet) {
    const std::string file = peopleWorkbook();
    openWorkbook(file);
    connection_->Execute("DROP TABLE [Other$]");
    closeConnection();
    openWorkbook(file, adModeRead);
    EXPECT_EQ(tables(),
              (std::vector<std::string>{"Adults:TABLE", "Other$:TABLE", "People$:TABLE"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM [Other$]"), (Rows{{"0"}}));
}

TEST_F(ExcelWrite, AKilledLoadLeavesTheWorkbookAsItWas) {
    const std::string file = peopleWorkbook();
    const std::string before = bytesOf(file);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        openWorkbook(file);
        auto people = target("People$");
        for (long i = 0;; ++i) {
            add(*people, {{"Name", "row"}, {"Age", i}});
        }
    }
    ::usleep(300000);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(bytesOf(file), before);
}

}  // namespace
}  // namespace kiv::db::testing
