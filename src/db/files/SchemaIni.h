#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::db::files {

// The schema.ini of a text folder: one section per file (`[people.csv]`) with `key=value`
// lines. Section and key names are compared without regard to letter case, as users' files
// written on Windows expect. Lines the engine does not understand (comments, other sections)
// are kept as they are when the file is written back.
class SchemaIni {
public:
    // Reads schema.ini of the folder, whatever the letter case of its name; empty when there
    // is none. Throws std::runtime_error when it exists but cannot be read.
    explicit SchemaIni(std::string folder);

    const std::string& path() const { return path_; }
    bool hasSection(std::string_view section) const;
    // The trimmed value of the first line of the section with that key.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // The lines of the section as written; empty when there is none.
    std::vector<std::string> lines(std::string_view section) const;
    // Replaces the section (or adds it at the end) with these lines.
    void setSection(std::string_view section, std::vector<std::string> lines);
    void removeSection(std::string_view section);
    // Writes the file (UTF-8, CR LF line ends) through a temporary file, so a failure leaves
    // the old one whole. Throws std::runtime_error on failure.
    void save() const;

private:
    struct Section {
        std::string name;
        std::vector<std::string> lines;
    };
    const Section* find(std::string_view section) const;

    std::string path_;
    std::vector<std::string> preamble_;  // lines before the first section
    std::vector<Section> sections_;
};

}  // namespace kiv::db::files
