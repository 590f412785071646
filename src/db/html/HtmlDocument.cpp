#include "db/html/HtmlDocument.h"

#include <libxml/HTMLparser.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "base/Encoding.h"

namespace kiv::db::html {

namespace {

constexpr std::size_t ChunkSize = 1 << 16;

bool named(const xmlChar* name, const char* wanted) {
    return xmlStrcasecmp(name, reinterpret_cast<const xmlChar*>(wanted)) == 0;
}

// Text as it shows: every run of white space (no-break spaces included) one blank, none at
// either end.
class CollapsedText {
public:
    void append(std::string_view text) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const bool noBreak = static_cast<unsigned char>(text[i]) == 0xC2 &&
                                 i + 1 < text.size() &&
                                 static_cast<unsigned char>(text[i + 1]) == 0xA0;
            const char c = text[i];
            if (noBreak || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f') {
                blank_ = !text_.empty();
                i += noBreak ? 1 : 0;
                continue;
            }
            if (blank_) {
                text_.push_back(' ');
                blank_ = false;
            }
            text_.push_back(c);
        }
    }
    void breakLine() { blank_ = !text_.empty(); }
    std::string take() {
        blank_ = false;
        return std::move(text_);
    }

private:
    std::string text_;
    bool blank_ = false;
};

// What an open element is to the tables.
enum class Kind { Other, Table, Row, Cell, Caption, Title, Hidden };

// A table whose end has not come yet: the row and the cell or caption being read.
struct OpenTable {
    std::size_t index = 0;  // into the document's tables
    bool inRow = false;
    std::vector<std::string> row;
    bool inCell = false;
    bool inCaption = false;
    CollapsedText text;
};

// Takes the parser's events as they come and keeps the tables alone, so a document of any
// size and depth is read without its tree. Elements the parser closes on its own (unclosed
// cells and rows, the document's end) end here too.
class TableCollector {
public:
    TableCollector(std::string& title, std::vector<HtmlDocument::Table>& tables)
        : title_(title), tables_(tables) {}

    void start(const xmlChar* name) {
        Kind kind = Kind::Other;
        OpenTable* table = open_.empty() ? nullptr : &open_.back();
        if (named(name, "table")) {
            kind = Kind::Table;
            tables_.emplace_back();
            open_.emplace_back().index = tables_.size() - 1;
        } else if (named(name, "script") || named(name, "style")) {
            kind = Kind::Hidden;
            ++hidden_;
        } else if (named(name, "br")) {
            if (CollapsedText* text = sink()) {
                text->breakLine();
            }
        } else if (table == nullptr) {
            kind = named(name, "title") && !titled_ ? Kind::Title : Kind::Other;
        } else if (named(name, "tr") && !table->inCell && !table->inCaption) {
            kind = Kind::Row;
            endRow(*table);
            table->inRow = true;
        } else if ((named(name, "td") || named(name, "th")) && table->inRow && !table->inCell) {
            kind = Kind::Cell;
            table->inCell = true;
        } else if (named(name, "caption") && !table->inCell && !table->inCaption) {
            kind = Kind::Caption;
            table->inCaption = true;
        }
        kinds_.push_back(kind);
    }

    void end() {
        if (kinds_.empty()) {
            return;
        }
        const Kind kind = kinds_.back();
        kinds_.pop_back();
        switch (kind) {
            case Kind::Table:
                endRow(open_.back());
                open_.pop_back();
                break;
            case Kind::Row:
                endRow(open_.back());
                break;
            case Kind::Cell:
                endCell(open_.back());
                break;
            case Kind::Caption: {
                OpenTable& table = open_.back();
                std::string caption = table.text.take();
                std::string& kept = tables_[table.index].caption;
                kept = kept.empty() ? std::move(caption) : kept;
                table.inCaption = false;
                break;
            }
            case Kind::Title:
                title_ = title_.empty() ? titleText_.take() : title_;
                titled_ = true;
                break;
            case Kind::Hidden:
                --hidden_;
                break;
            case Kind::Other:
                break;
        }
    }

    void characters(std::string_view text) {
        if (CollapsedText* sink = this->sink()) {
            sink->append(text);
        }
    }

    // Ends what the document left open.
    void finish() {
        while (!kinds_.empty()) {
            end();
        }
    }

private:
    CollapsedText* sink() {
        if (hidden_ > 0) {
            return nullptr;
        }
        if (!open_.empty()) {
            OpenTable& table = open_.back();
            return table.inCell || table.inCaption ? &table.text : nullptr;
        }
        return !kinds_.empty() && kinds_.back() == Kind::Title ? &titleText_ : nullptr;
    }

    void endCell(OpenTable& table) {
        if (table.inCell) {
            table.row.push_back(table.text.take());
            table.inCell = false;
        }
    }

    void endRow(OpenTable& table) {
        endCell(table);
        if (!table.row.empty()) {
            tables_[table.index].rows.push_back(std::move(table.row));
        }
        table.row.clear();
        table.inRow = false;
    }

    std::string& title_;
    std::vector<HtmlDocument::Table>& tables_;
    std::vector<Kind> kinds_;  // of the open elements, outermost first
    std::vector<OpenTable> open_;
    CollapsedText titleText_;
    bool titled_ = false;
    int hidden_ = 0;
};

TableCollector& collectorOf(void* context) {
    return *static_cast<TableCollector*>(static_cast<htmlParserCtxtPtr>(context)->_private);
}

htmlSAXHandler tableEvents() {
    htmlSAXHandler events{};
    events.startElement = [](void* context, const xmlChar* name, const xmlChar**) {
        collectorOf(context).start(name);
    };
    events.endElement = [](void* context, const xmlChar*) { collectorOf(context).end(); };
    events.characters = [](void* context, const xmlChar* text, int size) {
        collectorOf(context).characters(
            std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)));
    };
    events.ignorableWhitespace = events.characters;
    events.cdataBlock = events.characters;
    return events;
}

// Hands the document to `feed` as UTF-8 in pieces: a UTF-8 or UTF-16 byte-order mark decides
// and is left out; otherwise valid UTF-8 is passed as it is and anything else is read as
// Windows-1252.
template <typename Feed>
void feedUtf8(std::string_view bytes, Feed feed) {
    const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    const bool littleEndian = bytes.starts_with("\xFF\xFE");
    const bool utf8 = !utf16 && (encoding::hasUtf8Bom(bytes) || encoding::isValidUtf8(bytes));
    bytes.remove_prefix(encoding::hasUtf8Bom(bytes) ? 3 : utf16 ? 2 : 0);
    while (!bytes.empty()) {
        std::size_t size = std::min(bytes.size(), ChunkSize);
        if (utf16 && size < bytes.size()) {
            // A pair of surrogates stays in one piece.
            const auto high = static_cast<unsigned char>(bytes[size - (littleEndian ? 1 : 2)]);
            size -= (high & 0xFC) == 0xD8 ? 2 : 0;
        }
        const std::string_view piece = bytes.substr(0, size);
        if (utf8) {
            feed(piece);
        } else if (utf16) {
            feed(encoding::utf16ToUtf8(piece, littleEndian));
        } else {
            feed(encoding::windows1252ToUtf8(piece));
        }
        bytes.remove_prefix(size);
    }
}

}  // namespace

HtmlDocument::HtmlDocument(std::string_view bytes) {
    htmlSAXHandler events = tableEvents();
    TableCollector collector(title_, tables_);
    std::unique_ptr<htmlParserCtxt, decltype(&htmlFreeParserCtxt)> parser(
        htmlCreatePushParserCtxt(&events, nullptr, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8),
        htmlFreeParserCtxt);
    if (!parser) {
        throw std::runtime_error("the file holds no HTML document");
    }
    parser->_private = &collector;
    htmlCtxtUseOptions(parser.get(), HTML_PARSE_RECOVER | HTML_PARSE_NOERROR |
                                         HTML_PARSE_NOWARNING | HTML_PARSE_NONET |
                                         HTML_PARSE_IGNORE_ENC);
    feedUtf8(bytes, [&](std::string_view piece) {
        htmlParseChunk(parser.get(), piece.data(), static_cast<int>(piece.size()), 0);
    });
    htmlParseChunk(parser.get(), nullptr, 0, 1);
    collector.finish();
}

}  // namespace kiv::db::html
