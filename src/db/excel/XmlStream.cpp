#include "db/excel/XmlStream.h"

#include <libxml/xmlreader.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "base/Text.h"

namespace kiv::db::excel {

namespace {

// libxml2 writes some failures, such as bytes it cannot decode, to standard error by itself;
// the stream reports the failures through its own handler, with the part they come from.
void ignoreGenericError(void*, const char*, ...) {}

std::string_view view(const xmlChar* text) {
    return text == nullptr ? std::string_view()
                           : std::string_view(reinterpret_cast<const char*>(text));
}

}  // namespace

XmlStream::XmlStream(Source source)
    : source_(std::move(source)),
      reader_(xmlReaderForIO(
          &XmlStream::readInput, nullptr, this, nullptr, nullptr,
          XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOBLANKS)) {
    if (reader_ == nullptr) {
        throw std::runtime_error("cannot read the XML part");
    }
    xmlSetGenericErrorFunc(nullptr, &ignoreGenericError);
    xmlTextReaderSetStructuredErrorHandler(reader_, &XmlStream::noteError, this);
}

XmlStream::XmlStream(std::string_view xml)
    : XmlStream([xml](char* buffer, std::size_t size) mutable {
          const std::size_t count = std::min(size, xml.size());
          std::copy_n(xml.data(), count, buffer);
          xml.remove_prefix(count);
          return count;
      }) {}

void XmlStream::noteError(void* stream, xmlError* error) {
    auto* self = static_cast<XmlStream*>(stream);
    if (self->error_.empty() && error != nullptr && error->level >= XML_ERR_ERROR) {
        self->error_ = std::string(text::trimWhitespace(
                           view(reinterpret_cast<const xmlChar*>(error->message)))) +
                       " on line " + text::decimal(error->line);
    }
}

int XmlStream::readInput(void* stream, char* buffer, int size) {
    auto* self = static_cast<XmlStream*>(stream);
    try {
        return static_cast<int>(self->source_(buffer, static_cast<std::size_t>(size)));
    } catch (...) {
        self->failure_ = std::current_exception();
        return -1;
    }
}

XmlStream::~XmlStream() {
    xmlFreeTextReader(reader_);
}

bool XmlStream::next() {
    for (;;) {
        const int result = xmlTextReaderRead(reader_);
        if (result == 0) {
            return false;
        }
        if (result < 0) {
            if (failure_) {
                std::rethrow_exception(failure_);
            }
            throw std::runtime_error("an XML part is not well-formed" +
                                     (error_.empty() ? std::string() : " (" + error_ + ")"));
        }
        switch (xmlTextReaderNodeType(reader_)) {
            case XML_READER_TYPE_ELEMENT:
            case XML_READER_TYPE_END_ELEMENT:
            case XML_READER_TYPE_TEXT:
            case XML_READER_TYPE_CDATA:
            case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
                return true;
            default:
                break;
        }
    }
}

bool XmlStream::isElement(std::string_view name) const {
    return view(xmlTextReaderConstLocalName(reader_)) == name;
}

bool XmlStream::opens(std::string_view name) const {
    return xmlTextReaderNodeType(reader_) == XML_READER_TYPE_ELEMENT && isElement(name);
}

bool XmlStream::closes(std::string_view name) const {
    const int type = xmlTextReaderNodeType(reader_);
    return isElement(name) &&
           (type == XML_READER_TYPE_END_ELEMENT ||
            (type == XML_READER_TYPE_ELEMENT && xmlTextReaderIsEmptyElement(reader_) == 1));
}

bool XmlStream::isText() const {
    const int type = xmlTextReaderNodeType(reader_);
    return type == XML_READER_TYPE_TEXT || type == XML_READER_TYPE_CDATA ||
           type == XML_READER_TYPE_SIGNIFICANT_WHITESPACE;
}

std::string_view XmlStream::text() const {
    return view(xmlTextReaderConstValue(reader_));
}

std::string XmlStream::attribute(std::string_view name) const {
    std::string value;
    if (xmlTextReaderMoveToFirstAttribute(reader_) != 1) {
        return value;
    }
    do {
        if (view(xmlTextReaderConstLocalName(reader_)) == name) {
            value = view(xmlTextReaderConstValue(reader_));
            break;
        }
    } while (xmlTextReaderMoveToNextAttribute(reader_) == 1);
    xmlTextReaderMoveToElement(reader_);
    return value;
}

std::string XmlStream::elementText() const {
    xmlChar* text = xmlTextReaderReadString(reader_);
    std::string value(view(text));
    xmlFree(text);
    return value;
}

void XmlStream::skipElement() {
    if (xmlTextReaderIsEmptyElement(reader_) == 1) {
        return;
    }
    const int depth = xmlTextReaderDepth(reader_);
    while (next()) {
        if (xmlTextReaderNodeType(reader_) == XML_READER_TYPE_END_ELEMENT &&
            xmlTextReaderDepth(reader_) == depth) {
            return;
        }
    }
}

}  // namespace kiv::db::excel
