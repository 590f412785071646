#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kiv::db::excel {

// Writes a new zip archive: entries copied from another archive with their compressed bytes
// as they are, and new entries compressed as they are written.
class ZipWriter {
public:
    // Creates the file, replacing one of that name. Throws std::runtime_error.
    explicit ZipWriter(const std::string& path);
    // Closes an archive close() was not reached for; it is incomplete.
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Goes through the entries of the archive `source` in their order: `replace` may write an
    // entry of its own in place of one (returning true); every other entry is copied without
    // being inflated. Throws std::runtime_error.
    void copyFrom(const std::string& source,
                  const std::function<bool(const std::string& name)>& replace);

    // A new entry: begin(), write() as often as needed, end().
    void begin(const std::string& name);
    void write(std::string_view bytes);
    void end();
    void add(const std::string& name, std::string_view bytes);

    // Writes the archive's directory. Throws std::runtime_error.
    void close();

private:
    void copyCurrent(void* source, const std::string& name);
    void check(int result, const std::string& what) const;

    std::string path_;
    void* zip_;
};

}  // namespace kiv::db::excel
