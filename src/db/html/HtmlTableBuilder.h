#pragma once

#include <memory>
#include <string>

#include "db/cells/CellTable.h"
#include "db/html/HtmlDocument.h"

namespace kiv::db::html {

// Makes the table SQL reads of an HTML table: column names from the first row (with a header)
// or F1, F2, ...; short rows padded with blank cells; each column's type guessed from the texts
// of its first data rows the way the text-file engine guesses (whole numbers, numbers, dates,
// True/False, text), and each text read as a value of that type where it is one.
class HtmlTableBuilder {
public:
    static constexpr std::size_t ScanRows = 25;

    static std::shared_ptr<const cells::CellTable> build(std::string name,
                                                         const HtmlDocument::Table& table,
                                                         bool header);
};

}  // namespace kiv::db::html
