#include "db/excel/SharedStrings.h"

#include <algorithm>

#include "db/excel/BiffWriter.h"

namespace kiv::db::excel {

namespace {

constexpr std::uint16_t SstRecord = 0x00FC;
constexpr std::uint16_t ContinueRecord = 0x003C;
constexpr std::uint16_t ExtSstRecord = 0x00FF;
constexpr std::size_t HeaderSize = 4;
constexpr std::size_t TextHeader = 3;  // count and flags
constexpr std::uint32_t MarkEvery = 8;
constexpr std::uint32_t MostBuckets = 128;

}  // namespace

SharedStrings::SharedStrings() : first_(8, '\0'), continued_("the texts of the workbook") {}

std::optional<std::uint32_t> SharedStrings::index(std::string_view text) {
    if (const auto found = indexes_.find(text); found != indexes_.end()) {
        ++uses_;
        return found->second;
    }
    chars_.clear();
    bool wide = false;
    const std::size_t units = BiffWriter::characters(chars_, text, wide);
    if (chars_.size() > MaxBytes) {
        return std::nullopt;
    }
    ++uses_;
    const std::uint32_t added = add(wide, units);
    if (indexes_.size() < Remembered) {
        indexes_.emplace(text, added);
    }
    return added;
}

std::size_t SharedStrings::space() const {
    return BiffWriter::MaxData - (inFirst_ ? first_.size() : current_.size());
}

void SharedStrings::nextRecord() {
    if (inFirst_) {
        recordAt_ = HeaderSize + first_.size();
        inFirst_ = false;
        return;
    }
    std::string header;
    BiffWriter::header(header, ContinueRecord, current_.size());
    continued_.append(header);
    continued_.append(current_);
    recordAt_ += HeaderSize + current_.size();
    current_.clear();
}

// Adds the text whose characters are in chars_.
std::uint32_t SharedStrings::add(bool wide, std::size_t units) {
    const std::size_t unit = wide ? 2 : 1;
    if (space() < TextHeader + unit) {
        nextRecord();
    }
    std::string* record = inFirst_ ? &first_ : &current_;
    if (count_ % MarkEvery == 0) {
        marks_.emplace_back(recordAt_ + HeaderSize + record->size(),
                            static_cast<std::uint16_t>(HeaderSize + record->size()));
    }
    BiffWriter::u16(*record, static_cast<std::uint16_t>(units));
    BiffWriter::u8(*record, wide ? 1 : 0);
    std::string_view rest = chars_;
    for (;;) {
        const std::size_t fit = std::min(rest.size(), space() / unit * unit);
        record->append(rest.substr(0, fit));
        rest.remove_prefix(fit);
        if (rest.empty()) {
            break;
        }
        // The rest of the characters go on in the next record, after their flags again.
        nextRecord();
        record = &current_;
        BiffWriter::u8(*record, wide ? 1 : 0);
    }
    return count_++;
}

// Texts per bucket of the index: a multiple of eight that makes at most 128 buckets.
std::uint32_t SharedStrings::perBucket() const {
    return MarkEvery * std::max<std::uint32_t>(
                           1, (count_ + MarkEvery * MostBuckets - 1) / (MarkEvery * MostBuckets));
}

std::uint32_t SharedStrings::buckets() const {
    return (count_ + perBucket() - 1) / perBucket();
}

std::uint64_t SharedStrings::size() const {
    const std::uint64_t last = inFirst_ || current_.empty() ? 0 : HeaderSize + current_.size();
    return HeaderSize + first_.size() + continued_.size() + last + HeaderSize + 2 +
           8 * std::uint64_t{buckets()};
}

void SharedStrings::write(const std::function<void(std::string_view)>& out, std::uint64_t at) {
    BiffWriter::set32(first_, 0, uses_);
    BiffWriter::set32(first_, 4, count_);
    std::string bytes;
    BiffWriter::header(bytes, SstRecord, first_.size());
    out(bytes);
    out(first_);
    continued_.copyTo(out);
    bytes.clear();
    if (!inFirst_ && !current_.empty()) {
        BiffWriter::header(bytes, ContinueRecord, current_.size());
        bytes += current_;
    }
    const std::uint32_t count = buckets();
    const std::uint32_t step = perBucket() / MarkEvery;
    BiffWriter::header(bytes, ExtSstRecord, 2 + 8 * std::size_t{count});
    BiffWriter::u16(bytes, static_cast<std::uint16_t>(perBucket()));
    for (std::uint32_t bucket = 0; bucket < count; ++bucket) {
        const auto& [position, offset] = marks_[bucket * step];
        BiffWriter::u32(bytes, static_cast<std::uint32_t>(at + position));
        BiffWriter::u16(bytes, offset);
        BiffWriter::u16(bytes, 0);
    }
    out(bytes);
}

}  // namespace kiv::db::excel
