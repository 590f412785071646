#include "settings/IniDocument.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <unordered_set>

#include "base/Encoding.h"
#include "base/Text.h"

namespace kiv {

namespace {

std::unordered_map<std::string, std::shared_ptr<IniDocument>>& cache() {
    static std::unordered_map<std::string, std::shared_ptr<IniDocument>> documents;
    return documents;
}

std::string_view trimBlanks(std::string_view value) {
    const auto first = value.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return value.substr(first, value.find_last_not_of(" \t") - first + 1);
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string valueKey(std::string_view section, std::string_view key) {
    return text::toLower(section) + '\n' + text::toLower(key);
}

// Splits at CR LF, LF or CR; reports the first line end met.
std::vector<std::string_view> splitLines(std::string_view bytes, std::string& lineEnd) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') {
            continue;
        }
        lines.push_back(bytes.substr(start, i - start));
        const bool crlf = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
        if (lineEnd.empty()) {
            lineEnd = crlf ? "\r\n" : std::string(1, bytes[i]);
        }
        i += crlf ? 1 : 0;
        start = i + 1;
    }
    if (start < bytes.size()) {
        lines.push_back(bytes.substr(start));
    }
    return lines;
}

}  // namespace

bool IniDocument::Stamp::operator==(const Stamp& other) const {
    return exists == other.exists && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec && size == other.size &&
           inode == other.inode;
}

IniDocument::Stamp IniDocument::stampOf(const std::string& path) {
    Stamp stamp;
    struct stat info{};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        stamp.exists = true;
        stamp.modified = info.st_mtim;
        stamp.size = info.st_size;
        stamp.inode = info.st_ino;
    }
    return stamp;
}

std::shared_ptr<const IniDocument> IniDocument::Load(const std::string& path) {
    const Stamp stamp = stampOf(path);
    auto& documents = cache();
    auto found = documents.find(path);
    if (found != documents.end() && found->second->mStamp == stamp) {
        return found->second;
    }
    auto document = parse(path);
    document->mStamp = stamp;
    documents[path] = document;
    return document;
}

std::shared_ptr<IniDocument> IniDocument::parse(const std::string& path) {
    auto document = std::make_shared<IniDocument>();
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return document;
    }
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        bytes = encoding::decodeText(bytes);
    } else if (encoding::hasUtf8Bom(bytes)) {
        document->mBom = bytes.substr(0, 3);
        bytes.erase(0, 3);
    }
    document->mUtf8 = encoding::isValidUtf8(bytes);
    std::string lineEnd;
    for (std::string_view raw : splitLines(bytes, lineEnd)) {
        document->mLines.push_back(Line{std::string(raw)});
    }
    document->mLineEnd = lineEnd.empty() ? "\r\n" : lineEnd;
    document->index();
    return document;
}

void IniDocument::index() {
    mValues.clear();
    mRepetitions.clear();
    mSections.clear();
    std::string section;
    std::string sectionAsWritten;
    bool inSection = false;  // only the first section of a name counts
    std::unordered_set<std::string> seenSections;
    int number = 0;
    for (Line& line : mLines) {
        ++number;
        line.isSection = false;
        line.sectionKey.clear();
        line.key.clear();
        const std::string decoded = decodeLine(line.raw);
        const std::string_view content = trimBlanks(decoded);
        if (content.empty() || content.front() == ';') {
            continue;
        }
        if (content.front() == '[') {
            const auto close = content.find(']');
            const std::string_view name =
                trimBlanks(content.substr(1, close == std::string_view::npos ? std::string_view::npos
                                                                             : close - 1));
            section = text::toLower(name);
            sectionAsWritten = std::string(name);
            line.isSection = true;
            line.sectionKey = section;
            inSection = seenSections.insert(section).second;
            if (inSection) {
                mSections.push_back({number, sectionAsWritten, {}});
            } else {
                mRepetitions.push_back({number, sectionAsWritten, ""});
            }
            continue;
        }
        const auto equals = content.find('=');
        if (!inSection || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = trimBlanks(content.substr(0, equals));
        if (key.empty()) {
            continue;
        }
        line.key = text::toLower(key);
        const bool added = mValues.try_emplace(section + '\n' + line.key,
                                               unquote(trimBlanks(content.substr(equals + 1))))
                               .second;
        if (added) {
            mSections.back().keys.push_back({number, std::string(key)});
        } else {
            mRepetitions.push_back({number, sectionAsWritten, std::string(key)});
        }
    }
}

std::string IniDocument::decodeLine(std::string_view raw) const {
    return mUtf8 ? std::string(raw) : encoding::windows1252ToUtf8(raw);
}

std::string IniDocument::encodeLine(std::string_view text) const {
    return mUtf8 ? std::string(text) : encoding::utf8ToWindows1252(text);
}

std::optional<std::string_view> IniDocument::Value(std::string_view section,
                                                   std::string_view key) const {
    const auto found = mValues.find(valueKey(trimBlanks(section), trimBlanks(key)));
    if (found == mValues.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool IniDocument::HasSection(std::string_view section) const {
    const std::string folded = text::toLower(trimBlanks(section));
    for (const Line& line : mLines) {
        if (line.isSection && line.sectionKey == folded) {
            return true;
        }
    }
    return false;
}

bool IniDocument::WriteValue(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view value) {
    auto document = std::make_shared<IniDocument>(*Load(path));
    const std::string sectionKey = text::toLower(trimBlanks(section));
    const std::string keyKey = text::toLower(trimBlanks(key));
    const std::string newLine =
        document->encodeLine(std::string(trimBlanks(key)) + "=" + std::string(value));

    auto& lines = document->mLines;
    std::size_t sectionLine = 0;
    while (sectionLine < lines.size() &&
           !(lines[sectionLine].isSection && lines[sectionLine].sectionKey == sectionKey)) {
        ++sectionLine;
    }
    if (sectionLine == lines.size()) {
        lines.push_back(Line{document->encodeLine("[" + std::string(trimBlanks(section)) + "]")});
        lines.push_back(Line{newLine});
    } else {
        std::size_t lastContent = sectionLine;
        std::size_t i = sectionLine + 1;
        for (; i < lines.size() && !lines[i].isSection; ++i) {
            if (lines[i].key == keyKey) {
                break;
            }
            if (!trimBlanks(lines[i].raw).empty()) {
                lastContent = i;
            }
        }
        if (i < lines.size() && lines[i].key == keyKey) {
            lines[i].raw = newLine;
        } else {
            lines.insert(lines.begin() + static_cast<long>(lastContent + 1), Line{newLine});
        }
    }
    if (!document->save(path)) {
        return false;
    }
    document->index();
    document->mStamp = stampOf(path);
    cache()[path] = document;
    return true;
}

bool IniDocument::save(const std::string& path) const {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    file << mBom;
    for (const Line& line : mLines) {
        file << line.raw << mLineEnd;
    }
    return static_cast<bool>(file.flush());
}

}  // namespace kiv
