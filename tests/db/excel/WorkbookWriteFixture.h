#pragma once

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/Variant.h"
#include "db/cells/FileSourceFixture.h"

namespace kiv::db::testing {

inline std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A workbook connection that writes, and LibreOffice to check what it wrote.
class WorkbookWriteFixture : public FileSourceFixture {
protected:
    static bool hasLibreOffice() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

    // Runs LibreOffice to convert `file` into the folder `into`; the converted file's path.
    std::string convert(const std::string& file, const std::string& format,
                        const std::string& into) {
        const std::string command = "cd '" + folder_.path() + "' && HOME='" + folder_.path() +
                                    "' soffice --headless --convert-to '" + format +
                                    "' --outdir '" + into + "' '" + file + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        const std::string name = file.substr(file.rfind('/') + 1);
        return into + "/" + name.substr(0, name.rfind('.')) + "." +
               format.substr(0, format.find(':'));
    }

    void openWorkbook(const std::string& file, long mode = adModeReadWrite) {
        connection_ = std::make_shared<Connection>();
        connection_->Mode(mode);
        connection_->Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file +
                          ";Extended Properties=\"Excel 8.0;\"");
    }

    std::shared_ptr<Recordset> target(const std::string& table) {
        auto recordset = std::make_shared<Recordset>();
        recordset->Open("SELECT * FROM [" + table + "]", connection_, adOpenKeyset,
                        adLockOptimistic, adCmdText);
        return recordset;
    }

    static void add(Recordset& recordset, const std::vector<std::pair<std::string, Variant>>& row) {
        recordset.AddNew();
        for (const auto& [name, value] : row) {
            recordset.Fields().Item(name)->Value(value);
        }
        recordset.Update();
    }

    void closeConnection() {
        connection_->Close();
        connection_.reset();
    }
};

}  // namespace kiv::db::testing
