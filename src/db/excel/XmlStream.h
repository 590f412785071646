#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

struct _xmlTextReader;
struct _xmlError;

namespace kiv::db::excel {

// Reads an XML document node by node as its bytes arrive, so a worksheet of any size is read
// without holding it or building its tree. Names are compared by their local part, whatever prefix
// their namespace has in the file. Entities are not expanded and nothing is fetched from a network.
class XmlStream {
public:
    // Puts up to `size` next bytes of the document into `buffer`; 0 at its end. What it throws
    // comes out of next().
    using Source = std::function<std::size_t(char* buffer, std::size_t size)>;

    // Throws std::runtime_error when the reader cannot be made.
    explicit XmlStream(Source source);
    // A document held in memory, which must outlive the stream.
    explicit XmlStream(std::string_view xml);
    ~XmlStream();
    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;

    // Moves to the next element start, element end or text; false at the end of the document.
    // Throws std::runtime_error when the document is not well-formed.
    bool next();

    bool opens(std::string_view name) const;   // at the start of an element with that name
    bool closes(std::string_view name) const;  // at its end, or at its start when it is empty
    bool isText() const;
    std::string_view text() const;

    // The value of an attribute of the element the stream is at; "" when it has none.
    std::string attribute(std::string_view name) const;
    // The text of the element the stream is at, its descendants' included.
    std::string elementText() const;
    // Moves past the end of the element the stream is at.
    void skipElement();

private:
    bool isElement(std::string_view name) const;
    static int readInput(void* stream, char* buffer, int size);
    static void noteError(void* stream, _xmlError* error);

    Source source_;
    std::exception_ptr failure_;  // what the source threw, passed on by next()
    std::string error_;           // the parser's first complaint, with its line
    _xmlTextReader* reader_;
};

}  // namespace kiv::db::excel
