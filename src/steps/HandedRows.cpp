#include "steps/HandedRows.h"

#include <algorithm>
#include <utility>

namespace kiv {

namespace {

// Copies a value into a kept one, reusing its text buffer.
void keep(const Variant& value, Variant& kept) {
    if (value.isText()) {
        kept.assignText(value.textView());
    } else {
        kept = value;
    }
}

}  // namespace

void HandedRows::Reset(std::size_t depth, std::shared_ptr<const IdentifyingFields> fields,
                       const db::Fields* source) {
    source_ = source;
    sourceWidth_ = source ? static_cast<std::size_t>(source->Count()) : 0;
    fields_ = std::move(fields);
    depth_ = std::max<std::size_t>(depth, 1);
    width_ = fields_ ? static_cast<std::size_t>(fields_->IdentifyingFieldCount()) : 0;
    handed_ = 0;
    selected_ = 0;
    rowNumbers_.assign(depth_, 0);
    values_.resize(depth_ * width_);
    sourceValues_.resize(depth_ * sourceWidth_);
}

void HandedRows::Remember(std::int32_t rowNumber) {
    const std::size_t slot = handed_++ % depth_;
    rowNumbers_[slot] = rowNumber;
    Value* values = values_.data() + slot * width_;
    for (std::size_t i = 0; i < width_; ++i) {
        const auto field = fields_->IdentifyingFieldAt(static_cast<long>(i + 1));
        Value& kept = values[i];
        kept.isNull = !field || field->FieldIsNull();
        if (kept.isNull) {
            continue;
        }
        keep(field->DataValue(), kept.value);
    }
    if (source_) {
        Variant* source = sourceValues_.data() + slot * sourceWidth_;
        for (const auto& field : *source_) {
            keep(field->Value(), *source++);
        }
    }
}

std::span<const Variant> HandedRows::SelectedSource() const {
    return {sourceValues_.data() + selected_ * sourceWidth_, sourceWidth_};
}

std::int32_t HandedRows::Select(std::size_t rowsAfter) {
    if (handed_ == 0) {
        return 0;
    }
    const std::size_t back = std::min({rowsAfter, handed_ - 1, depth_ - 1});
    selected_ = (handed_ - 1 - back) % depth_;
    return rowNumbers_[selected_];
}

long HandedRows::IdentifyingFieldCount() const {
    return static_cast<long>(width_);
}

std::shared_ptr<const IdentifyingField> HandedRows::IdentifyingFieldAt(long position) const {
    if (position < 1 || static_cast<std::size_t>(position) > width_) {
        return nullptr;
    }
    // Read at once by the message being added; the slot outlives that.
    return std::shared_ptr<const IdentifyingField>(
        std::shared_ptr<const IdentifyingField>(),
        &values_[selected_ * width_ + static_cast<std::size_t>(position - 1)]);
}

}  // namespace kiv
