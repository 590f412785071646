#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/access/AccessTable.h"
#include "db/cells/ReaderProcess.h"

namespace kiv::db::access {

// An Access database read in a reader process of its own: mdbtools, which a damaged file can
// make hang, abort or overrun its memory, never runs in the program. The process lives as long
// as this object; it sends the definitions of the tables at once and their rows in batches
// when asked. Once it has failed, every call fails with the same description.
class AccessReader {
public:
    // Throws std::runtime_error describing why the file cannot be read ("the file is damaged
    // or not supported: the reader ended with signal 6 after 3.1 s").
    explicit AccessReader(const std::string& path);
    // The database at `path` as `serve` sends it from the reader process, within `limits`.
    AccessReader(const std::string& path, const cells::ReaderProcess::Work& serve,
                 cells::ReaderProcess::Limits limits);
    AccessReader(const AccessReader&) = delete;
    AccessReader& operator=(const AccessReader&) = delete;

    const std::string& path() const noexcept { return path_; }
    // In the order of the database's catalog.
    const std::vector<AccessTable>& tables() const noexcept { return tables_; }

    // Opens a reader of the rows of a table; gives its number. Throws std::runtime_error.
    std::uint32_t open(const std::string& table);
    // Puts the next batch of rows of a reader into `batch`: from the table's first row with
    // the values of `columns` (as AccessProtocol::columns() gives them), or after the last row
    // sent. True when the table ends with them. Throws std::runtime_error.
    bool start(std::uint32_t reader, std::uint32_t columns, std::string& batch);
    bool more(std::uint32_t reader, std::string& batch);
    void close(std::uint32_t reader) noexcept;
    // Throws std::runtime_error saying that the rows sent are malformed.
    [[noreturn]] void malformed();

private:
    template <typename Call>
    auto guarded(Call&& call);
    bool batch(cells::ReaderProcess::Command command, std::string& batch);

    std::string path_;
    cells::ReaderProcess process_;
    std::vector<AccessTable> tables_;
    std::string failure_;  // why the reader failed; empty while it works
};

}  // namespace kiv::db::access
