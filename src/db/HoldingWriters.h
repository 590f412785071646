#pragma once

#include <string_view>
#include <vector>

namespace kiv::db {

class GroupedTableWriter;

// The writers of one database that hold rows back. Before any other statement on the
// database runs, they send them, so that every statement sees every row written before it.
class HoldingWriters {
public:
    void add(GroupedTableWriter* writer);
    void remove(const GroupedTableWriter* writer) noexcept;
    // Makes every writer but `except` send the rows it holds back. Never throws: a writer
    // keeps its failure and reports it at its next call.
    void flush(const GroupedTableWriter* except = nullptr) noexcept;
    // Makes the writers whose rows the statement `statement` may read send them; the others
    // only wait until the database has taken what they sent. Never throws, as `flush`.
    void flushFor(std::string_view statement) noexcept;

private:
    std::vector<GroupedTableWriter*> writers_;
};

}  // namespace kiv::db
