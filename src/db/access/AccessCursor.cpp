#include "db/access/AccessCursor.h"

#include <cstring>
#include <stdexcept>

#include "db/access/AccessProtocol.h"

namespace kiv::db::access {

namespace {

// Where the bytes of a text or blob start after its marker.
constexpr std::size_t BytesStart = 1 + sizeof(std::uint32_t);

template <typename Value>
Value valueAt(const std::string& batch, std::size_t at) {
    Value value{};
    std::memcpy(&value, batch.data() + at, sizeof value);
    return value;
}

}  // namespace

AccessCursor::AccessCursor(std::shared_ptr<AccessReader> reader, const AccessTable& table)
    : reader_(std::move(reader)), table_(table), values_(table.columns.size()) {
    try {
        number_ = reader_->open(table.name);
    } catch (const std::runtime_error& failure) {
        fail(failure);
    }
}

AccessCursor::~AccessCursor() {
    reader_->close(number_);
}

void AccessCursor::rewind(std::uint32_t columns) {
    whole_ = whole_ && (columns_ & columns) == columns;
    at_ = whole_ ? 0 : batch_.size();
    last_ = whole_;
    fromStart_ = !whole_;
    if (!whole_) {
        columns_ = columns;
    }
}

bool AccessCursor::next() {
    try {
        if (at_ >= batch_.size()) {
            if (last_) {
                return false;
            }
            last_ = fromStart_ ? reader_->start(number_, columns_, batch_)
                               : reader_->more(number_, batch_);
            whole_ = fromStart_ && last_;
            fromStart_ = false;
            at_ = 0;
            if (batch_.empty()) {
                return false;
            }
        }
        splitRow();
        return true;
    } catch (const std::runtime_error& failure) {
        fail(failure);
    }
}

void AccessCursor::splitRow() {
    if (values_.empty()) {
        // A row without columns takes no bytes: a batch of them is empty.
        reader_->malformed();
    }
    for (std::size_t& start : values_) {
        if (at_ >= batch_.size()) {
            reader_->malformed();
        }
        start = at_++;
        std::size_t size = 0;
        switch (batch_[start]) {
            case AccessProtocol::Null:
                break;
            case AccessProtocol::Integer:
            case AccessProtocol::Real:
                size = sizeof(std::int64_t);
                break;
            case AccessProtocol::Text:
            case AccessProtocol::Blob:
                size = sizeof(std::uint32_t);
                if (batch_.size() - at_ >= size) {
                    size += valueAt<std::uint32_t>(batch_, at_);
                }
                break;
            default:
                reader_->malformed();
        }
        if (batch_.size() - at_ < size) {
            reader_->malformed();
        }
        at_ += size;
    }
}

void AccessCursor::setResult(sqlite3_context* context, std::size_t column) const {
    const std::size_t start = values_[column];
    switch (batch_[start]) {
        case AccessProtocol::Integer:
            sqlite3_result_int64(context, valueAt<std::int64_t>(batch_, start + 1));
            break;
        case AccessProtocol::Real:
            sqlite3_result_double(context, valueAt<double>(batch_, start + 1));
            break;
        case AccessProtocol::Text:
            sqlite3_result_text64(context, batch_.data() + start + BytesStart,
                                  valueAt<std::uint32_t>(batch_, start + 1), SQLITE_TRANSIENT,
                                  SQLITE_UTF8);
            break;
        case AccessProtocol::Blob:
            sqlite3_result_blob64(context, batch_.data() + start + BytesStart,
                                  valueAt<std::uint32_t>(batch_, start + 1), SQLITE_TRANSIENT);
            break;
        default:
            sqlite3_result_null(context);
            break;
    }
}

void AccessCursor::fail(const std::runtime_error& failure) const {
    throw std::runtime_error("Cannot read the table " + table_.name + " of the Access database '" +
                             reader_->path() + "': " + failure.what());
}

}  // namespace kiv::db::access
