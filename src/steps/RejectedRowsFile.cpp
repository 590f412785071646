#include "steps/RejectedRowsFile.h"

#include <filesystem>
#include <system_error>

namespace kiv {

void RejectedRowsFile::Open(const std::string& path, const std::vector<std::string>& sourceColumns,
                            bool keep) {
    Close();
    path_ = path;
    std::error_code error;
    const std::filesystem::path file(path);
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), error);
    }
    if (!keep) {
        std::filesystem::remove(file, error);
    }
    writer_ = std::make_unique<db::files::TextWriter>(path, db::files::TextFormat::Charset::Utf8);
    if (keep) {
        return;
    }
    startLine();
    for (const std::string& column : sourceColumns) {
        appendField(column);
    }
    for (const std::string_view column : {"kiv_record_id", "kiv_column", "kiv_message"}) {
        appendField(column);
    }
    writer_->writeLine(line_);
}

void RejectedRowsFile::Write(std::span<const Variant> values, std::string_view recordId,
                             std::string_view column, std::string_view message) {
    startLine();
    for (const Variant& value : values) {
        appendField(value.isNull() ? std::string() : value.toText());
    }
    appendField(recordId);
    appendField(column);
    appendField(message);
    writer_->writeLine(line_);
}

void RejectedRowsFile::Close() {
    if (!writer_) {
        return;
    }
    const auto writer = std::move(writer_);
    writer->flush();
}

void RejectedRowsFile::startLine() {
    line_.clear();
    fields_ = 0;
}

// Values with a comma, a quote, a line break or blanks at either end are quoted, quotes doubled.
void RejectedRowsFile::appendField(std::string_view value) {
    if (fields_++ > 0) {
        line_ += ',';
    }
    const bool quoted = value.find_first_of(",\"\r\n") != std::string_view::npos ||
                        (!value.empty() && (value.front() == ' ' || value.back() == ' '));
    if (!quoted) {
        line_ += value;
        return;
    }
    line_ += '"';
    for (const char c : value) {
        if (c == '"') {
            line_ += '"';
        }
        line_ += c;
    }
    line_ += '"';
}

}  // namespace kiv
