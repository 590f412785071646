#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/CatalogEntry.h"
#include "db/cells/CellChanges.h"
#include "db/cells/CellTable.h"
#include "db/cells/FileSource.h"

namespace kiv::db {
class Engine;
}

namespace kiv::db::cells {

// Opens the engine of a source whose tables are held as cells (a workbook, an HTML file).
class CellEngine {
public:
    // A table under one of its SQL names; a table may come under several names.
    using NamedTable = std::pair<std::string, std::shared_ptr<const CellTable>>;

    // The engine refuses every change with `refusal`, except the rows an INSERT adds when
    // there are `changes` to take them (which must outlive the engine). A table the source does
    // not have is an error naming the file at `path`. Throws Error when a table cannot be made.
    static std::shared_ptr<Engine> open(const FileSource& source, const std::string& path,
                                        const std::vector<NamedTable>& tables,
                                        std::vector<CatalogEntry> catalog, std::string refusal,
                                        CellChanges* changes = nullptr);
};

}  // namespace kiv::db::cells
