#include "db/files/TextFolderFixture.h"

namespace kiv::db::files::testing {
namespace {

using Rows = TextFolderFixture::Rows;
using Names = std::vector<std::string>;
class TextFolderTypes : public TextFolderFixture {};

TEST_F(TextFolderTypes, GuessedFromTheFirstRows) {
    const std::string memo(300, 'm');
    write("g.csv",
          "Whole,Big,Real,Day,Flag,Word,Long,None\n"
          "1,1,1.5,2024-01-05,True,a," +
              memo +
              ",\n"
              "-5,3000000000,2,1/2/2024 10:30,false,1,short,\n"
              "2147483647,7,-0.25,2024-02-29 23:59:59,TRUE,x y,,\n");
    EXPECT_EQ(declaredTypes("g.csv"), (Names{"INTEGER", "DOUBLE", "DOUBLE", "DATETIME", "BIT",
                                             "VARCHAR(255)", "TEXT", "VARCHAR(255)"}));
    EXPECT_EQ(storageClasses("SELECT * FROM [g.csv]"),
              (Names{"integer", "real", "real", "text", "integer", "text", "text", "null"}));
    EXPECT_EQ(run("SELECT Whole, Big, Real, Day, Flag FROM [g.csv]"),
              (Rows{{"1", "1.0", "1.5", "2024-01-05", "1"},
                    {"-5", "3000000000.0", "2.0", "2024-01-02 10:30:00", "0"},
                    {"2147483647", "7.0", "-0.25", "2024-02-29 23:59:59", "1"}}));
}

TEST_F(TextFolderTypes, HeaderOnlyFileHasTextColumns) {
    write("dest.csv", "\"Id\",\"Name\"\r\n");
    EXPECT_EQ(declaredTypes("dest.csv"), (Names{"VARCHAR(255)", "VARCHAR(255)"}));
    EXPECT_EQ(columnNames("dest.csv"), (Names{"Id", "Name"}));
}

TEST_F(TextFolderTypes, DeclaredInSchemaIniWithAliases) {
    write("schema.ini",
          "[all.csv]\n"
          "Col1=A Bit\nCol2=B Byte\nCol3=C Short\nCol4=D Long\nCol5=E Currency\nCol6=F Single\n"
          "Col7=G Double\nCol8=H DateTime\nCol9=I Text Width 10\nCol10=J Memo\n"
          "Col11=K Char\nCol12=L Float\nCol13=M Integer\nCol14=N LongChar\nCol15=O Date\n");
    write("all.csv",
          "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15\n"
          "-1,255,-32768,2147483647,1.23456,0.1,2.5,2024-03-01 12:00:00,abc,long,k,1e3,7,n,"
          "2024-03-02\n");
    EXPECT_EQ(
        declaredTypes("all.csv"),
        (Names{"BIT", "TINYINT", "SMALLINT", "INTEGER", "CURRENCY", "SINGLE", "DOUBLE", "DATETIME",
               "VARCHAR(10)", "TEXT", "VARCHAR(255)", "DOUBLE", "SMALLINT", "TEXT", "DATETIME"}));
    EXPECT_EQ(columnNames("all.csv")[0], "A");
    EXPECT_EQ(run("SELECT A, B, C, D, E, G, H, I, L, O FROM [all.csv]"),
              (Rows{{"1", "255", "-32768", "2147483647", "1.2346", "2.5", "2024-03-01 12:00:00",
                     "abc", "1000.0", "2024-03-02"}}));
    EXPECT_EQ(run("SELECT F = CAST(0.1 AS REAL), ABS(F - 0.1) < 1e-7 FROM [all.csv]"),
              (Rows{{"0", "1"}}));
}

TEST_F(TextFolderTypes, UndeclaredColumnsAreStillGuessed) {
    write("schema.ini", "[p.csv]\nCol2=\"Given Name\" Text Width 20\n");
    write("p.csv", "Id,Name,Score\n1,Ann,2.5\n");
    EXPECT_EQ(columnNames("p.csv"), (Names{"Id", "Given Name", "Score"}));
    EXPECT_EQ(declaredTypes("p.csv"), (Names{"INTEGER", "VARCHAR(20)", "DOUBLE"}));
}

TEST_F(TextFolderTypes, LaterValueNotFittingTheGuessFailsWithAdvice) {
    std::string content = "Id,Age\n";
    for (int i = 1; i <= 25; ++i) {
        content += std::to_string(i) + "," + std::to_string(20 + i) + "\n";
    }
    content += "26,n/a\n";
    write("people.csv", content);
    EXPECT_EQ(declaredTypes("people.csv"), (Names{"INTEGER", "INTEGER"}));
    query("SELECT Id, Age FROM [people.csv]");
    EXPECT_EQ(error_,
              "people.csv, line 27, column Age: the value 'n/a' is not a Long value, the column's "
              "type as guessed from the first 25 rows (MaxScanRows). Declare the column's type in "
              "schema.ini, e.g. Col2=Age Text in section [people.csv].");
    // Columns that are not read do not fail.
    EXPECT_EQ(run("SELECT COUNT(Id) FROM [people.csv]"), (Rows{{"26"}}));
}

TEST_F(TextFolderTypes, MaxScanRowsDecidesHowFarTheGuessLooks) {
    write("schema.ini", "[all.csv]\nMaxScanRows=0\n[two.csv]\nMaxScanRows=2\n");
    std::string content = "N\n";
    for (int i = 0; i < 40; ++i) {
        content += "1\n";
    }
    write("all.csv", content + "x\n");
    write("two.csv", "N\n1\n2\n3.5\n");
    EXPECT_EQ(declaredTypes("all.csv"), (Names{"VARCHAR(255)"}));
    EXPECT_EQ(declaredTypes("two.csv"), (Names{"INTEGER"}));
    query("SELECT N FROM [two.csv]");
    EXPECT_EQ(error_,
              "two.csv, line 4, column N: the value '3.5' is not a Long value, the column's type "
              "as guessed from the first 2 rows (MaxScanRows). Declare the column's type in "
              "schema.ini, e.g. Col1=N Double in section [two.csv].");
}

TEST_F(TextFolderTypes, LongTextAfterTheScanFails) {
    write("schema.ini", "[t.csv]\nMaxScanRows=1\n");
    write("t.csv", "Note\nshort\n" + std::string(300, 'z') + "\n");
    query("SELECT Note FROM [t.csv]");
    EXPECT_EQ(error_,
              "t.csv, line 3, column Note: the value '" + std::string(60, 'z') +
                  "...' (300 characters) is longer than the 255 characters of the column's type "
                  "Text as guessed from the first 1 rows (MaxScanRows). Declare the column's type "
                  "in schema.ini, e.g. Col1=Note Memo in section [t.csv].");
}

TEST_F(TextFolderTypes, DeclaredTypeMismatchAdvisesChangingTheEntry) {
    write("schema.ini", "[d.csv]\nCol1=D DateTime\nCol2=B Byte\n");
    write("d.csv", "D,B\n2024-01-01,300\nlater,1\n");
    query("SELECT B FROM [d.csv]");
    EXPECT_EQ(error_,
              "d.csv, line 2, column B: the value '300' is not a Byte value, the column's type as "
              "declared in schema.ini. Change its entry in schema.ini to fit the values, e.g. "
              "Col2=B Double in section [d.csv].");
    query("SELECT D FROM [d.csv] WHERE D > '2024'");
    EXPECT_EQ(error_,
              "d.csv, line 3, column D: the value 'later' is not a DateTime value, the column's "
              "type as declared in schema.ini. Change its entry in schema.ini to fit the values, "
              "e.g. Col1=D Text in section [d.csv].");
}

TEST_F(TextFolderTypes, DateTimeFormatAndDecimalSymbol) {
    write("schema.ini",
          "[eu.csv]\nFormat=Delimited(;)\nDateTimeFormat=dd.mm.yyyy hh:nn\nDecimalSymbol=,\n");
    write("eu.csv", "When;Amount\n05.01.2024 10:30;1,5\n31.12.2023;-2\n");
    EXPECT_EQ(declaredTypes("eu.csv"), (Names{"DATETIME", "DOUBLE"}));
    EXPECT_EQ(run("SELECT [When], Amount FROM [eu.csv]"),
              (Rows{{"2024-01-05 10:30:00", "1.5"}, {"2023-12-31", "-2.0"}}));
}

TEST_F(TextFolderTypes, DatesInTheSectionsFormatKeepFractionsOfASecond) {
    write("schema.ini", "[f.csv]\nDateTimeFormat=dd.mm.yyyy hh:nn:ss\nCol1=When DateTime\n");
    write("f.csv",
          "When\n05.01.2024 10:30:00.5\n05.01.2024 10:30:00.123456\n05.01.2024 10:30:07\n");
    EXPECT_EQ(
        run("SELECT [When] FROM [f.csv]"),
        (Rows{{"2024-01-05 10:30:00.5"}, {"2024-01-05 10:30:00.123456"}, {"2024-01-05 10:30:07"}}));
}

TEST_F(TextFolderTypes, BlankValuesInTypedColumnsAreNull) {
    write("b.csv", "N,T\n1,a\n  ,  \n");
    EXPECT_EQ(run("SELECT N, T FROM [b.csv]"), (Rows{{"1", "a"}, {"NULL", "  "}}));
}

}  // namespace
}  // namespace kiv::db::files::testing
