#include "db/excel/SheetSpool.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace kiv::db::excel {

using cells::Cell;

namespace {

// Read from the spool this many bytes at a time, or as many as a value takes.
constexpr std::size_t PieceSize = 1 << 16;

template <typename Value>
void appendValue(std::string& out, Value value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

// A row is its number and count of cells (four bytes each), then for each cell its kind (a
// byte) and its number (eight bytes) or its text (a four-byte length and the bytes).
void SheetSpool::add(std::size_t row, const std::vector<Cell>& cells) {
    row_.clear();
    appendValue(row_, static_cast<std::uint32_t>(row));
    appendValue(row_, static_cast<std::uint32_t>(cells.size()));
    for (const Cell& cell : cells) {
        appendValue(row_, cell.kind);
        if (cell.kind == Cell::Kind::Text) {
            appendValue(row_, static_cast<std::uint32_t>(cell.text.size()));
            row_ += cell.text;
        } else if (!cell.blank()) {
            appendValue(row_, cell.number);
        }
    }
    spool_.append(row_);
}

bool SheetSpool::Reader::next() {
    if (at_ == buffer_.size() && offset_ == spool_->spool_.size()) {
        return false;
    }
    row_ = takeValue<std::uint32_t>();
    cells_.resize(takeValue<std::uint32_t>());
    for (Cell& cell : cells_) {
        cell.kind = takeValue<Cell::Kind>();
        if (cell.kind == Cell::Kind::Text) {
            const auto size = takeValue<std::uint32_t>();
            cell.text.assign(take(size), size);
        } else {
            cell.text.clear();
            cell.number = cell.blank() ? 0 : takeValue<double>();
        }
    }
    return true;
}

const char* SheetSpool::Reader::take(std::size_t size) {
    if (buffer_.size() - at_ < size) {
        buffer_.erase(0, at_);
        at_ = 0;
        const std::size_t kept = buffer_.size();
        buffer_.resize(std::max(size, PieceSize));
        std::size_t filled = kept;
        while (filled < size) {
            const std::size_t count =
                spool_->spool_.readAt(offset_, buffer_.data() + filled, buffer_.size() - filled);
            if (count == 0) {
                throw std::runtime_error("the rows of a sheet in a temporary file end too soon");
            }
            offset_ += count;
            filled += count;
        }
        buffer_.resize(filled);
    }
    const char* bytes = buffer_.data() + at_;
    at_ += size;
    return bytes;
}

template <typename Value>
Value SheetSpool::Reader::takeValue() {
    Value value{};
    std::memcpy(&value, take(sizeof value), sizeof value);
    return value;
}

}  // namespace kiv::db::excel
