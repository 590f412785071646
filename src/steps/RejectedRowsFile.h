#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Variant.h"
#include "db/files/TextWriter.h"

namespace kiv {

// The CSV file (UTF-8, CR LF) that rows a load sets aside are written to, so that someone can
// correct and reload them: the source columns, then kiv_record_id, kiv_column and kiv_message.
// The file is created, or emptied, when it is opened for the first time in a step, and written
// only when a row is rejected; the rows reach the disk at the latest when it is closed.
class RejectedRowsFile {
public:
    // Starts the file at `path` with a header of `sourceColumns` and the three columns of the
    // rejection; `keep` true continues a file this step already wrote to. Throws
    // std::runtime_error saying why the file cannot be written.
    void Open(const std::string& path, const std::vector<std::string>& sourceColumns, bool keep);
    bool IsOpen() const { return writer_ != nullptr; }
    const std::string& Path() const { return path_; }

    // One rejected row: its source values, how it is identified, the column at fault (may be
    // empty) and why it was refused.
    void Write(std::span<const Variant> values, std::string_view recordId, std::string_view column,
               std::string_view message);

    // Writes what is still gathered and closes the file. Throws std::runtime_error.
    void Close();

private:
    void startLine();
    void appendField(std::string_view value);

    std::string path_;
    std::unique_ptr<db::files::TextWriter> writer_;
    std::string line_;
    std::size_t fields_ = 0;
};

}  // namespace kiv
