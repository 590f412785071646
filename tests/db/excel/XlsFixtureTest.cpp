#include <filesystem>
#include <fstream>
#include <iterator>

#include "db/cells/FileSourceFixture.h"

namespace kiv::db::testing {
namespace {

// The .xls workbooks made once from the flat spreadsheet files in tests/data.
std::string fixture(const std::string& name) {
    return (std::filesystem::path(KIV_SOURCE_DIR) / "tests" / "data" / name)
        .lexically_normal()
        .string();
}

class XlsFixture : public FileSourceFixture {
protected:
    void SetUp() override { openFixture("workbook.xls"); }

    void openFixture(const std::string& name) {
        open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + fixture(name) +
             ";Extended Properties=Excel 8.0;");
    }
};

TEST_F(XlsFixture, SheetsAndTheNamedRange) {
    EXPECT_EQ(tables(),
              (std::vector<std::string>{"Adults:TABLE", "Other Sheet$:TABLE", "People$:TABLE"}));
    EXPECT_EQ(rows("SELECT Code FROM [Other Sheet$]"), (Rows{{"x"}, {"y"}}));
    EXPECT_EQ(rows("SELECT Name, Age FROM Adults ORDER BY Age"),
              (Rows{{"Ann", "34"}, {"Bj\xC3\xB6rn", "41.5"}}));
}

TEST_F(XlsFixture, ValuesAndTypesOfAWorksheet) {
    EXPECT_EQ(fields("SELECT * FROM [People$]"),
              (std::vector<std::string>{"Name 202 255", "Age 5 8", "Born 7 8", "Paid 6 8",
                                        "Member 11 2", "Note 202 255"}));
    EXPECT_EQ(rows("SELECT * FROM [People$] ORDER BY Age"),
              (Rows{{"Ann", "34", "1990-05-17", "12.5", "True", "1"},
                    {"Bj\xC3\xB6rn", "41.5", "1983-01-02 06:30:00", "7", "False", "two"}}));
}

// Its workbook stream is long enough to be kept in full sectors rather than the mini stream.
TEST_F(XlsFixture, ALargerWorkbook) {
    openFixture("repeated.xls");
    EXPECT_EQ(rows("SELECT COUNT(*), SUM(Id) FROM [Rows$]"), (Rows{{"601", "4208"}}));
    EXPECT_EQ(rows("SELECT Id, Label FROM [Rows$] WHERE Label <> 'seven'"), (Rows{{"8", "last"}}));
}

// Damaged copies of a workbook fail with an error naming the file, whatever the reader of
// .xls files does with them.
TEST_F(XlsFixture, DamagedWorkbooksAreErrorsNamingTheFile) {
    std::ifstream in(fixture("workbook.xls"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string file = folder_.file("damaged.xls");
    for (const std::size_t kept : {bytes.size() / 2, std::size_t{600}}) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes.substr(0, kept);
        const Error error = errorOf([&] {
            open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file +
                 ";Extended Properties=Excel 8.0;");
        });
        EXPECT_TRUE(error.Description().starts_with("[Kiv][Excel]Cannot read the workbook '" +
                                                    file + "': "))
            << error.Description();
    }
}

}  // namespace
}  // namespace kiv::db::testing
