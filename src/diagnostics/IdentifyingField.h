#pragma once

#include "base/Variant.h"

namespace kiv {

// A field that identifies the record being processed (the mapping fields of a step's
// record identification), as a message sees it when it is added.
class IdentifyingField {
public:
    virtual ~IdentifyingField() = default;
    virtual bool FieldIsNull() const = 0;
    virtual Variant DataValue() const = 0;
};

}  // namespace kiv
