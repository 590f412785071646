#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kiv::db::html {

// The tables of an HTML document, read with a parser that takes real-world markup as browsers
// do (unclosed cells and rows, stray tags). Every `<table>` is a table of its own, in document
// order (an outer table before the tables nested in it); the cells of a nested table belong to
// it alone. Cell texts have their white space collapsed. The document is parsed as a stream
// of its elements and only the tables are kept, so neither its size nor how deep its
// elements nest makes it take more memory than its tables.
class HtmlDocument {
public:
    struct Table {
        std::string caption;
        std::vector<std::vector<std::string>> rows;  // rows without cells are left out
    };

    // The document's bytes: UTF-8 (or UTF-16 with a byte-order mark) when they are that,
    // otherwise Windows-1252. Throws std::runtime_error when no document can be made of them.
    explicit HtmlDocument(std::string_view bytes);

    const std::string& title() const noexcept { return title_; }
    const std::vector<Table>& tables() const noexcept { return tables_; }

private:
    std::string title_;
    std::vector<Table> tables_;
};

}  // namespace kiv::db::html
