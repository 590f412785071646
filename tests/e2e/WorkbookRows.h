#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Recordset.h"

// The rows `sql` gives on the workbook at `path`, opened for reading with the extended
// properties `properties` ("Excel 8.0;"): each row's values joined by "|", NULL written as NULL.
inline std::vector<std::string> workbookRows(const std::string& path, const std::string& properties,
                                             const std::string& sql) {
    auto book = std::make_shared<kiv::db::Connection>();
    book->Mode(kiv::db::adModeRead);
    book->Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";Extended Properties=\"" +
               properties + "\"");
    std::vector<std::string> read;
    for (auto rows = book->Execute(sql); !rows->EOF(); rows->MoveNext()) {
        std::string line;
        for (const auto& field : rows->Fields()) {
            line += (line.empty() ? "" : "|") +
                    (field->Value().isNull() ? "NULL" : field->Value().toText());
        }
        read.push_back(line);
    }
    book->Close();
    return read;
}
