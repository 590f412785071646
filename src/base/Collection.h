#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/Text.h"

namespace kiv {

// The ordered, 1-based collection every model collection is built on. Items may carry a key,
// compared without regard to letter case. `Item` yields an empty pointer for a missing
// position or key; `At` treats a missing position as an error of the caller.
template <typename T>
class Collection {
public:
    using Pointer = std::shared_ptr<T>;
    using const_iterator = typename std::vector<Pointer>::const_iterator;

    long Count() const { return static_cast<long>(items_.size()); }
    bool empty() const { return items_.empty(); }

    Pointer Item(long index) const {
        return index >= 1 && index <= Count() ? items_[index - 1] : nullptr;
    }
    Pointer Item(std::string_view key) const {
        auto found = keys_.find(text::toLower(key));
        return found == keys_.end() ? nullptr : found->second;
    }
    Pointer At(long index) const {
        if (index < 1 || index > Count()) {
            throw std::out_of_range("Collection index " + std::to_string(index) +
                                    " is outside 1.." + std::to_string(Count()));
        }
        return items_[index - 1];
    }
    bool Contains(std::string_view key) const { return keys_.contains(text::toLower(key)); }

    // Appends; a key already in use is an error of the caller.
    void Add(Pointer item, std::string_view key = {}) {
        if (!key.empty()) {
            auto [it, inserted] = keys_.emplace(text::toLower(key), item);
            if (!inserted) {
                throw std::invalid_argument("Key is already used in the collection: " +
                                            std::string(key));
            }
        }
        items_.push_back(std::move(item));
        itemKeys_.emplace_back(key.empty() ? std::string() : text::toLower(key));
    }

    bool Remove(long index) {
        if (index < 1 || index > Count()) {
            return false;
        }
        const auto position = static_cast<std::size_t>(index - 1);
        if (!itemKeys_[position].empty()) {
            keys_.erase(itemKeys_[position]);
        }
        items_.erase(items_.begin() + static_cast<long>(position));
        itemKeys_.erase(itemKeys_.begin() + static_cast<long>(position));
        return true;
    }
    bool Remove(std::string_view key) {
        const std::string folded = text::toLower(key);
        for (std::size_t i = 0; i < itemKeys_.size(); ++i) {
            if (!folded.empty() && itemKeys_[i] == folded) {
                return Remove(static_cast<long>(i + 1));
            }
        }
        return false;
    }
    void Clear() {
        items_.clear();
        itemKeys_.clear();
        keys_.clear();
    }

    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }

private:
    std::vector<Pointer> items_;
    std::vector<std::string> itemKeys_;  // folded key per position, "" for none
    std::unordered_map<std::string, Pointer> keys_;
};

}  // namespace kiv
