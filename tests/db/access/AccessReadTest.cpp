#include <algorithm>

#include "db/Command.h"
#include "db/access/AccessSamples.h"
#include "db/cells/FileSourceFixture.h"

namespace kiv::db::testing {
namespace {

class AccessRead : public FileSourceFixture {
protected:
    // How many catalog tables there are of each type, "TABLE 9, SYSTEM TABLE 10, VIEW 20".
    std::string tableCounts() {
        const std::vector<std::string> listed = tables();
        std::string counts;
        for (const std::string type : {"TABLE", "SYSTEM TABLE", "VIEW"}) {
            const auto count =
                std::count_if(listed.begin(), listed.end(), [&](const std::string& entry) {
                    return entry.substr(entry.rfind(':') + 1) == type;
                });
            counts += (counts.empty() ? "" : ", ") + type + " " + std::to_string(count);
        }
        return counts;
    }
};

TEST_F(AccessRead, CatalogOfAJet3Database) {
    KIV_NEED_ACCESS_SAMPLE("nwind.mdb");
    open(accessSample("nwind.mdb"));
    EXPECT_EQ(connection_->Provider(), "Kiv.Access");
    EXPECT_EQ(tableCounts(), "TABLE 9, SYSTEM TABLE 10, VIEW 20");
    const std::vector<std::string> listed = tables();
    EXPECT_NE(std::find(listed.begin(), listed.end(), "MSysObjects:SYSTEM TABLE"), listed.end());
    EXPECT_NE(std::find(listed.begin(), listed.end(), "Order Details:TABLE"), listed.end());
    EXPECT_NE(std::find(listed.begin(), listed.end(), "Invoices:VIEW"), listed.end());
    Catalog catalog;
    catalog.ActiveConnection(connection_);
    std::vector<std::string> procedures;
    for (const auto& procedure : catalog.Procedures()) {
        procedures.push_back(procedure->Name());
    }
    // Both have declared parameters.
    EXPECT_EQ(procedures, (std::vector<std::string>{"Employee Sales by Country", "Sales by Year"}));
    EXPECT_EQ(catalog.Views().Count(), 20);
    const auto customers = catalog.Tables().Item("Customers");
    ASSERT_TRUE(customers);
    EXPECT_EQ(customers->DateCreated().toText(), "1995-09-13 10:51:32");
    EXPECT_EQ(customers->Columns().Count(), 11);
    EXPECT_EQ(catalog.Views().Item("Invoices")->DateModified().toText(), "1996-09-16 18:36:29");
    EXPECT_EQ(catalog.Tables().Item("Invoices")->Columns().Count(), 0);
}

TEST_F(AccessRead, RowsAndTypesOfTables) {
    KIV_NEED_ACCESS_SAMPLE("nwind.mdb");
    open(accessSample("nwind.mdb"));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM Customers"), (Rows{{"91"}}));
    EXPECT_EQ(
        fields("SELECT CustomerID, CompanyName, Region FROM Customers"),
        (std::vector<std::string>{"CustomerID 202 5", "CompanyName 202 40", "Region 202 15"}));
    EXPECT_EQ(
        rows("SELECT CustomerID, CompanyName, City, Region FROM Customers "
             "WHERE CustomerID IN ('ALFKI', 'ANATR') ORDER BY CustomerID"),
        (Rows{{"ALFKI", "Alfreds Futterkiste", "Berlin", "NULL"},
              {"ANATR", "Ana Trujillo Emparedados y helados", "M\xC3\xA9xico D.F.", "NULL"}}));
    EXPECT_EQ(fields("SELECT * FROM [Order Details]"),
              (std::vector<std::string>{"OrderID 3 4", "ProductID 3 4", "UnitPrice 6 8",
                                        "Quantity 2 2", "Discount 4 4"}));
    EXPECT_EQ(rows("SELECT OrderID, ProductID, UnitPrice, Quantity, Discount FROM [Order Details] "
                   "WHERE Discount > 0 ORDER BY OrderID, ProductID LIMIT 1"),
              (Rows{{"10250", "51", "42.4", "35", "0.15"}}));
    EXPECT_EQ(kinds("SELECT OrderID, UnitPrice, Quantity, Discount FROM [Order Details]"),
              (std::vector<Variant::Kind>{Variant::Kind::Long, Variant::Kind::Currency,
                                          Variant::Kind::Integer, Variant::Kind::Double}));
    EXPECT_EQ(fields("SELECT Discontinued FROM Products"),
              (std::vector<std::string>{"Discontinued 11 2"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM Products WHERE Discontinued"), (Rows{{"8"}}));
    EXPECT_EQ(fields("SELECT BirthDate, Photo, Notes FROM Employees"),
              (std::vector<std::string>{"BirthDate 7 8", "Photo 205 2147483647",
                                        "Notes 203 2147483647"}));
    EXPECT_EQ(rows("SELECT BirthDate, length(Photo) > 1000, length(Notes) > 100 FROM Employees "
                   "WHERE EmployeeID = 1"),
              (Rows{{"1948-12-08", "1", "1"}}));
}

TEST_F(AccessRead, BinaryColumnsOfASystemTable) {
    KIV_NEED_ACCESS_SAMPLE("nwind.mdb");
    open(accessSample("nwind.mdb"));
    EXPECT_EQ(fields("SELECT Owner, LvProp FROM MSysObjects"),
              (std::vector<std::string>{"Owner 204 255", "LvProp 205 2147483647"}));
    EXPECT_EQ(
        rows("SELECT length(LvProp) > 0, typeof(LvProp) FROM MSysObjects WHERE Name = 'MSysDb'"),
        (Rows{{"1", "blob"}}));
}

TEST_F(AccessRead, ATableNameWithANonAsciiLetter) {
    KIV_NEED_ACCESS_SAMPLE("nwind.mdb");
    open(accessSample("nwind.mdb"));
    const std::vector<std::string> listed = tables();
    EXPECT_NE(std::find(listed.begin(), listed.end(), "Ums\xC3\xA4tze:TABLE"), listed.end());
    EXPECT_EQ(rows("SELECT COUNT(*), MIN(OrderID) FROM [Ums\xC3\xA4tze]"),
              (Rows{{"830", "10248"}}));
}

TEST_F(AccessRead, JoinsAndLookupsReadTheDatabaseSeveralTimesAtOnce) {
    KIV_NEED_ACCESS_SAMPLE("nwind.mdb");
    open(accessSample("nwind.mdb"));
    EXPECT_EQ(rows("SELECT c.CustomerID, (SELECT COUNT(*) FROM Orders o WHERE o.CustomerID = "
                   "c.CustomerID) FROM Customers c WHERE c.CustomerID LIKE 'AL%'"),
              (Rows{{"ALFKI", "6"}}));
    auto command = std::make_shared<Command>();
    command->ActiveConnection(connection_);
    command->CommandText("SELECT CompanyName FROM Shippers WHERE ShipperID = ?");
    command->Parameters().Append(command->CreateParameter("1-Id", adInteger, adParamInput, 0));
    const auto source = query("SELECT ShipVia FROM Orders ORDER BY OrderID LIMIT 3");
    std::vector<std::string> shippers;
    for (; !source->EOF(); source->MoveNext()) {
        command->Parameters().Item("1-Id")->Value(source->Fields().Item(0L)->Value());
        shippers.push_back(command->Execute()->Fields().Item(0L)->Value().toText());
    }
    EXPECT_EQ(shippers,
              (std::vector<std::string>{"Federal Shipping", "Speedy Express", "United Package"}));
}

// The reader sends the columns a statement reads; a statement reading more columns of a table
// read before gets them too, also when the rows came whole in one batch.
TEST_F(AccessRead, EachStatementGetsTheColumnsItReads) {
    KIV_NEED_ACCESS_SAMPLE("nwind.mdb");
    open(accessSample("nwind.mdb"));
    for (int time = 0; time < 2; ++time) {
        EXPECT_EQ(rows("SELECT COUNT(*), MIN(OrderID) FROM Orders"), (Rows{{"830", "10248"}}));
        EXPECT_EQ(rows("SELECT CustomerID, ShipCity FROM Orders WHERE OrderID = 10248"),
                  (Rows{{"VINET", "Reims"}}));
        EXPECT_EQ(rows("SELECT OrderID, ShipCountry FROM Orders WHERE OrderID = 11077"),
                  (Rows{{"11077", "USA"}}));
        EXPECT_EQ(rows("SELECT COUNT(*) FROM Orders o JOIN Customers c ON c.CustomerID = "
                       "o.CustomerID WHERE c.Country = o.ShipCountry"),
                  (Rows{{"830"}}));
    }
}

TEST_F(AccessRead, ChangesAreRefused) {
    KIV_NEED_ACCESS_SAMPLE("nwind.mdb");
    open(accessSample("nwind.mdb"));
    const Error error = errorOf([&] { connection_->Execute("DELETE FROM Customers"); });
    EXPECT_TRUE(error.Description().starts_with("[Kiv][Access]The Access database '/"));
    EXPECT_TRUE(error.Description().ends_with(
        "nwind.mdb' can be read but not written on this platform; a SQLite file or a server "
        "database takes its place as a destination; statements that change data cannot run."))
        << error.Description();
    EXPECT_EQ(rows("SELECT COUNT(*) FROM Customers"), (Rows{{"91"}}));
}

TEST_F(AccessRead, DatesOfAJet4DatabaseIncludingTheExtremes) {
    KIV_NEED_ACCESS_SAMPLE("DateTestDatabase.mdb");
    open(accessSample("DateTestDatabase.mdb"));
    EXPECT_EQ(tableCounts(), "TABLE 1, SYSTEM TABLE 10, VIEW 0");
    EXPECT_EQ(
        fields("SELECT * FROM DateTest"),
        (std::vector<std::string>{"IDCol 3 4", "DateTimeCol 7 8", "DateCol 7 8", "TimeCol 7 8",
                                  "LongTextCol 203 2147483647", "ShortTextCol 202 255"}));
    EXPECT_EQ(
        rows("SELECT IDCol, DateTimeCol, DateCol, TimeCol, ShortTextCol FROM DateTest "
             "ORDER BY IDCol"),
        (Rows{{"1", "2021-12-02", "2021-12-02", "2021-12-02", "Hello"},
              {"2", "9999-01-01", "9999-01-01", "9999-01-01", "Year 1999"},
              {"3", "1898-01-01", "1899-01-01", "1900-01-01", "Pre-1900 years"},
              {"4", "0632-01-01", "0633-01-01", "0634-01-01", "Pre-1000 years"},
              {"5", "2021-12-02", "2021-12-02", "2021-12-02", "Escaped new line \\r\\n in field"},
              {"6", "2021-12-02", "2021-12-02", "2021-12-02", "No new line"}}));
    EXPECT_EQ(kinds("SELECT DateTimeCol FROM DateTest WHERE IDCol = 4"),
              (std::vector<Variant::Kind>{Variant::Kind::Date}));
    EXPECT_EQ(rows("SELECT LongTextCol FROM DateTest WHERE IDCol = 6"),
              (Rows{{"New line\r\nin field"}}));
}

TEST_F(AccessRead, AnAceDatabase) {
    KIV_NEED_ACCESS_SAMPLE("ASampleDatabase.accdb");
    open(accessSample("ASampleDatabase.accdb"));
    EXPECT_EQ(tableCounts(), "TABLE 1, SYSTEM TABLE 20, VIEW 6");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM [Asset Items]"), (Rows{{"65"}}));
    EXPECT_EQ(fields("SELECT [Asset No], Acquired, Cost, Warranty, Comments FROM [Asset Items]"),
              (std::vector<std::string>{"Asset No 202 5", "Acquired 7 8", "Cost 6 8",
                                        "Warranty 3 4", "Comments 203 2147483647"}));
    EXPECT_EQ(rows("SELECT [Asset No], Make, Acquired, Cost FROM [Asset Items] "
                   "ORDER BY [Asset No] LIMIT 1"),
              (Rows{{"30050", "GEO Rocket", "1997-09-02", "1995.5"}}));
}

TEST_F(AccessRead, AFileThatIsNoDatabase) {
    const std::string file = folder_.write("notes.mdb", "just some text that is long enough");
    const Error error =
        errorOf([&] { open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file); });
    EXPECT_EQ(error.Description(), "[Kiv][Access]Cannot read the Access database '" + file +
                                       "': the file is not an Access database.");
}

}  // namespace
}  // namespace kiv::db::testing
