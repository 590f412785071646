#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "base/Variant.h"
#include "db/excel/WorkbookWriteFixture.h"

namespace kiv::db::testing {
namespace {

constexpr std::string_view CompoundFileSignature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

class XlsWrite : public WorkbookWriteFixture {
protected:
    // The lines of the CSV file LibreOffice makes of the workbook's first sheet.
    std::vector<std::string> libreOfficeCsv(const std::string& file) {
        ::mkdir(folder_.file("csv").c_str(), 0755);
        std::istringstream csv(bytesOf(
            convert(file, "csv:Text - txt - csv (StarCalc):44,34,76", folder_.file("csv"))));
        std::vector<std::string> lines;
        for (std::string line; std::getline(csv, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    // A new workbook with the sheet Items of `count` rows (N, Text): N counts from 1 and Text
    // is `text` followed by N.
    void writeItems(const std::string& file, long count, const std::string& text) {
        openWorkbook(file);
        connection_->Execute("CREATE TABLE Items (N INTEGER, Text TEXT)");
        auto items = target("Items$");
        for (long n = 1; n <= count; ++n) {
            add(*items, {{"N", n}, {"Text", text + std::to_string(n)}});
        }
        items->Close();
        closeConnection();
    }
};

TEST_F(XlsWrite, ANewWorkbookHoldsEveryTypeAndReadsBackEqualThroughBothPrograms) {
    const std::string file = folder_.file("new.xls");
    openWorkbook(file);
    connection_->Execute(
        "CREATE TABLE [Orders] (Id INTEGER, Name TEXT(20), Born DATETIME, Paid CURRENCY, "
        "Member BIT)");
    connection_->Execute("CREATE TABLE [Other Sheet] (Code TEXT)");
    auto orders = target("Orders$");
    add(*orders, {{"Id", 1L},
                  {"Name", "Ann & \"Bo\", Zoë – 5 €"},
                  {"Born", Variant::fromDate(32980)},
                  {"Paid", Variant::fromCurrency(12.5)},
                  {"Member", true}});
    add(*orders, {{"Id", 2L},
                  {"Name", Variant::Null()},
                  {"Born", Variant::fromDate(30318.25)},
                  {"Paid", -7.125},
                  {"Member", false}});
    add(*orders, {{"Id", 3L}});  // the sheet stays as wide as its widest row
    orders->Close();
    connection_->Execute("INSERT INTO [Other Sheet] (Code) VALUES ('x'), ('日本')");
    EXPECT_FALSE(std::ifstream(file).good()) << "nothing is written before the connection closes";
    closeConnection();
    ASSERT_TRUE(bytesOf(file).starts_with(CompoundFileSignature));

    openWorkbook(file, adModeRead);
    EXPECT_EQ(tables(),
              (std::vector<std::string>{"Orders:TABLE", "Orders$:TABLE", "Other Sheet$:TABLE"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM Orders"), (Rows{{"3"}}));
    const Rows written{{"1", "Ann & \"Bo\", Zoë – 5 €", "1990-04-17", "12.5", "True"},
                       {"2", "NULL", "1983-01-02 06:00:00", "-7.125", "False"},
                       {"3", "NULL", "NULL", "NULL", "NULL"}};
    EXPECT_EQ(rows("SELECT * FROM [Orders$] ORDER BY Id"), written);
    EXPECT_EQ(fields("SELECT * FROM [Orders$]"),
              (std::vector<std::string>{"Id 5 8", "Name 202 255", "Born 7 8", "Paid 5 8",
                                        "Member 11 2"}));
    EXPECT_EQ(rows("SELECT * FROM ['Other Sheet$']"), (Rows{{"x"}, {"日本"}}));
    closeConnection();

    if (!hasLibreOffice()) {
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    }
    // LibreOffice shows the booleans of an .xls sheet as 1 and 0; they stay booleans (below).
    EXPECT_EQ(libreOfficeCsv(file),
              (std::vector<std::string>{"Id,Name,Born,Paid,Member",
                                        "1,\"Ann & \"\"Bo\"\", Zoë – 5 €\",1990-04-17,12.5,1",
                                        "2,,1983-01-02 06:00:00,-7.125,0", "3,,,,"}));
    ::mkdir(folder_.file("lo").c_str(), 0755);
    openWorkbook(convert(file, "xlsx", folder_.file("lo")), adModeRead);
    EXPECT_EQ(rows("SELECT * FROM [Orders$] ORDER BY Id"), written);
    EXPECT_EQ(rows("SELECT * FROM ['Other Sheet$']"), (Rows{{"x"}, {"日本"}}));
}

// Texts go on in CONTINUE records, a long one split between two records; a text that would
// need more is refused, as the program could not read it back.
TEST_F(XlsWrite, ManyAndLongTextsGoOnInContinueRecords) {
    const std::string file = folder_.file("texts.xls");
    std::string latin(8223, 'a');
    latin[8000] = 'b';
    std::string wide;
    for (int i = 0; i < 4111; ++i) {
        wide += i % 2 == 0 ? "ü" : "€";
    }
    openWorkbook(file);
    connection_->Execute("CREATE TABLE Items (N INTEGER, Text TEXT)");
    auto items = target("Items$");
    for (long n = 1; n <= 3000; ++n) {
        add(*items, {{"N", n}, {"Text", (n % 2 == 0 ? "Kunde " : "Zoë ") + std::to_string(n)}});
    }
    add(*items, {{"N", 3001L}, {"Text", latin}});
    add(*items, {{"N", 3002L}, {"Text", wide}});
    add(*items, {{"N", 3003L}, {"Text", "Kunde 2"}});
    items->AddNew();
    items->Fields().Item("Text")->Value(wide + "€");
    EXPECT_EQ(errorOf([&] { items->Update(); }).Description(),
              "[Kiv][Excel]Cannot add the row to Items$: The value of column Text has 4112 "
              "characters; a cell of an .xls workbook holds at most 8,223 here (4,111 when one of "
              "them is beyond Latin-1), so that it is read back; a workbook in the .xlsx format "
              "holds 32,767.");
    items->CancelUpdate();
    items->Close();
    closeConnection();

    openWorkbook(file, adModeRead);
    EXPECT_EQ(rows("SELECT COUNT(*), COUNT(DISTINCT Text) FROM [Items$]"),
              (Rows{{"3003", "3002"}}));
    EXPECT_EQ(rows("SELECT Text FROM [Items$] WHERE N IN (1, 2, 2999, 3003)"),
              (Rows{{"Zoë 1"}, {"Kunde 2"}, {"Zoë 2999"}, {"Kunde 2"}}));
    EXPECT_EQ(rows("SELECT Text FROM [Items$] WHERE N = 3001"), (Rows{{latin}}));
    EXPECT_EQ(rows("SELECT Text FROM [Items$] WHERE N = 3002"), (Rows{{wide}}));
}

TEST_F(XlsWrite, ASheetHoldsAtMost65536RowsAnd256Columns) {
    const std::string file = folder_.file("full.xls");
    openWorkbook(file);
    std::string columns = "C1 TEXT";
    for (int i = 2; i <= 257; ++i) {
        columns += ", C" + std::to_string(i) + " TEXT";
    }
    EXPECT_EQ(
        errorOf([&] { connection_->Execute("CREATE TABLE Wide (" + columns + ")"); }).Description(),
        "[Kiv][Excel]Cannot create the sheet 'Wide': the table has 257 columns; a sheet of "
        "an .xls workbook holds at most 256 (one of the .xlsx format 16,384)");
    connection_->Execute(
        "CREATE TABLE Big (A DOUBLE, B DOUBLE, C DOUBLE, D DOUBLE, E DOUBLE, F "
        "DOUBLE, G DOUBLE, H DOUBLE)");
    auto big = target("Big$");
    const std::vector<std::string> names{"A", "B", "C", "D", "E", "F", "G", "H"};
    for (long n = 1; n < 65536; ++n) {
        big->AddNew();
        for (const std::string& name : names) {
            big->Fields().Item(name)->Value(static_cast<double>(n) + 0.5);
        }
        big->Update();
    }
    big->AddNew();
    big->Fields().Item("A")->Value(1L);
    EXPECT_EQ(errorOf([&] { big->Update(); }).Description(),
              "[Kiv][Excel]Cannot add the row to Big$: the sheet Big holds 65,536 rows, the most a "
              "sheet of an .xls workbook holds (one of the .xlsx format holds 1,048,576)");
    big->CancelUpdate();
    big->Close();
    closeConnection();

    openWorkbook(file, adModeRead);
    EXPECT_EQ(
        rows("SELECT COUNT(*), MIN(A), MAX(H), SUM(C) FROM [Big$]"),
        (Rows{{"65535", "1.5", "65535.5", std::to_string(65535L * 65536 / 2 + 65535 / 2) + ".5"}}));
}

TEST_F(XlsWrite, RowsAreNotDeletedButASheetIsCleared) {
    const std::string file = folder_.file("fixed.xls");
    openWorkbook(file);
    connection_->Execute("CREATE TABLE Items (N INTEGER, Text TEXT)");
    connection_->Execute("INSERT INTO Items (N, Text) VALUES (1, 'one')");
    EXPECT_EQ(errorOf([&] { connection_->Execute("DELETE FROM [Items$]"); }).Description(),
              "[Kiv][Excel]Deleting data in a linked table is not supported by this ISAM.");
    connection_->Execute("CREATE TABLE Gone (A TEXT)");
    connection_->Execute("INSERT INTO Gone (A) VALUES ('x')");
    connection_->Execute("DROP TABLE [Gone$]");
    closeConnection();
    openWorkbook(file, adModeRead);
    EXPECT_EQ(rows("SELECT * FROM [Items$]"), (Rows{{"1", "one"}}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM [Gone$]"), (Rows{{"0"}}));
}

TEST_F(XlsWrite, CellsOnceWrittenAreNotChanged) {
    connection_ = std::make_shared<Connection>();
    connection_->Mode(adModeReadWrite);
    connection_->Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder_.file("names.xls") +
                      ";Extended Properties=\"Excel 8.0;HDR=No;\"");
    connection_->Execute("CREATE TABLE Items (N INTEGER, Text TEXT)");
    // Without a row of names the names are data, which UPDATE would change.
    EXPECT_NE(errorOf([&] { connection_->Execute("UPDATE [Items$] SET F2 = 'Name'"); })
                  .Description()
                  .find("the cells of an .xls workbook written here are not changed once "
                        "written; rows can be added, and a workbook in the .xlsx format takes "
                        "changes to its cells"),
              std::string::npos);
}

// A new workbook is written when its connection closes; a folder that is not there is said
// when it opens, where the step can still fail.
TEST_F(XlsWrite, ANewWorkbookInAMissingFolderIsRefusedAtOnce) {
    for (const std::string name : {"orders.xls", "orders.xlsx"}) {
        const std::string file = folder_.file("missing/" + name);
        EXPECT_EQ(errorOf([&] { openWorkbook(file); }).Description(),
                  "[Kiv][Excel]The workbook '" + file + "' cannot be created: the folder '" +
                      folder_.file("missing") + "' does not exist.");
    }
}

TEST_F(XlsWrite, ASmallWorkbookSitsInTheMiniStream) {
    const std::string file = folder_.file("small.xls");
    writeItems(file, 3, "item ");
    EXPECT_LT(bytesOf(file).size(), 4096U) << "a stream in full sectors takes 4096 bytes at least";
    openWorkbook(file, adModeRead);
    EXPECT_EQ(rows("SELECT * FROM [Items$]"),
              (Rows{{"1", "item 1"}, {"2", "item 2"}, {"3", "item 3"}}));
}

// A load killed at any moment, while rows are added or while the file is written, leaves no
// workbook or the whole one.
TEST_F(XlsWrite, AKilledLoadLeavesNoDamagedWorkbook) {
    const std::string file = folder_.file("killed.xls");
    for (const useconds_t delay : {50000U, 150000U, 250000U, 350000U, 450000U, 600000U}) {
        std::remove(file.c_str());
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            writeItems(file, 20000, "a text of some length, number ");
            ::_exit(0);
        }
        ::usleep(delay);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!std::ifstream(file).good()) {
            continue;
        }
        openWorkbook(file, adModeRead);
        EXPECT_EQ(rows("SELECT COUNT(*), MAX(N) FROM [Items$]"), (Rows{{"20000", "20000"}}))
            << "killed after " << delay << " microseconds";
        closeConnection();
    }
}

}  // namespace
}  // namespace kiv::db::testing
