#pragma once

#include <memory>

#include "base/Variant.h"
#include "db/ConnectString.h"
#include "db/cells/CellChanges.h"
#include "db/excel/Workbook.h"

namespace kiv::db {
class Engine;
}

namespace kiv::db::excel {

// Opens a workbook (`...;Extended Properties=Excel 8.0;`), .xls or .xlsx as its content says
// whatever its extension: every worksheet is a read-only table named by the sheet's name and
// `$` (`[Sheet1$]`, also `['My Sheet$']` where the name needs quotes), its data starting at the
// upper-left non-blank cell; every workbook-level named range of one rectangle is a table under
// its name. The first row names the columns unless HDR=No. An .xlsx workbook opened for
// writing takes new rows and sheets (a missing one is created, as .xls when its name says so);
// an existing .xls workbook is only read.
class ExcelEngine {
public:
    // Throws Error when the file is missing (and cannot be created) or is no workbook that can
    // be read.
    static std::shared_ptr<Engine> open(const ConnectString& parts, long mode);

    // An engine that reads `workbook` (the file at `path`) and refuses every change with
    // `refusal`, except rows inserted when `changes` take them.
    static std::shared_ptr<Engine> serve(const Workbook& workbook, const std::string& path,
                                         bool header, const Variant& modified, std::string refusal,
                                         cells::CellChanges* changes = nullptr);
};

}  // namespace kiv::db::excel
