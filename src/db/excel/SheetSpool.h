#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/cells/Cell.h"
#include "db/excel/Spool.h"

namespace kiv::db::excel {

// The rows of a worksheet as they were parsed, kept in a compact form in a spool (a temporary
// file past its first megabyte), so that each scan reads them back quickly without parsing the
// sheet again and without holding them.
class SheetSpool {
public:
    // `sheet` names the sheet in failures.
    explicit SheetSpool(const std::string& sheet) : spool_("the rows of the sheet " + sheet) {}

    // Adds the cells of the row at `row` (0-based), after the rows added before. Throws
    // std::runtime_error when the temporary file cannot be written.
    void add(std::size_t row, const std::vector<cells::Cell>& cells);

    // Reads the rows back in order, from the first.
    class Reader {
    public:
        explicit Reader(std::shared_ptr<SheetSpool> spool) : spool_(std::move(spool)) {}

        // Moves to the next row; false after the last. Throws std::runtime_error when the
        // temporary file cannot be read.
        bool next();
        std::size_t row() const noexcept { return row_; }
        std::vector<cells::Cell>& cells() noexcept { return cells_; }

    private:
        const char* take(std::size_t size);
        template <typename Value>
        Value takeValue();

        std::shared_ptr<SheetSpool> spool_;
        std::uint64_t offset_ = 0;  // of the spool's bytes after those in buffer_
        std::string buffer_;
        std::size_t at_ = 0;  // the next byte of buffer_ to take
        std::size_t row_ = 0;
        std::vector<cells::Cell> cells_;
    };

private:
    Spool spool_;
    std::string row_;  // the row being added, its buffer kept from row to row
};

}  // namespace kiv::db::excel
