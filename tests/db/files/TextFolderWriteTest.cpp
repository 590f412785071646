#include "db/files/TextFolderFixture.h"

namespace kiv::db::files::testing {
namespace {

using Rows = TextFolderFixture::Rows;
class TextFolderWrite : public TextFolderFixture {};

// The statement text the data load builds for a text destination.
const std::string InsertAB = "INSERT INTO [out.csv] (\r\n  [A]\r\n, [B] )\r\n VALUES ( ?, ? )";

TEST_F(TextFolderWrite, InsertAppendsQuotedTextAndPlainNumbers) {
    write("schema.ini", "[out.csv]\nCol1=A Long\nCol2=B Text\nCol3=C Double\nCol4=D DateTime\n");
    write("out.csv", "A,B,C,D\r\n");
    run("INSERT INTO [out.csv] (A, B, C, D) VALUES (1, 'say \"hi\", then go', 2.5, "
        "'2024-01-05 10:30:00')");
    run("INSERT INTO [out.csv] (A, B, C, D) VALUES (2, NULL, NULL, '2024-01-06')");
    run("INSERT INTO [out.csv] (A, B) VALUES (3, '')");
    EXPECT_EQ(read("out.csv"),
              "A,B,C,D\r\n"
              "1,\"say \"\"hi\"\", then go\",2.5,2024-01-05 10:30:00\r\n"
              "2,,,2024-01-06\r\n"
              "3,,,\r\n");
    EXPECT_EQ(run("SELECT A, B, C, D FROM [out.csv] ORDER BY A"),
              (Rows{{"1", "say \"hi\", then go", "2.5", "2024-01-05 10:30:00"},
                    {"2", "NULL", "NULL", "2024-01-06"},
                    {"3", "NULL", "NULL", "NULL"}}));
}

TEST_F(TextFolderWrite, ParameterisedInsertIntoHeaderOnlyFile) {
    write("out.csv", "\"A\",\"B\"");
    run(InsertAB, {"1", "line one\r\nline two"});
    run(InsertAB, {"x,y", "2"});
    EXPECT_EQ(read("out.csv"),
              "\"A\",\"B\"\r\n"
              "\"1\",\"line one\r\nline two\"\r\n"
              "\"x,y\",\"2\"\r\n");
    // What was written before a read is seen by it.
    EXPECT_EQ(run("SELECT A, B FROM [out.csv]"),
              (Rows{{"1", "line one\r\nline two"}, {"x,y", "2"}}));
}

TEST_F(TextFolderWrite, RowsWrittenInATransactionAreSeenByALaterSelect) {
    write("out.csv", "A,B\r\n");
    run("BEGIN");
    for (int i = 0; i < 1000; ++i) {
        run(InsertAB, {std::to_string(i), "v"});
    }
    EXPECT_EQ(run("SELECT COUNT(*) FROM [out#csv]"), (Rows{{"1000"}}));
    run("INSERT INTO [out#csv] (A, B) VALUES ('through', 'alias')");
    run("COMMIT");
    EXPECT_EQ(run("SELECT B FROM [out.csv] WHERE A = 'through'"), (Rows{{"alias"}}));
}

TEST_F(TextFolderWrite, LongTransactionsDoNotPileUpInMemoryAndCloseWritesTheRest) {
    write("out.csv", "A,B\r\n");
    run("BEGIN");
    const std::string text(100, 't');
    for (int i = 0; i < 1000; ++i) {
        run(InsertAB, {std::to_string(i), text});
    }
    // Each row is its quoted number, a comma, the quoted text and CR LF.
    const std::uintmax_t complete = 5 + (10 * 1 + 90 * 2 + 900 * 3) + 1000 * 107;
    // Gathered lines reach the file in blocks while the transaction goes on.
    EXPECT_GT(std::filesystem::file_size(folder_ + "/out.csv"), 64u * 1024u);
    EXPECT_LT(std::filesystem::file_size(folder_ + "/out.csv"), complete);
    sqlite3_close(db_);
    db_ = nullptr;
    EXPECT_EQ(std::filesystem::file_size(folder_ + "/out.csv"), complete);
}

TEST_F(TextFolderWrite, DatesInTheSectionsFormat) {
    write("schema.ini", "[d.csv]\nDateTimeFormat=dd.mm.yyyy hh:nn\nCol1=D DateTime\nCol2=F Bit\n");
    write("d.csv", "D,F\r\n");
    run("INSERT INTO [d.csv] (D, F) VALUES ('2024-01-05 10:30:00', 1)");
    run("INSERT INTO [d.csv] (D, F) VALUES ('2024-01-06', 'False')");
    run("INSERT INTO [d.csv] (D, F) VALUES (45000.5, 0)");
    EXPECT_EQ(read("d.csv"),
              "D,F\r\n05.01.2024 10:30,True\r\n06.01.2024,False\r\n15.03.2023 12:00,False\r\n");
}

TEST_F(TextFolderWrite, FractionsOfASecondFollowTheSeconds) {
    write("schema.ini", "[d.csv]\nDateTimeFormat=dd.mm.yyyy hh:nn:ss\nCol1=D DateTime\n");
    write("d.csv", "D\r\n");
    run("INSERT INTO [d.csv] (D) VALUES ('2024-01-05 10:30:00.250')");
    run("INSERT INTO [d.csv] (D) VALUES ('2024-01-05 10:30:01')");
    run("INSERT INTO [d.csv] (D) VALUES ('2024-01-05 00:00:00.000001')");
    EXPECT_EQ(read("d.csv"),
              "D\r\n05.01.2024 10:30:00.25\r\n05.01.2024 10:30:01\r\n"
              "05.01.2024 00:00:00.000001\r\n");
}

TEST_F(TextFolderWrite, MissingFinalLineEndIsAddedFirst) {
    write("m.csv", "A,B\r\n1,x");
    run("INSERT INTO [m.csv] (A, B) VALUES (2, 'y')");
    EXPECT_EQ(read("m.csv"), "A,B\r\n1,x\r\n2,\"y\"\r\n");
}

TEST_F(TextFolderWrite, WritesInTheFilesCharacterSet) {
    write("schema.ini",
          "[ansi.txt]\nCharacterSet=1252\n[oem.txt]\nCharacterSet=437\n[wide.txt]\n"
          "CharacterSet=Unicode\n");
    write("ansi.txt", "N\r\n");
    write("oem.txt", "N\r\n");
    write("wide.txt", std::string("\xFF\xFEN\0\r\0\n\0", 8));
    write("marked.txt", "\xEF\xBB\xBFN\r\n");
    for (const std::string table : {"ansi.txt", "oem.txt", "wide.txt", "marked.txt"}) {
        run("INSERT INTO [" + table + "] (N) VALUES ('\xC3\xB6\xE2\x82\xAC\xE4\xB8\xAD')");
        EXPECT_EQ(run("SELECT N FROM [" + table + "]").at(0).at(0),
                  table == "ansi.txt"  ? "\xC3\xB6\xE2\x82\xAC?"
                  : table == "oem.txt" ? "\xC3\xB6??"
                                       : "\xC3\xB6\xE2\x82\xAC\xE4\xB8\xAD")
            << table;
    }
    EXPECT_EQ(read("ansi.txt"), "N\r\n\"\xF6\x80?\"\r\n");
    EXPECT_EQ(read("oem.txt"), "N\r\n\"\x94??\"\r\n");
    EXPECT_EQ(read("wide.txt"),
              std::string("\xFF\xFEN\0\r\0\n\0\"\0\xF6\0\xAC\x20\x2D\x4E\"\0\r\0\n\0", 22));
    EXPECT_EQ(read("marked.txt"), "\xEF\xBB\xBFN\r\n\"\xC3\xB6\xE2\x82\xAC\xE4\xB8\xAD\"\r\n");
}

TEST_F(TextFolderWrite, ValuesThatDoNotFitAreRefused) {
    write("schema.ini", "[r.csv]\nCol1=N Short\nCol2=T Text Width 3\n");
    write("r.csv", "N,T\r\n");
    query("INSERT INTO [r.csv] (N, T) VALUES (40000, 'a')");
    EXPECT_EQ(error_,
              "Cannot add a row to r.csv, column N: the value '40000' is not a Short value, the "
              "column's type as declared in schema.ini. Change its entry in schema.ini to fit the "
              "values, e.g. Col1=N Double in section [r.csv].");
    query("INSERT INTO [r.csv] (N, T) VALUES (1, 'abcd')");
    EXPECT_EQ(
        error_,
        "Cannot add a row to r.csv, column T: the value 'abcd' (4 characters) is longer than "
        "the 3 characters of the column's type Text as declared in schema.ini. Change its "
        "entry in schema.ini to fit the values, e.g. Col2=T Text Width 4 in section [r.csv].");
    query("INSERT INTO [r.csv] (N, T) VALUES ('many', 'a')");
    EXPECT_NE(error_.find("the value 'many' is not a Short value"), std::string::npos) << error_;
    EXPECT_EQ(read("r.csv"), "N,T\r\n");
}

TEST_F(TextFolderWrite, UpdateAndDeleteAreRefused) {
    write("u.csv", "A\r\n1\r\n");
    query("UPDATE [u.csv] SET A = 2");
    EXPECT_EQ(error_,
              "Cannot update rows of u.csv: a text file only takes new rows at its end "
              "(INSERT).");
    query("DELETE FROM [u.csv]");
    EXPECT_EQ(error_,
              "Cannot delete rows of u.csv: a text file only takes new rows at its end "
              "(INSERT).");
    EXPECT_EQ(read("u.csv"), "A\r\n1\r\n");
}

TEST_F(TextFolderWrite, FixedLengthRowsArePadded) {
    write("schema.ini",
          "[f.txt]\nFormat=FixedLength\nColNameHeader=False\nCol1=A Text Width 4\n"
          "Col2=B Long Width 5\n");
    write("f.txt", "");
    run("INSERT INTO [f.txt] (A, B) VALUES ('ab', 12)");
    EXPECT_EQ(read("f.txt"), "ab  12   \r\n");
    EXPECT_EQ(run("SELECT A, B FROM [f.txt]"), (Rows{{"ab", "12"}}));
}

TEST_F(TextFolderWrite, AnEmptyFileWithAHeaderGetsItsHeaderLineBeforeTheFirstRow) {
    write("schema.ini",
          "[n.csv]\nCol1=A Long\nCol2=B Text\n"
          "[w.txt]\nFormat=FixedLength\nCol1=Code Text Width 6\nCol2=N Long Width 3\n");
    write("n.csv", "");
    write("w.txt", "");
    run("INSERT INTO [n.csv] (A, B) VALUES (1, 'x')");
    run("INSERT INTO [n.csv] (A, B) VALUES (2, 'y')");
    run("INSERT INTO [w.txt] (Code, N) VALUES ('ab', 7)");
    EXPECT_EQ(read("n.csv"), "\"A\",\"B\"\r\n1,\"x\"\r\n2,\"y\"\r\n");
    EXPECT_EQ(read("w.txt"), "Code  N  \r\nab    7  \r\n");
    EXPECT_EQ(run("SELECT count(*) FROM [n.csv]"), (Rows{{"2"}}));
    EXPECT_EQ(run("SELECT Code, N FROM [w.txt]"), (Rows{{"ab", "7"}}));
}

TEST_F(TextFolderWrite, DelimitedWithDecimalCommaQuotesNumbers) {
    write("schema.ini", "[c.csv]\nDecimalSymbol=,\nCol1=X Double\n");
    write("c.csv", "X\r\n");
    run("INSERT INTO [c.csv] (X) VALUES (1.5)");
    EXPECT_EQ(read("c.csv"), "X\r\n\"1,5\"\r\n");
    EXPECT_EQ(run("SELECT X FROM [c.csv]"), (Rows{{"1.5"}}));
}

}  // namespace
}  // namespace kiv::db::files::testing
