#include <filesystem>

#include "PostgresRunFixture.h"
#include "db/excel/XlsxBuilder.h"

namespace {

using Rows = std::vector<std::string>;

std::string dataload(int number, const std::string& name, const std::string& source,
                     const std::string& table, const std::string& target,
                     const std::string& targetTable) {
    const std::string n = std::to_string(number);
    return "[STEP " + n + "]\r\nStepName=" + name +
           "\r\nStepType=dataload\r\nSourceConnection=" + source + "\r\nSourceTableName=" + table +
           "\r\nTargetConnection=" + target + "\r\nTargetTableName=" + targetTable +
           "\r\nSourceToDestinationColumnMappingSection=Cols\r\n" +
           (number > 1 ? "PrerequisiteTarget_1=Step" + std::to_string(number - 1) + "\r\n" : "");
}

std::string columns(std::initializer_list<const char*> names) {
    std::string text = "[Cols]\r\n";
    int number = 0;
    for (const char* name : names) {
        const std::string n = std::to_string(++number);
        text += "SourceColumn_" + n + "=" + name + "\r\nTargetColumn_" + n + "=" + name + "\r\n";
    }
    return text;
}

class FractionalSecondsRun : public RunFixture {};

TEST_F(FractionalSecondsRun, CsvToSqliteAndBackKeepsFractionsOfASecond) {
    std::filesystem::create_directory(dir.file("in"));
    std::filesystem::create_directory(dir.file("out"));
    dir.write("in/stamps.csv",
              "\"Id\",\"At\"\r\n1,2026-01-02 03:04:05.123\r\n2,2026-01-02T03:04:05.5\r\n"
              "3,2026-01-02 03:04:05\r\n4,2026-01-02 03:04:05.000001\r\n5,2026-01-02\r\n");
    dir.write("in/schema.ini",
              "[stamps.csv]\r\nFormat=CSVDelimited\r\nColNameHeader=True\r\n"
              "Col1=Id Long\r\nCol2=At DateTime\r\n");
    sql("mid.db", "CREATE TABLE stamps (Id INTEGER, At DATETIME)");
    package("spec.ini", "Fractions",
            dataload(1, "Step1", "In", "stamps.csv", "Mid", "stamps") +
                "[STEP 2]\r\nStepName=Step2\r\nStepType=custom sql\r\nTargetConnection=Out\r\n"
                "PrerequisiteTarget_1=Step1\r\n"
                "SQLStatement=CREATE TABLE [stamps.csv] (Id INTEGER, At DATETIME)\r\n" +
                dataload(3, "Step3", "Mid", "stamps", "Out", "stamps.csv") + columns({"Id", "At"}) +
                "[Data Connection - In]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n"
                "[Data Connection - Mid]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/mid.db\r\n"
                "[Data Connection - Out]\r\nDatabaseType=TextFile\r\n"
                "Database=$(INIPath)/out\r\n");
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    ASSERT_EQ(outcome.status, 0) << report();
    EXPECT_EQ(query("mid.db", "SELECT Id, At FROM stamps ORDER BY Id"),
              (Rows{"1|2026-01-02 03:04:05.123", "2|2026-01-02 03:04:05.5", "3|2026-01-02 03:04:05",
                    "4|2026-01-02 03:04:05.000001", "5|2026-01-02"}));
    EXPECT_EQ(TempDir::read(dir.file("out/stamps.csv")),
              "\"Id\",\"At\"\r\n1,2026-01-02 03:04:05.123\r\n2,2026-01-02 03:04:05.5\r\n"
              "3,2026-01-02 03:04:05\r\n4,2026-01-02 03:04:05.000001\r\n5,2026-01-02\r\n");
}

TEST_F(FractionalSecondsRun, WorkbookDateCellsKeepTheirMilliseconds) {
    {
        kiv::db::testing::XlsxBuilder book(dir.file("stamps.xlsx"));
        lxw_worksheet* sheet = book.sheet("Stamps");
        lxw_format* format = book.format("yyyy-mm-dd hh:mm:ss.000");
        worksheet_write_string(sheet, 0, 0, "Id", nullptr);
        worksheet_write_string(sheet, 0, 1, "At", nullptr);
        const double seconds[] = {5.123, 5.5, 5, 59.999};
        for (int i = 0; i < 4; ++i) {
            worksheet_write_number(sheet, 1 + i, 0, 1 + i, nullptr);
            lxw_datetime at{2026, 1, 2, 3, 4, seconds[i]};
            worksheet_write_datetime(sheet, 1 + i, 1, &at, format);
        }
    }
    sql("out.db", "CREATE TABLE stamps (Id INTEGER, At DATETIME)");
    package("spec.ini", "From a workbook",
            dataload(1, "Step1", "Book", "Stamps$", "Out", "stamps") + columns({"Id", "At"}) +
                "[Data Connection - Book]\r\nDatabaseType=MSExcel\r\nReadOnlyMode=True\r\n"
                "Database=$(INIPath)/stamps.xlsx\r\n"
                "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n");
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    ASSERT_EQ(outcome.status, 0) << report();
    EXPECT_EQ(query("out.db", "SELECT Id, At FROM stamps ORDER BY Id"),
              (Rows{"1|2026-01-02 03:04:05.123", "2|2026-01-02 03:04:05.5", "3|2026-01-02 03:04:05",
                    "4|2026-01-02 03:04:59.999"}));
}

class FractionalSecondsPostgresRun : public PostgresRunFixture {};

TEST_F(FractionalSecondsPostgresRun, TimestampsCopiedBetweenTablesKeepTheirMicroseconds) {
    setUp("CREATE TABLE source (id int, at timestamp(6), t time(6))");
    setUp(
        "INSERT INTO source VALUES (1, '2026-01-02 03:04:05.123456', '03:04:05.5'), "
        "(2, '2026-01-02 03:04:05', '03:04:05'), (3, '1999-12-31 23:59:59.999999', NULL), "
        "(4, '2026-01-02 00:00:00.000001', '00:00:00.25')");
    const std::string expected = "SELECT id, at::text, t::text FROM source ORDER BY id";
    const Rows original = database.plain.query(expected);
    for (const bool odbc : {false, true}) {
        SCOPED_TRACE(odbc ? "ODBC" : "PostgreSQL");
        setUp("DROP TABLE IF EXISTS target");
        setUp("CREATE TABLE target (id int, at timestamp(6), t time(6))");
        const std::string connection =
            odbc ? serverConnection(database, "Src") : postgresConnection(database, "Src");
        std::string target = connection;
        target.replace(target.find("Src"), 3, "Dst");
        package("spec.ini", "Copy",
                dataload(1, "Step1", "Src", "source", "Dst", "target") +
                    columns({"id", "at", "t"}) + connection + target);
        const auto outcome = kivrun("-run -report report.txt spec.ini");
        EXPECT_EQ(outcome.status, 0) << report();
        EXPECT_EQ(database.plain.query("SELECT id, at::text, t::text FROM target ORDER BY id"),
                  original);
    }
}

}  // namespace
