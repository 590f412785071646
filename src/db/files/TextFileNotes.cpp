#include "db/files/TextFileNotes.h"

#include <utility>

#include "base/Text.h"

namespace kiv::db::files {

TextFileNotes::TextFileNotes(std::shared_ptr<Notices> notices, std::string fileName)
    : notices_(std::move(notices)), fileName_(std::move(fileName)) {}

void TextFileNotes::notUtf8(std::int64_t line) {
    if (notUtf8Told_ || !notices_) {
        return;
    }
    notUtf8Told_ = true;
    notices_->add(Notices::Kind::Log,
                  fileName_ + ", line " + text::decimal(line) +
                      ": bytes that are not UTF-8 were read as Windows-1252 (the file is read as "
                      "UTF-8; said for the first such line only).");
}

void TextFileNotes::extraFields(std::int64_t line, std::size_t fields) {
    if (extraFieldsTold_ || !notices_) {
        return;
    }
    extraFieldsTold_ = true;
    notices_->add(Notices::Kind::Warning,
                  fileName_ + ", line " + text::decimal(line) + ": the row has " +
                      text::decimal(static_cast<long long>(fields)) + " fields, more than the " +
                      text::decimal(static_cast<long long>(columnCount_)) +
                      " columns of the file; fields past the last column are not read (said "
                      "for the first such row only).");
}

}  // namespace kiv::db::files
