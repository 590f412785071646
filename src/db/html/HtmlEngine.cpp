#include "db/html/HtmlEngine.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>

#include "base/Text.h"
#include "db/Engine.h"
#include "db/cells/CellEngine.h"
#include "db/cells/FileSource.h"
#include "db/html/HtmlDocument.h"
#include "db/html/HtmlTableBuilder.h"

namespace kiv::db::html {

namespace {

const cells::FileSource Source{"Kiv.HTML", "[Kiv][HTML]", "HTML file"};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw Source.error("Cannot read the HTML file '" + path + "'.");
    }
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The names of the document's tables, in its order.
std::vector<std::string> tableNames(const HtmlDocument& document) {
    const auto& tables = document.tables();
    std::vector<std::string> names;
    long long unnamed = 0;
    for (const HtmlDocument::Table& table : tables) {
        std::string name = table.caption;
        if (name.empty() && tables.size() == 1) {
            name = document.title();
        }
        if (name.empty()) {
            name = "Table" + text::decimal(++unnamed);
        }
        // Two tables under one caption: the later one gets a number, so both can be read.
        const std::string base = name;
        for (long long suffix = 2;
             std::any_of(names.begin(), names.end(),
                         [&](const std::string& taken) { return text::iequals(taken, name); });
             ++suffix) {
            name = base + " " + text::decimal(suffix);
        }
        names.push_back(std::move(name));
    }
    return names;
}

}  // namespace

std::shared_ptr<Engine> HtmlEngine::open(const ConnectString& parts) {
    const std::string path = Source.path(parts);
    const std::string bytes = readFile(path);
    std::optional<HtmlDocument> document;
    try {
        document.emplace(bytes);
    } catch (const std::runtime_error& failure) {
        throw Source.error("Cannot read the HTML file '" + path + "': " + failure.what() + ".");
    }
    const bool header = cells::FileSource::firstRowHasNames(parts, false);
    const std::vector<std::string> names = tableNames(*document);
    std::vector<cells::CellEngine::NamedTable> tables;
    std::vector<CatalogEntry> catalog;
    for (std::size_t i = 0; i < names.size(); ++i) {
        tables.emplace_back(names[i],
                            HtmlTableBuilder::build(names[i], document->tables()[i], header));
        catalog.push_back(CatalogEntry{names[i], "TABLE"});
    }
    std::sort(catalog.begin(), catalog.end(), [](const CatalogEntry& a, const CatalogEntry& b) {
        return text::toLower(a.name) < text::toLower(b.name);
    });
    return cells::CellEngine::open(Source, path, tables, std::move(catalog), Source.refusal(path));
}

}  // namespace kiv::db::html
