#pragma once

#include <memory>

#include "db/ConnectString.h"

namespace kiv::db {
class Engine;
}

namespace kiv::db::html {

// Opens an HTML file (`...;Extended Properties="HTML Import;HDR=NO;"`): every table of the
// document is a read-only table, named by its caption; a document with a single table without
// caption names it by the document's title; other tables are Table1, Table2, ... counting the
// unnamed tables in document order. HDR=YES takes the column names from the first row.
class HtmlEngine {
public:
    // Throws Error when the file is missing or cannot be read.
    static std::shared_ptr<Engine> open(const ConnectString& parts);
};

}  // namespace kiv::db::html
