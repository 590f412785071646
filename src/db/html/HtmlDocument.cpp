#include "db/html/HtmlDocument.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <memory>
#include <stdexcept>

#include "base/Encoding.h"

namespace kiv::db::html {

namespace {

using Document = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

bool isElement(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE &&
           xmlStrcasecmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0;
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
    std::string take() { return std::move(text_); }

private:
    std::string text_;
    bool blank_ = false;
};

// The text of an element, without what nested tables, scripts and style sheets hold.
void collectText(const xmlNode* node, CollapsedText& out) {
    for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
            out.append(reinterpret_cast<const char*>(child->content));
        } else if (isElement(child, "br")) {
            out.breakLine();
        } else if (child->type == XML_ELEMENT_NODE && !isElement(child, "table") &&
                   !isElement(child, "script") && !isElement(child, "style")) {
            collectText(child, out);
        }
    }
}

std::string textOf(const xmlNode* node) {
    CollapsedText text;
    collectText(node, text);
    return text.take();
}

std::vector<std::string> rowOf(const xmlNode* row) {
    std::vector<std::string> cells;
    for (const xmlNode* cell = row->children; cell != nullptr; cell = cell->next) {
        if (isElement(cell, "td") || isElement(cell, "th")) {
            cells.push_back(textOf(cell));
        }
    }
    return cells;
}

// The caption and rows of a table, looking through row groups and stray wrappers but not
// into nested tables.
void collectRows(const xmlNode* node, HtmlDocument::Table& table) {
    for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
        if (isElement(child, "tr")) {
            std::vector<std::string> cells = rowOf(child);
            if (!cells.empty()) {
                table.rows.push_back(std::move(cells));
            }
        } else if (isElement(child, "caption")) {
            if (table.caption.empty()) {
                table.caption = textOf(child);
            }
        } else if (child->type == XML_ELEMENT_NODE && !isElement(child, "table")) {
            collectRows(child, table);
        }
    }
}

// The title and the tables of an element and its descendants, in document order: a table
// before the tables nested in it. The parser limits how deep elements nest.
void collectTables(const xmlNode* node, std::string& title,
                   std::vector<HtmlDocument::Table>& tables) {
    if (isElement(node, "title") && title.empty()) {
        title = textOf(node);
    } else if (isElement(node, "table")) {
        collectRows(node, tables.emplace_back());
    }
    for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            collectTables(child, title, tables);
        }
    }
}

}  // namespace

HtmlDocument::HtmlDocument(std::string_view bytes) {
    const std::string text = encoding::decodeText(bytes);
    Document document(
        htmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
                       HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                           HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC),
        xmlFreeDoc);
    if (!document) {
        throw std::runtime_error("the file holds no HTML document");
    }
    if (const xmlNode* root = xmlDocGetRootElement(document.get())) {
        collectTables(root, title_, tables_);
    }
}

}  // namespace kiv::db::html
