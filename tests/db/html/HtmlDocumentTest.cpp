#include <gtest/gtest.h>

#include <string>

#include "PeakMemory.h"
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

// A document's table nested in `depth` elements.
std::string nestedTable(int depth) {
    std::string html;
    for (int level = 0; level < depth; ++level) {
        html += "<div>";
    }
    html += "<table><tr><td>deep</td><td>cell</td></tr><tr><td>2</td></tr></table>";
    for (int level = 0; level < depth; ++level) {
        html += "</div>";
    }
    return html;
}

TEST(HtmlDocumentParts, TablesNestedDeeplyAreRead) {
    for (const int depth : {255, 300, 20000}) {
        const HtmlDocument document(nestedTable(depth));
        ASSERT_EQ(document.tables().size(), 1u) << depth;
        EXPECT_EQ(document.tables()[0].rows, (Rows{{"deep", "cell"}, {"2"}})) << depth;
    }
}

TEST(HtmlDocumentParts, ALargeDocumentIsReadWithoutItsTree) {
    std::string html = "<html><body><table><tr><td>first</td></tr></table>";
    const std::string paragraph = "<div class=\"x\"><p>Words of <b>a</b> paragraph</p></div>\n";
    while (html.size() < std::size_t{200} << 20) {
        html += paragraph;
    }
    html += "<table><tr><td>last</td><td>row</td></tr></table></body></html>";
    resetPeakMemory();
    const std::size_t before = peakMemory();
    const HtmlDocument document(html);
    [[maybe_unused]] const std::size_t growth = peakMemory() - before;
    ASSERT_EQ(document.tables().size(), 2u);
    EXPECT_EQ(document.tables()[1].rows, (Rows{{"last", "row"}}));
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps freed memory in quarantine, so there peak memory measures what
    // was allocated over time, not what was held at once.
    EXPECT_LT(growth, std::size_t{64} << 20);
#endif
}

}  // namespace
}  // namespace kiv::db::html
