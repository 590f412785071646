#include "db/excel/XlsxReader.h"

#include <charconv>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

#include "base/Text.h"
#include "db/excel/NumberFormat.h"
#include "db/excel/XlsxSheet.h"
#include "db/excel/XlsxSheetSource.h"
#include "db/excel/XmlStream.h"
#include "db/excel/ZipArchive.h"

namespace kiv::db::excel {

namespace {

struct Relationship {
    std::string id;
    std::string type;
    std::string target;  // the part's name in the archive
};

struct SheetEntry {
    std::string name;
    std::string relationship;
};

struct DefinedName {
    std::string name;
    std::string reference;
};

struct WorkbookPart {
    bool date1904 = false;
    std::vector<SheetEntry> sheets;
    std::vector<DefinedName> names;
};

std::string folderOf(std::string_view part) {
    const std::size_t slash = part.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(part.substr(0, slash));
}

// A relationship's target as a part name: relative to the folder of the part that has it.
std::string resolve(const std::string& folder, std::string_view target) {
    if (!target.empty() && target.front() == '/') {
        return std::string(target.substr(1));
    }
    const std::string joined = folder + "/" + std::string(target);
    std::vector<std::string_view> parts;
    for (const std::string_view piece : text::split(joined, '/')) {
        if (piece == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
    }
    std::string path;
    for (const std::string_view piece : parts) {
        path.append(path.empty() ? "" : "/").append(piece);
    }
    return path;
}

// The bytes of the part the archive has open, as an XML document.
XmlStream::Source partOf(ZipArchive& zip) {
    return [&zip](char* buffer, std::size_t size) { return zip.readSome(buffer, size); };
}

void openRequired(ZipArchive& zip, const std::string& name) {
    if (!zip.open(name)) {
        throw std::runtime_error("the archive has no part " + name);
    }
}

std::vector<Relationship> relationships(ZipArchive& zip, const std::string& part) {
    const std::string folder = folderOf(part);
    const std::string name = (folder.empty() ? "" : folder + "/") + "_rels/" +
                             part.substr(part.rfind('/') + 1) + ".rels";
    std::vector<Relationship> found;
    if (!zip.open(name)) {
        return found;
    }
    XmlStream stream(partOf(zip));
    while (stream.next()) {
        if (stream.opens("Relationship")) {
            found.push_back(Relationship{stream.attribute("Id"), stream.attribute("Type"),
                                         resolve(folder, stream.attribute("Target"))});
        }
    }
    return found;
}

std::optional<std::string> targetOfType(const std::vector<Relationship>& found,
                                        std::string_view type) {
    for (const Relationship& relationship : found) {
        if (text::iendsWith(relationship.type, type)) {
            return relationship.target;
        }
    }
    return std::nullopt;
}

bool isTrue(std::string_view value) {
    return value == "1" || text::iequals(value, "true");
}

WorkbookPart readWorkbook(ZipArchive& zip, const std::string& name) {
    WorkbookPart workbook;
    openRequired(zip, name);
    XmlStream xml(partOf(zip));
    while (xml.next()) {
        if (xml.opens("workbookPr")) {
            workbook.date1904 = isTrue(xml.attribute("date1904"));
        } else if (xml.opens("sheet")) {
            workbook.sheets.push_back(SheetEntry{xml.attribute("name"), xml.attribute("id")});
        } else if (xml.opens("definedName")) {
            DefinedName name{xml.attribute("name"), {}};
            const bool workbookLevel = xml.attribute("localSheetId").empty();
            name.reference = std::string(text::trimWhitespace(xml.elementText()));
            if (workbookLevel && !text::istartsWith(name.name, "_xlnm.")) {
                workbook.names.push_back(std::move(name));
            }
        }
    }
    return workbook;
}

// The memory the shared strings and styles take, and the most they may.
struct Held {
    std::size_t bytes = 0;
    std::size_t most = 0;
};

// Counts `bytes` more held; throws when that is beyond the most.
void hold(Held& held, std::size_t bytes) {
    held.bytes += bytes;
    if (held.bytes > held.most) {
        throw std::runtime_error("its shared strings and styles take more than the " +
                                 text::decimal(static_cast<long long>(held.most >> 20)) +
                                 " MiB kept in memory to read its sheets");
    }
}

std::vector<std::string> readStrings(ZipArchive& zip, const std::optional<std::string>& name,
                                     Held& held) {
    std::vector<std::string> strings;
    if (!name || !zip.open(*name)) {
        return strings;
    }
    XmlStream xml(partOf(zip));
    while (xml.next()) {
        if (xml.opens("si")) {
            strings.push_back(XlsxSheet::richText(xml, "si"));
            hold(held, sizeof(std::string) + strings.back().size());
        }
    }
    return strings;
}

int numberOf(const std::string& text) {
    int value = -1;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// The kind of number format of every cell style, by style index.
std::vector<NumberFormat::Kind> readStyles(ZipArchive& zip, const std::optional<std::string>& name,
                                           Held& held) {
    std::map<int, NumberFormat::Kind> custom;
    std::vector<NumberFormat::Kind> styles;
    if (!name || !zip.open(*name)) {
        return styles;
    }
    XmlStream xml(partOf(zip));
    bool cellStyles = false;
    while (xml.next()) {
        if (xml.opens("numFmt")) {
            custom[numberOf(xml.attribute("numFmtId"))] =
                NumberFormat::ofCode(xml.attribute("formatCode"));
            hold(held, sizeof(std::pair<int, NumberFormat::Kind>) + 32);
        } else if (xml.opens("cellXfs")) {
            cellStyles = !xml.closes("cellXfs");
        } else if (xml.closes("cellXfs")) {
            cellStyles = false;
        } else if (cellStyles && xml.opens("xf")) {
            const int id = numberOf(xml.attribute("numFmtId"));
            const auto found = custom.find(id);
            styles.push_back(found == custom.end() ? NumberFormat::ofBuiltin(id) : found->second);
            hold(held, sizeof(NumberFormat::Kind));
        }
    }
    return styles;
}

// The parts of a workbook that say what its sheets are, and what their cells refer to.
struct Layout {
    struct Sheet {
        std::string name;
        std::string part;
    };

    std::vector<Sheet> sheets;
    std::vector<DefinedName> names;
    XlsxSheet::Dictionary dictionary;
};

Layout layoutOf(ZipArchive& zip, std::size_t mostDictionaryBytes) {
    const std::string workbookName =
        targetOfType(relationships(zip, "_rels/.rels"), "/officeDocument")
            .value_or("xl/workbook.xml");
    WorkbookPart parts = readWorkbook(zip, workbookName);
    const std::vector<Relationship> links = relationships(zip, workbookName);
    Layout layout;
    layout.names = std::move(parts.names);
    Held held{0, mostDictionaryBytes};
    layout.dictionary.strings = readStrings(zip, targetOfType(links, "/sharedStrings"), held);
    layout.dictionary.styles = readStyles(zip, targetOfType(links, "/styles"), held);
    layout.dictionary.date1904 = parts.date1904;
    for (const SheetEntry& entry : parts.sheets) {
        for (const Relationship& link : links) {
            if (link.id == entry.relationship && text::iendsWith(link.type, "/worksheet")) {
                layout.sheets.push_back(Layout::Sheet{entry.name, link.target});
            }
        }
    }
    return layout;
}

// The names that refer to a range of one of the sheets.
std::vector<Workbook::Name> namesOf(const Layout& layout) {
    std::vector<Workbook::Name> found;
    for (const DefinedName& name : layout.names) {
        std::string sheet;
        const std::optional<CellRange> range = CellRange::parseOnSheet(name.reference, sheet);
        for (std::size_t i = 0; range && i < layout.sheets.size(); ++i) {
            if (text::iequals(layout.sheets[i].name, sheet)) {
                found.push_back(Workbook::Name{name.name, i, *range});
                break;
            }
        }
    }
    return found;
}

}  // namespace

Workbook XlsxReader::read(const std::string& path, Limits limits) {
    ZipArchive zip(path);
    const Layout layout = layoutOf(zip, limits.dictionaryBytes);
    Workbook workbook;
    workbook.names = namesOf(layout);
    for (const Layout::Sheet& sheet : layout.sheets) {
        workbook.sheets.push_back(Workbook::Sheet{
            sheet.name,
            {},
            std::make_shared<const XlsxSheetSource>(zip, sheet.name, sheet.part, layout.dictionary,
                                                    limits.heldSheetBytes)});
    }
    return workbook;
}

}  // namespace kiv::db::excel
