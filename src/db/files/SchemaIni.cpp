#include "db/files/SchemaIni.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "base/Encoding.h"
#include "base/Path.h"
#include "base/Text.h"

namespace kiv::db::files {

namespace {

std::vector<std::string> splitLines(std::string_view content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '\r' || content[i] == '\n') {
            lines.emplace_back(content.substr(start, i - start));
            if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < content.size()) {
        lines.emplace_back(content.substr(start));
    }
    return lines;
}

// The name of a section header line, or nothing for any other line.
std::optional<std::string> sectionName(std::string_view line) {
    const std::string_view trimmed = text::trimWhitespace(line);
    const auto close = trimmed.rfind(']');
    if (trimmed.empty() || trimmed.front() != '[' || close == std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(text::trimWhitespace(trimmed.substr(1, close - 1)));
}

}  // namespace

SchemaIni::SchemaIni(std::string folder) {
    path_ = path::resolveExisting(folder + "/schema.ini");
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        if (path::exists(path_)) {
            throw std::runtime_error("Cannot read " + path_ + ".");
        }
        return;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (std::string& line : splitLines(encoding::decodeText(bytes))) {
        if (std::optional<std::string> name = sectionName(line)) {
            sections_.push_back({std::move(*name), {}});
        } else if (sections_.empty()) {
            preamble_.push_back(std::move(line));
        } else {
            sections_.back().lines.push_back(std::move(line));
        }
    }
}

const SchemaIni::Section* SchemaIni::find(std::string_view section) const {
    for (const Section& candidate : sections_) {
        if (text::iequals(candidate.name, section)) {
            return &candidate;
        }
    }
    return nullptr;
}

bool SchemaIni::hasSection(std::string_view section) const {
    return find(section) != nullptr;
}

std::optional<std::string> SchemaIni::value(std::string_view section, std::string_view key) const {
    const Section* found = find(section);
    if (found == nullptr) {
        return std::nullopt;
    }
    for (const std::string& line : found->lines) {
        const auto equals = line.find('=');
        if (equals != std::string::npos &&
            text::iequals(text::trimWhitespace(std::string_view(line).substr(0, equals)), key)) {
            return std::string(text::trimWhitespace(std::string_view(line).substr(equals + 1)));
        }
    }
    return std::nullopt;
}

std::vector<std::string> SchemaIni::lines(std::string_view section) const {
    const Section* found = find(section);
    return found == nullptr ? std::vector<std::string>() : found->lines;
}

void SchemaIni::setSection(std::string_view section, std::vector<std::string> lines) {
    for (Section& candidate : sections_) {
        if (text::iequals(candidate.name, section)) {
            candidate.lines = std::move(lines);
            return;
        }
    }
    sections_.push_back({std::string(section), std::move(lines)});
}

void SchemaIni::removeSection(std::string_view section) {
    std::erase_if(sections_,
                  [&](const Section& candidate) { return text::iequals(candidate.name, section); });
}

void SchemaIni::save() const {
    std::string content;
    for (const std::string& line : preamble_) {
        content.append(line).append("\r\n");
    }
    for (const Section& section : sections_) {
        content.append("[").append(section.name).append("]\r\n");
        for (const std::string& line : section.lines) {
            content.append(line).append("\r\n");
        }
    }
    const std::string temporary = path_ + ".kivtmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << content;
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            throw std::runtime_error("Cannot write " + path_ + ".");
        }
    }
    if (std::rename(temporary.c_str(), path_.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw std::runtime_error("Cannot write " + path_ + ".");
    }
}

}  // namespace kiv::db::files
