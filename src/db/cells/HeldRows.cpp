#include "db/cells/HeldRows.h"

namespace kiv::db::cells {

namespace {

class HeldCursor : public RowSource::Cursor {
public:
    explicit HeldCursor(const std::vector<RowSource::Row>& rows) : rows_(rows) {}

    const RowSource::Row* next() override {
        return next_ < rows_.size() ? &rows_[next_++] : nullptr;
    }

private:
    const std::vector<RowSource::Row>& rows_;
    std::size_t next_ = 0;
};

}  // namespace

std::unique_ptr<RowSource::Cursor> HeldRows::rows() const {
    return std::make_unique<HeldCursor>(rows_);
}

}  // namespace kiv::db::cells
