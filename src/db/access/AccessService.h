#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/access/AccessDatabase.h"
#include "db/access/AccessRowReader.h"
#include "db/cells/ReaderProcess.h"

namespace kiv::db::access {

// What the reader process of an Access database does: opens the file through mdbtools, sends
// the definitions of its tables and carries out the program's commands, reading the rows of
// its tables, in the way AccessProtocol describes.
class AccessService {
public:
    // Returns when the program sends no more commands. Throws std::runtime_error when the file
    // is no database that can be read, or a command makes no sense.
    static void serve(const std::string& path, cells::ReaderProcess::Output& output);

private:
    AccessService(const std::string& path, cells::ReaderProcess::Output& output);
    void run();
    void carryOut(const cells::ReaderProcess::Command& command);
    void open(std::uint64_t table);
    AccessRowReader& reader(std::uint32_t number);
    void sendBatch(std::uint32_t number);

    AccessDatabase database_;
    std::vector<MdbCatalogEntry*> tables_;
    cells::ReaderProcess::Output& output_;
    std::map<std::uint32_t, std::unique_ptr<AccessRowReader>> readers_;
    std::uint32_t next_ = 0;
    std::string batch_;  // kept for its room
};

}  // namespace kiv::db::access
