#pragma once

#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kiv {

// One settings file parsed once: sections in square brackets, lines of a key, an equals sign
// and a value. Section and key names match without regard to letter case, the first section
// and the first key of a name win, blanks around names and values are removed, a value in
// one pair of matching double or single quotes loses them, and lines starting with ';' are
// comments. Parsed files are cached by path and parsed again only when the file changes, since
// a specification is read key by key thousands of times.
class IniDocument {
public:
    // The parsed file at `path` (an empty document when it does not exist).
    static std::shared_ptr<const IniDocument> Load(const std::string& path);
    // Sets a key's value in the file: replaced in place, added at the end of its section, or
    // added with a new section at the end of the file. Every other line stays as it was.
    // Returns false when the file cannot be written.
    static bool WriteValue(const std::string& path, std::string_view section, std::string_view key,
                           std::string_view value);

    std::optional<std::string_view> Value(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const;

    // A section or key that appears again: only its first occurrence counts.
    struct Repetition {
        int line;             // 1-based line of the repetition
        std::string section;  // the section as written
        std::string key;      // the key as written, "" for a repeated section header
    };
    const std::vector<Repetition>& Repetitions() const { return mRepetitions; }

    // The first section of each name, in file order, with its first key of each name.
    struct Key {
        int line;          // 1-based
        std::string name;  // as written
    };
    struct Section {
        int line;  // 1-based line of the header
        std::string name;
        std::vector<Key> keys;
    };
    const std::vector<Section>& Sections() const { return mSections; }

private:
    struct Line {
        explicit Line(std::string bytes) : raw(std::move(bytes)) {}
        std::string raw;         // the bytes as stored, without the line end
        bool isSection = false;  // a line starting with '['
        std::string sectionKey;  // folded section name of a section line
        std::string key;         // folded key name of a key line, else ""
    };
    struct Stamp {
        bool exists = false;
        std::timespec modified{};
        long long size = 0;
        unsigned long long inode = 0;
        bool operator==(const Stamp& other) const;
    };

    static Stamp stampOf(const std::string& path);
    static std::shared_ptr<IniDocument> parse(const std::string& path);
    void index();
    std::string decodeLine(std::string_view raw) const;
    std::string encodeLine(std::string_view text) const;
    bool save(const std::string& path) const;

    Stamp mStamp;
    bool mUtf8 = true;
    std::string mBom;
    std::string mLineEnd = "\r\n";
    std::vector<Line> mLines;
    // folded "section" + '\n' + folded "key" -> decoded value of the first occurrence
    std::unordered_map<std::string, std::string> mValues;
    std::vector<Repetition> mRepetitions;
    std::vector<Section> mSections;
};

}  // namespace kiv
