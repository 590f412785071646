#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "RunFixture.h"
#include "WorkbookRows.h"
#include "db/access/AccessSamples.h"
#include "db/excel/XlsxBuilder.h"

namespace {

using Rows = std::vector<std::string>;

class FileEnginesRun : public RunFixture {
protected:
    // The connection Northwind to the sample Access database.
    static std::string northwind() {
        return "[Data Connection - Northwind]\r\nDatabaseType=MSAccess\r\nReadOnlyMode=True\r\n"
               "Database=" +
               kiv::db::testing::accessSamples() + "/nwind.mdb\r\n";
    }

    void writeWorkbook() {
        kiv::db::testing::XlsxBuilder book(dir.file("orders.xlsx"));
        lxw_worksheet* sheet = book.sheet("Orders");
        lxw_format* date = book.format("yyyy-mm-dd");
        worksheet_write_string(sheet, 0, 0, "OrderNo", nullptr);
        worksheet_write_string(sheet, 0, 1, "Customer", nullptr);
        worksheet_write_string(sheet, 0, 2, "Placed", nullptr);
        const char* customers[] = {"ALFKI", "BONAP", "NOONE"};
        for (int i = 0; i < 3; ++i) {
            worksheet_write_number(sheet, 1 + i, 0, 100 + i, nullptr);
            worksheet_write_string(sheet, 1 + i, 1, customers[i], nullptr);
            lxw_datetime day{2024, 3, 1 + i, 0, 0, 0};
            worksheet_write_datetime(sheet, 1 + i, 2, &day, date);
        }
        book.close();
    }
};

TEST_F(FileEnginesRun, LoadsASheetAnHtmlTableAndAnAccessTableWithALookup) {
    KIV_NEED_ACCESS_SAMPLE("nwind.mdb");
    writeWorkbook();
    dir.write("regions.htm",
              "<html><body><table><caption>Regions</caption>"
              "<tr><th>Code</th><th>Name</th></tr><tr><td>N</td><td>North</td></tr>"
              "<tr><td>S</td><td>South</td></tr></table></body></html>");
    sql("out.db",
        "CREATE TABLE Orders (OrderNo INTEGER, Customer VARCHAR(5), Company VARCHAR(40), "
        "Placed DATE); CREATE TABLE Regions (Code VARCHAR(4), Name VARCHAR(20)); "
        "CREATE TABLE Shippers (Id INTEGER, Name VARCHAR(40));");
    package(
        "spec.ini", "Files",
        // The lookup's connection is opened by the step that reads Shippers first.
        "[STEP 1]\r\nStepName=Shippers\r\nStepType=dataload\r\nSourceConnection=Northwind\r\n"
        "SourceTableName=Shippers\r\nTargetConnection=Out\r\nTargetTableName=Shippers\r\n"
        "SourceToDestinationColumnMappingSection=Shipper columns\r\n"
        "[STEP 2]\r\nStepName=Orders\r\nStepType=dataload\r\nSourceConnection=Book\r\n"
        "SourceTableName=Orders$\r\nTargetConnection=Out\r\nTargetTableName=Orders\r\n"
        "SourceToDestinationColumnMappingSection=Order columns\r\n"
        "[STEP 3]\r\nStepName=Regions\r\nStepType=dataload\r\nSourceConnection=Page\r\n"
        "SourceTableName=Regions\r\nTargetConnection=Out\r\nTargetTableName=Regions\r\n"
        "SourceToDestinationColumnMappingSection=Region columns\r\n"
        "[Order columns]\r\nSourceColumn_1=OrderNo\r\nTargetColumn_1=OrderNo\r\n"
        "SourceColumn_2=Customer\r\nTargetColumn_2=Customer\r\n"
        "SourceMappingType_3=Lookup\r\nSourceColumn_3_P1=Customer\r\n"
        "SourceMappingSQLConnection_3=Northwind\r\n"
        "SourceMappingSQLStatement_3=SELECT CompanyName FROM Customers WHERE CustomerID = [P1]\r\n"
        "SourceMappingOption_3_NULLLookups=Allow And Log\r\nTargetColumn_3=Company\r\n"
        "SourceColumn_4=Placed\r\nTargetColumn_4=Placed\r\n"
        "[Region columns]\r\nSourceColumn_1=F1\r\nTargetColumn_1=Code\r\n"
        "SourceColumn_2=F2\r\nTargetColumn_2=Name\r\n"
        "[Shipper columns]\r\nSourceColumn_1=ShipperID\r\nTargetColumn_1=Id\r\n"
        "SourceColumn_2=CompanyName\r\nTargetColumn_2=Name\r\n"
        "[Data Connection - Book]\r\nDatabaseType=MSExcel\r\nDatabase=$(INIPath)/orders.xlsx\r\n"
        "[Data Connection - Page]\r\nDatabaseType=HTMLImport\r\nDatabase=$(INIPath)/regions.htm\r\n"
        "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n" +
            northwind());
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 0) << outcome.out << outcome.err << report();
    EXPECT_EQ(
        query("out.db", "SELECT OrderNo, Customer, Company, Placed FROM Orders ORDER BY OrderNo"),
        (Rows{"100|ALFKI|Alfreds Futterkiste|2024-03-01", "101|BONAP|Bon app'|2024-03-02",
              "102|NOONE|NULL|2024-03-03"}));
    // With HDR=NO the header row of the HTML table is a row of data too.
    EXPECT_EQ(query("out.db", "SELECT Code, Name FROM Regions"),
              (Rows{"Code|Name", "N|North", "S|South"}));
    EXPECT_EQ(query("out.db", "SELECT Id, Name FROM Shippers ORDER BY Id"),
              (Rows{"1|Speedy Express", "2|United Package", "3|Federal Shipping"}));
    EXPECT_NE(report().find("Rows Processed:    3"), std::string::npos) << report();
}

TEST_F(FileEnginesRun, LoadsSavedQueriesOfAnAccessDatabase) {
    KIV_NEED_ACCESS_SAMPLE("nwind.mdb");
    sql("out.db",
        "CREATE TABLE Subtotals (OrderID INTEGER, Subtotal NUMERIC(12,2)); "
        "CREATE TABLE Sales (Shipped DATE, OrderID INTEGER, Subtotal NUMERIC(12,2));");
    // Summary of Sales* names two queries; Sales by Year asks for parameters.
    package("spec.ini", "Queries",
            "[STEP 1]\r\nStepName=Subtotals\r\nStepType=dataload\r\nSourceConnection=Northwind\r\n"
            "SourceTableName=Order Subtotals\r\nTargetConnection=Out\r\n"
            "TargetTableName=Subtotals\r\nSourceToDestinationColumnMappingSection=Subtotal\r\n"
            "[STEP 2]\r\nStepName=Summaries\r\nStepType=dataload\r\nSourceConnection=Northwind\r\n"
            "SourceTableName=Summary of Sales*\r\nTargetConnection=Out\r\nTargetTableName=Sales\r\n"
            "SourceToDestinationColumnMappingSection=Sale\r\n"
            "[STEP 3]\r\nStepName=By year\r\nStepType=dataload\r\nSourceConnection=Northwind\r\n"
            "SourceTableName=Sales by Year\r\nTargetConnection=Out\r\nTargetTableName=Sales\r\n"
            "SourceToDestinationColumnMappingSection=Sale\r\n"
            "[Subtotal]\r\nSourceColumn_1=OrderID\r\nTargetColumn_1=OrderID\r\n"
            "SourceColumn_2=Subtotal\r\nTargetColumn_2=Subtotal\r\n"
            "[Sale]\r\nSourceColumn_1=ShippedDate\r\nTargetColumn_1=Shipped\r\n"
            "SourceColumn_2=OrderID\r\nTargetColumn_2=OrderID\r\n"
            "SourceColumn_3=Subtotal\r\nTargetColumn_3=Subtotal\r\n"
            "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n" +
                northwind());
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1) << outcome.out << outcome.err << report();
    EXPECT_EQ(query("out.db", "SELECT COUNT(*) FROM Subtotals"), (Rows{"830"}));
    EXPECT_EQ(query("out.db", "SELECT Subtotal FROM Subtotals WHERE OrderID = 10248"),
              (Rows{"440"}));
    EXPECT_EQ(query("out.db", "SELECT COUNT(*), MIN(Shipped) FROM Sales"),
              (Rows{"1618|1994-08-10"}));
    EXPECT_NE(report().find("The query Sales by Year of the Access database cannot be opened as "
                            "data: it asks for the parameters Forms!Sales by Year "
                            "Dialog!BeginningDate, Forms!Sales by Year Dialog!EndingDate, which "
                            "cannot be given here."),
              std::string::npos)
        << report();
}

TEST_F(FileEnginesRun, AWorkbookTakesRows) {
    writeWorkbook();
    sql("in.db", "CREATE TABLE People (OrderNo INTEGER); INSERT INTO People VALUES (1);");
    package(
        "spec.ini", "Into a workbook",
        "[STEP 1]\r\nStepName=Back\r\nStepType=dataload\r\nSourceConnection=In\r\n"
        "SourceTableName=People\r\nTargetConnection=Book\r\nTargetTableName=Orders$\r\n"
        "SourceToDestinationColumnMappingSection=Cols\r\n"
        "[Cols]\r\nSourceColumn_1=OrderNo\r\nTargetColumn_1=OrderNo\r\n"
        "[Data Connection - In]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/in.db\r\n"
        "[Data Connection - Book]\r\nDatabaseType=MSExcel\r\nDatabase=$(INIPath)/orders.xlsx\r\n");
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 0) << report();
    EXPECT_NE(report().find("Rows Processed:    1"), std::string::npos) << report();
}

TEST_F(FileEnginesRun, ADataLoadFromCsvFillsANewXlsWorkbook) {
    std::filesystem::create_directory(dir.file("in"));
    dir.write("in/orders.csv",
              "Id,Name,Placed,Amount,Paid\r\n"
              "1,\"Ann, \"\"the\"\" first\",2024-03-01,12.5,True\r\n"
              "2,Zoë – €,2024-03-02 06:30:00,-7.25,False\r\n"
              "3,,,,\r\n");
    dir.write("in/schema.ini",
              "[orders.csv]\r\nFormat=CSVDelimited\r\nColNameHeader=True\r\n"
              "Col1=Id Long\r\nCol2=Name Text\r\nCol3=Placed DateTime\r\n"
              "Col4=Amount Double\r\nCol5=Paid Bit\r\n");
    std::string columns;
    int number = 0;
    for (const char* name : {"Id", "Name", "Placed", "Amount", "Paid"}) {
        const std::string n = std::to_string(++number);
        columns += "SourceColumn_" + n + "=" + name + "\r\nTargetColumn_" + n + "=" + name + "\r\n";
    }
    package("spec.ini", "Into a new .xls workbook",
            "[STEP 1]\r\nStepName=Make\r\nStepType=custom sql\r\nTargetConnection=Book\r\n"
            "SQLStatement=CREATE TABLE Orders (Id INTEGER, Name TEXT, Placed DATETIME, "
            "Amount DOUBLE, Paid BIT)\r\n"
            "[STEP 2]\r\nStepName=Load\r\nStepType=dataload\r\nPrerequisiteTarget_1=Make\r\n"
            "SourceConnection=In\r\nSourceTableName=orders.csv\r\nTargetConnection=Book\r\n"
            "TargetTableName=Orders$\r\nSourceToDestinationColumnMappingSection=Cols\r\n"
            "[Cols]\r\n" +
                columns +
                "[Data Connection - In]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n"
                "[Data Connection - Book]\r\nDatabaseType=MSExcel\r\n"
                "Database=$(INIPath)/orders.xls\r\n");
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 0) << report();
    EXPECT_NE(report().find("Rows Processed:    3"), std::string::npos) << report();

    EXPECT_EQ(
        workbookRows(dir.file("orders.xls"), "Excel 8.0;", "SELECT * FROM [Orders$] ORDER BY Id"),
        (Rows{"1|Ann, \"the\" first|2024-03-01|12.5|True",
              "2|Zoë – €|2024-03-02 06:30:00|-7.25|False", "3|NULL|NULL|NULL|NULL"}));

    if (std::system("command -v soffice >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    }
    ::mkdir(dir.file("csv").c_str(), 0755);
    const std::string command =
        "cd '" + dir.path() + "' && HOME='" + dir.path() +
        "' soffice --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' "
        "--outdir csv orders.xls "
        ">/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::istringstream csv(TempDir::read(dir.file("csv/orders.csv")));
    Rows lines;
    for (std::string line; std::getline(csv, line);) {
        lines.push_back(line);
    }
    // LibreOffice shows the booleans of an .xls sheet as 1 and 0.
    EXPECT_EQ(lines,
              (Rows{"Id,Name,Placed,Amount,Paid", "1,\"Ann, \"\"the\"\" first\",2024-03-01,12.5,1",
                    "2,Zoë – €,2024-03-02 06:30:00,-7.25,0", "3,,,,"}));
}

}  // namespace
