#include <chrono>
#include <string>

#include "../e2e/RunFixture.h"
#include "KivrunProcess.h"
#include "db/excel/XlsxBuilder.h"

using namespace std::chrono_literals;

using LargeWorkbookRunTest = RunFixture;

namespace {

constexpr int kRows = 300000;
constexpr int kColumns = 10;

// data.xlsx: a header and kRows rows of kColumns cells, numbers and shared texts, written as it
// goes.
void writeWorkbook(const std::string& path) {
    kiv::db::testing::XlsxBuilder book(path, true);
    lxw_worksheet* sheet = book.sheet("Data");
    for (int column = 0; column < kColumns; ++column) {
        worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(column),
                               ("C" + std::to_string(column)).c_str(), nullptr);
    }
    const char* texts[] = {"north", "south", "east", "west"};
    for (int row = 1; row <= kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            if (column % 3 == 2) {
                worksheet_write_string(sheet, static_cast<lxw_row_t>(row),
                                       static_cast<lxw_col_t>(column), texts[(row + column) % 4],
                                       nullptr);
            } else {
                worksheet_write_number(sheet, static_cast<lxw_row_t>(row),
                                       static_cast<lxw_col_t>(column), row * 10.0 + column,
                                       nullptr);
            }
        }
    }
    book.close();
}

}  // namespace

// Three million cells of a sheet are loaded reading one row at a time: memory stays far below
// what holding the cells took (about 500 MB), whatever the number of rows.
TEST_F(LargeWorkbookRunTest, ASheetOfMillionsOfCellsIsLoadedInLittleMemory) {
    writeWorkbook(dir.file("data.xlsx"));
    std::string columns;
    std::string mapping;
    for (int column = 0; column < kColumns; ++column) {
        const std::string name = "C" + std::to_string(column);
        columns += (column == 0 ? "" : ", ") + name + (column % 3 == 2 ? " TEXT" : " REAL");
        const std::string n = std::to_string(column + 1);
        mapping += "SourceColumn_" + n + "=" + name + "\r\nTargetColumn_" + n + "=" + name + "\r\n";
    }
    sql("out.db", "CREATE TABLE Data (" + columns + ");");
    package("spec.ini", "Large workbook",
            "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Book\r\n"
            "SourceTableName=Data$\r\nTargetConnection=Out\r\nTargetTableName=Data\r\n"
            "SourceToDestinationColumnMappingSection=Cols\r\n[Cols]\r\n" +
                mapping +
                "[Data Connection - Book]\r\nDatabaseType=MSExcel\r\n"
                "Database=$(INIPath)/data.xlsx\r\n"
                "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n");
    KivrunProcess run(dir.path(), {"-run", "-report", "report.txt", "spec.ini"});
    ASSERT_EQ(run.Wait(120s), 0) << TempDir::read(dir.file("report.txt"));
    EXPECT_EQ(query("out.db", "SELECT COUNT(*), SUM(C0), MAX(C9), MIN(C2) FROM Data"),
              (std::vector<std::string>{"300000|450001500000.0|3000009.0|east"}));
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps freed memory in quarantine, so there peak memory measures what
    // was allocated over time, not what was held at once.
    EXPECT_LT(run.PeakKilobytes(), 120 * 1024);
#endif
}
