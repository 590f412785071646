#include "db/cells/FileSourceFixture.h"

namespace kiv::db::testing {
namespace {

class HtmlRead : public FileSourceFixture {
protected:
    void openHtml(const std::string& html, const std::string& header = "NO") {
        const std::string file = folder_.write("page.htm", html);
        open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file +
             ";Extended Properties=\"HTML Import;HDR=" + header + ";\"");
    }
};

TEST_F(HtmlRead, TablesAreNamedByCaptionOrCountedInDocumentOrder) {
    openHtml(
        "<html><head><title>Report</title></head><body>"
        "<table><tr><td>a1</td></tr></table>"
        "<table><caption> Sales  by\nregion </caption><tr><td>North</td><td>5</td></tr></table>"
        "<table><tr><td>outer</td><td><table><tr><td>inner</td></tr></table>tail</td></tr>"
        "<tr><td>second</td></tr></table>"
        "</body></html>");
    EXPECT_EQ(tables(), (std::vector<std::string>{"Sales by region:TABLE", "Table1:TABLE",
                                                  "Table2:TABLE", "Table3:TABLE"}));
    EXPECT_EQ(rows("SELECT * FROM [Table1]"), (Rows{{"a1"}}));
    EXPECT_EQ(rows("SELECT F1, F2 FROM [Sales by region]"), (Rows{{"North", "5"}}));
    // The nested table is a table of its own; its cells stay out of the outer one.
    EXPECT_EQ(rows("SELECT * FROM Table2"), (Rows{{"outer", "tail"}, {"second", "NULL"}}));
    EXPECT_EQ(rows("SELECT * FROM Table3"), (Rows{{"inner"}}));
}

TEST_F(HtmlRead, ALoneTableWithoutCaptionTakesTheTitle) {
    openHtml(
        "<html><head><title>Price list</title></head><body>"
        "<table><tr><td>x</td></tr></table></body></html>");
    EXPECT_EQ(tables(), (std::vector<std::string>{"Price list:TABLE"}));
    EXPECT_EQ(rows("SELECT F1 FROM [Price list]"), (Rows{{"x"}}));
}

TEST_F(HtmlRead, EveryRowIsDataWithoutHeaderAndShortRowsArePadded) {
    openHtml(
        "<table><tr><th>Id</th><th>Name</th><th>City</th></tr>"
        "<tr><td colspan=2>1</td><td>Ann</td></tr>"
        "<tr><td>2</td></tr></table>");
    EXPECT_EQ(rows("SELECT * FROM Table1"),
              (Rows{{"Id", "Name", "City"}, {"1", "Ann", "NULL"}, {"2", "NULL", "NULL"}}));
    EXPECT_EQ(fields("SELECT * FROM Table1"),
              (std::vector<std::string>{"F1 202 255", "F2 202 255", "F3 202 255"}));
}

TEST_F(HtmlRead, HeaderRowNamesTheColumnsAndTypesAreGuessed) {
    openHtml(
        "<table><tr><th>Id</th><th>Price</th><th>Day</th><th>Paid</th><th>Note</th>"
        "<th></th></tr>"
        "<tr><td>1</td><td>2.5</td><td>2024-02-29</td><td>True</td><td>x</td><td>7</td></tr>"
        "<tr><td>2</td><td>3</td><td>2024-03-01 10:30</td><td>False</td><td>y</td>"
        "<td>8</td></tr></table>",
        "YES");
    EXPECT_EQ(fields("SELECT * FROM Table1"),
              (std::vector<std::string>{"Id 3 4", "Price 5 8", "Day 7 8", "Paid 11 2",
                                        "Note 202 255", "F6 3 4"}));
    EXPECT_EQ(rows("SELECT * FROM Table1 ORDER BY Id"),
              (Rows{{"1", "2.5", "2024-02-29", "True", "x", "7"},
                    {"2", "3", "2024-03-01 10:30:00", "False", "y", "8"}}));
    EXPECT_EQ(kinds("SELECT Id, Price, Day, Paid FROM Table1"),
              (std::vector<Variant::Kind>{Variant::Kind::Long, Variant::Kind::Double,
                                          Variant::Kind::Date, Variant::Kind::Boolean}));
}

TEST_F(HtmlRead, ValuesBeyondTheScannedRowsKeepTheirText) {
    std::string html = "<table>";
    for (int i = 1; i <= 25; ++i) {
        html += "<tr><td>" + std::to_string(i) + "</td></tr>";
    }
    html += "<tr><td>n/a</td></tr></table>";
    openHtml(html);
    EXPECT_EQ(fields("SELECT * FROM Table1"), (std::vector<std::string>{"F1 3 4"}));
    EXPECT_EQ(rows("SELECT F1 FROM Table1 WHERE rowid >= 24"), (Rows{{"25"}, {"n/a"}}));
    EXPECT_EQ(rows("SELECT COUNT(*), SUM(F1) FROM Table1"), (Rows{{"26", "325"}}));
}

TEST_F(HtmlRead, MalformedMarkupAndWhiteSpace) {
    openHtml(
        "<p>intro<table border=1><tr><td>  a \n\t b <td>c&nbsp;&amp;&nbsp;d<tr><td>e<br>f"
        "<td><b>bold</b> <i>it</i><script>x()</script></table><div>after</div>");
    EXPECT_EQ(rows("SELECT * FROM Table1"), (Rows{{"a b", "c & d"}, {"e f", "bold it"}}));
}

TEST_F(HtmlRead, TextThatIsNotUtf8IsReadAsWindows1252) {
    openHtml(
        "<table><tr><td>Stra\xDF"
        "e \x80</td></tr></table>");
    EXPECT_EQ(rows("SELECT F1 FROM Table1"), (Rows{{"Stra\xC3\x9F"
                                                    "e \xE2\x82\xAC"}}));
}

TEST_F(HtmlRead, FullSqlOverTheTables) {
    openHtml(
        "<table><caption>People</caption><tr><td>1</td><td>Ann</td><td>10</td></tr>"
        "<tr><td>2</td><td>Bob</td><td>20</td></tr><tr><td>3</td><td>Cid</td><td>10</td>"
        "</tr></table><table><caption>Cities</caption><tr><td>10</td><td>Oslo</td></tr>"
        "<tr><td>20</td><td>Rome</td></tr></table>");
    EXPECT_EQ(rows("SELECT p.F2, c.F2 FROM People p JOIN Cities c ON p.F3 = c.F1 "
                   "WHERE p.F1 > 1 ORDER BY p.F1"),
              (Rows{{"Bob", "Rome"}, {"Cid", "Oslo"}}));
    EXPECT_EQ(rows("SELECT COUNT (*) AS RcdCnt FROM [People]"), (Rows{{"3"}}));
}

TEST_F(HtmlRead, ChangesAreRefused) {
    openHtml("<table><caption>T</caption><tr><td>1</td></tr></table>");
    for (const std::string sql : {"INSERT INTO T VALUES (2)", "UPDATE T SET F1 = 3",
                                  "DELETE FROM T", "CREATE TABLE N (A INTEGER)", "DROP TABLE T"}) {
        const Error error = errorOf([&] { connection_->Execute(sql); });
        EXPECT_TRUE(error.Description().starts_with("[Kiv][HTML]The HTML file '/")) << sql;
        EXPECT_TRUE(error.Description().ends_with(
            ".htm' can be read but not written on this platform; a SQLite file or a server "
            "database takes its place as a destination; statements that change data cannot run."))
            << error.Description();
    }
    auto target = std::make_shared<Recordset>();
    const Error error = errorOf([&] {
        target->Open("SELECT * FROM [T]", connection_, adOpenKeyset, adLockOptimistic, adCmdText);
    });
    EXPECT_TRUE(error.Description().ends_with(
        "can be read but not written on this platform; a SQLite file or a server database "
        "takes its place as a destination; rows cannot be added to T."))
        << error.Description();
    EXPECT_EQ(connection_->Errors().Count(), 1);
    EXPECT_EQ(rows("SELECT * FROM T"), (Rows{{"1"}}));
}

TEST_F(HtmlRead, AMissingFileFailsToOpen) {
    const Error error = errorOf([&] {
        open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder_.file("none.htm") +
             ";Extended Properties=\"HTML Import;HDR=NO;\"");
    });
    EXPECT_EQ(error.Description(),
              "[Kiv][HTML]The file '" + folder_.file("none.htm") + "' does not exist.");
}

TEST_F(HtmlRead, ATableTheFileDoesNotHaveIsAnErrorNamingTheFile) {
    openHtml("<table><tr><td>x</td></tr></table>");
    const Error error = errorOf([&] { rows("SELECT * FROM Regions"); });
    EXPECT_EQ(error.Description(),
              "[Kiv][HTML]no such table: Regions in the file '" + folder_.file("page.htm") + "'");
    EXPECT_EQ(error.SQLState(), "42S02");
}

}  // namespace
}  // namespace kiv::db::testing
