#pragma once

#include <memory>

#include "db/ConnectString.h"

namespace kiv::db {
class Engine;
}

namespace kiv::db::excel {

// Opens a workbook (`...;Extended Properties=Excel 8.0;`), .xls or .xlsx as its content says
// whatever its extension: every worksheet is a read-only table named by the sheet's name and
// `$` (`[Sheet1$]`, also `['My Sheet$']` where the name needs quotes), its data starting at the
// upper-left non-blank cell; every workbook-level named range of one rectangle is a table under
// its name. The first row names the columns unless HDR=No.
class ExcelEngine {
public:
    // Throws Error when the file is missing or is no workbook that can be read.
    static std::shared_ptr<Engine> open(const ConnectString& parts);
};

}  // namespace kiv::db::excel
