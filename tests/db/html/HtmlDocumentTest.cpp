#include <gtest/gtest.h>

#include "db/html/HtmlDocument.h"

namespace kiv::db::html {
namespace {

using Rows = std::vector<std::vector<std::string>>;

TEST(HtmlDocumentParts, RowGroupsHeaderCellsAndEmptyRows) {
    const HtmlDocument document(
        "<html><head><title> The   title </title></head><body>"
        "<table><caption>First</caption><caption>Second</caption>"
        "<thead><tr><th>H1</th><th>H2</th></tr></thead>"
        "<tbody><tr></tr><tr><td>a</td><td><style>p{}</style>b</td></tr></tbody>"
        "<tfoot><tr><td>f</td></tr></tfoot></table></body></html>");
    EXPECT_EQ(document.title(), "The title");
    ASSERT_EQ(document.tables().size(), 1u);
    EXPECT_EQ(document.tables()[0].caption, "First");
    EXPECT_EQ(document.tables()[0].rows, (Rows{{"H1", "H2"}, {"a", "b"}, {"f"}}));
}

TEST(HtmlDocumentParts, TablesInDocumentOrderWithNestedOnesAfterTheirOuterTable) {
    const HtmlDocument document(
        "<table><tr><td>1<table><tr><td>1.1<table><tr><td>1.1.1</td></tr></table></td></tr>"
        "</table></td></tr></table><table><tr><td>2</td></tr></table>");
    std::vector<std::string> firstCells;
    for (const HtmlDocument::Table& table : document.tables()) {
        firstCells.push_back(table.rows.at(0).at(0));
    }
    EXPECT_EQ(firstCells, (std::vector<std::string>{"1", "1.1", "1.1.1", "2"}));
}

TEST(HtmlDocumentParts, ADocumentWithoutTables) {
    const HtmlDocument document("<p>No tables here</p>");
    EXPECT_TRUE(document.tables().empty());
    EXPECT_EQ(document.title(), "");
}

}  // namespace
}  // namespace kiv::db::html
