#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "base/Variant.h"
#include "db/Fields.h"
#include "diagnostics/IdentifyingFields.h"

namespace kiv {

// The source row numbers and record identifications of the last rows handed to a target
// that sends its rows in groups. A row the database refuses after later rows were handed
// is then reported with its own number and identification, as if it had been sent alone.
// The slots are reused row after row; the values keep their text buffers.
class HandedRows : public IdentifyingFields {
public:
    // Forgets every row and keeps the last `depth` rows from now on, identified by the
    // current values of `fields` (none: rows without identification), with the values of
    // `source` when given (rows that may be set aside keep what they came with).
    void Reset(std::size_t depth, std::shared_ptr<const IdentifyingFields> fields,
               const db::Fields* source = nullptr);
    std::size_t Depth() const noexcept { return depth_; }

    // Remembers the row handed now, with the identifying fields' current values.
    void Remember(std::int32_t rowNumber);

    // Chooses the row handed `rowsAfter` rows before the last one (the oldest one kept when
    // it is further back) as the one the identifying fields describe; returns its number.
    std::int32_t Select(std::size_t rowsAfter);
    // The source values of the selected row; empty when none are kept.
    std::span<const Variant> SelectedSource() const;

    long IdentifyingFieldCount() const override;
    std::shared_ptr<const IdentifyingField> IdentifyingFieldAt(long position) const override;

private:
    class Value : public IdentifyingField {
    public:
        bool FieldIsNull() const override { return isNull; }
        Variant DataValue() const override { return value; }

        bool isNull = true;
        Variant value;
    };

    std::size_t depth_ = 0;
    std::size_t width_ = 0;
    std::size_t handed_ = 0;
    std::size_t selected_ = 0;
    std::shared_ptr<const IdentifyingFields> fields_;
    std::vector<std::int32_t> rowNumbers_;
    // width_ values per slot, slot after slot.
    std::vector<Value> values_;
    const db::Fields* source_ = nullptr;
    std::size_t sourceWidth_ = 0;
    // sourceWidth_ values per slot, slot after slot.
    std::vector<Variant> sourceValues_;
};

}  // namespace kiv
