#include "db/files/TextDefinition.h"

#include <array>
#include <stdexcept>

#include "base/Text.h"

namespace kiv::db::files {

namespace {

struct Token {
    enum class Kind { End, Word, Quoted, Symbol };
    Kind kind = Kind::End;
    std::string text;

    bool is(std::string_view word) const { return kind == Kind::Word && text::iequals(text, word); }
    bool isSymbol(char symbol) const {
        return kind == Kind::Symbol && text.size() == 1 && text[0] == symbol;
    }
    bool isName() const { return kind == Kind::Word || kind == Kind::Quoted; }
};

// Splits a statement into words, quoted names ([x], "x", `x`) and the symbols ( ) , ;
// skipping blanks and comments.
class Lexer {
public:
    explicit Lexer(std::string_view sql) : sql_(sql) {}

    Token next() {
        skipSpace();
        Token token;
        if (at_ >= sql_.size()) {
            return token;
        }
        const char c = sql_[at_];
        if (c == '(' || c == ')' || c == ',' || c == ';') {
            token.kind = Token::Kind::Symbol;
            token.text = std::string(1, c);
            ++at_;
        } else if (c == '[' || c == '"' || c == '`') {
            const char close = c == '[' ? ']' : c;
            token.kind = Token::Kind::Quoted;
            ++at_;
            for (;;) {
                if (at_ >= sql_.size()) {
                    throw std::runtime_error("A name in the statement is not closed with " +
                                             std::string(1, close) + ".");
                }
                if (sql_[at_] == close) {
                    // A doubled closing character stands for itself.
                    if (at_ + 1 < sql_.size() && sql_[at_ + 1] == close) {
                        token.text.push_back(close);
                        at_ += 2;
                        continue;
                    }
                    ++at_;
                    break;
                }
                token.text.push_back(sql_[at_++]);
            }
        } else {
            token.kind = Token::Kind::Word;
            while (at_ < sql_.size() && !isSpace(sql_[at_]) &&
                   std::string_view("()[],;\"`'").find(sql_[at_]) == std::string_view::npos) {
                token.text.push_back(sql_[at_++]);
            }
            if (token.text.empty()) {
                token.text.push_back(sql_[at_++]);
            }
        }
        return token;
    }

private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    void skipSpace() {
        for (;;) {
            while (at_ < sql_.size() && isSpace(sql_[at_])) {
                ++at_;
            }
            if (sql_.substr(at_).starts_with("--")) {
                const auto end = sql_.find('\n', at_);
                at_ = end == std::string_view::npos ? sql_.size() : end;
            } else if (sql_.substr(at_).starts_with("/*")) {
                const auto end = sql_.find("*/", at_ + 2);
                at_ = end == std::string_view::npos ? sql_.size() : end + 2;
            } else {
                return;
            }
        }
    }

    std::string_view sql_;
    std::size_t at_ = 0;
};

struct SqlType {
    std::string_view word;
    TextColumn::Type type;
};

constexpr std::array<SqlType, 35> SqlTypes = {{
    {"INTEGER", TextColumn::Type::Long},      {"INT", TextColumn::Type::Long},
    {"LONG", TextColumn::Type::Long},         {"INT4", TextColumn::Type::Long},
    {"COUNTER", TextColumn::Type::Long},      {"SMALLINT", TextColumn::Type::Short},
    {"SHORT", TextColumn::Type::Short},       {"INT2", TextColumn::Type::Short},
    {"TINYINT", TextColumn::Type::Byte},      {"BYTE", TextColumn::Type::Byte},
    {"DOUBLE", TextColumn::Type::Double},     {"FLOAT", TextColumn::Type::Double},
    {"FLOAT8", TextColumn::Type::Double},     {"NUMERIC", TextColumn::Type::Double},
    {"DECIMAL", TextColumn::Type::Double},    {"REAL", TextColumn::Type::Single},
    {"SINGLE", TextColumn::Type::Single},     {"FLOAT4", TextColumn::Type::Single},
    {"CURRENCY", TextColumn::Type::Currency}, {"MONEY", TextColumn::Type::Currency},
    {"DATETIME", TextColumn::Type::DateTime}, {"DATE", TextColumn::Type::DateTime},
    {"TIME", TextColumn::Type::DateTime},     {"TIMESTAMP", TextColumn::Type::DateTime},
    {"BIT", TextColumn::Type::Bit},           {"BOOLEAN", TextColumn::Type::Bit},
    {"YESNO", TextColumn::Type::Bit},         {"TEXT", TextColumn::Type::Text},
    {"VARCHAR", TextColumn::Type::Text},      {"CHAR", TextColumn::Type::Text},
    {"NVARCHAR", TextColumn::Type::Text},     {"NCHAR", TextColumn::Type::Text},
    {"MEMO", TextColumn::Type::Memo},         {"LONGTEXT", TextColumn::Type::Memo},
    {"LONGCHAR", TextColumn::Type::Memo},
}};

std::string fileNameOf(const Token& token) {
    if (!token.isName() || token.text.empty()) {
        throw std::runtime_error("The statement names no table.");
    }
    std::string name = token.text;
    if (name.find_first_of("/\\") != std::string::npos) {
        throw std::runtime_error("The table " + name +
                                 " names a path; a text table is a file of the connection's "
                                 "folder.");
    }
    const auto hash = name.rfind('#');
    if (name.find('.') == std::string::npos && hash != std::string::npos) {
        name[hash] = '.';
    }
    return name;
}

std::optional<std::size_t> countOf(const Token& token) {
    if (token.kind != Token::Kind::Word || token.text.empty() || token.text.size() > 9 ||
        token.text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(std::stoul(token.text));
}

// One column definition up to the comma or parenthesis after it, which is returned.
Token readColumn(Lexer& in, Token first, TextDefinition& definition) {
    if (!first.isName()) {
        throw std::runtime_error("CREATE TABLE expects a column name where " + first.text +
                                 " stands.");
    }
    TextColumn column;
    column.name = first.text;
    column.declared = true;
    const Token typeWord = in.next();
    const SqlType* found = nullptr;
    for (const SqlType& candidate : SqlTypes) {
        if (typeWord.is(candidate.word)) {
            found = &candidate;
        }
    }
    if (found == nullptr) {
        throw std::runtime_error("The type " + (typeWord.text.empty() ? "(none)" : typeWord.text) +
                                 " of column " + column.name +
                                 " is not one a text file holds (INTEGER, SMALLINT, TINYINT, "
                                 "DOUBLE, REAL, CURRENCY, DATETIME, BIT, TEXT(n), MEMO).");
    }
    column.type = found->type;
    Token token = in.next();
    if (token.isSymbol('(')) {
        const std::optional<std::size_t> size = countOf(in.next());
        if (!size || *size == 0) {
            throw std::runtime_error("The size of column " + column.name +
                                     " is not a number above 0.");
        }
        if (column.type == TextColumn::Type::Text) {
            column.width = *size;
        }
        // A scale after the precision of a DECIMAL is of no use to a text file.
        token = in.next();
        while (!token.isSymbol(')')) {
            if (token.kind == Token::Kind::End) {
                throw std::runtime_error("The size of column " + column.name +
                                         " is not closed with ).");
            }
            token = in.next();
        }
        token = in.next();
    }
    // Constraints such as NOT NULL mean nothing to a text file and are passed over.
    int depth = 0;
    while (depth > 0 || (!token.isSymbol(',') && !token.isSymbol(')'))) {
        if (token.kind == Token::Kind::End) {
            throw std::runtime_error("The column list of CREATE TABLE is not closed with ).");
        }
        depth += token.isSymbol('(') ? 1 : token.isSymbol(')') ? -1 : 0;
        token = in.next();
    }
    definition.columns.push_back(std::move(column));
    return token;
}

void expectEnd(Lexer& in, Token token) {
    if (token.isSymbol(';')) {
        token = in.next();
    }
    if (token.kind != Token::Kind::End) {
        throw std::runtime_error("Unexpected " + token.text + " after the table definition.");
    }
}

}  // namespace

std::optional<TextDefinition> TextDefinition::parse(std::string_view sql) {
    Lexer in(sql);
    const Token verb = in.next();
    if (!verb.is("CREATE") && !verb.is("DROP")) {
        return std::nullopt;
    }
    if (!in.next().is("TABLE")) {
        return std::nullopt;
    }
    TextDefinition definition;
    definition.kind = verb.is("CREATE") ? Kind::Create : Kind::Drop;
    definition.fileName = fileNameOf(in.next());
    if (definition.kind == Kind::Drop) {
        expectEnd(in, in.next());
        return definition;
    }
    if (!in.next().isSymbol('(')) {
        throw std::runtime_error("CREATE TABLE " + definition.fileName +
                                 " needs its columns in parentheses.");
    }
    Token token = in.next();
    for (;;) {
        token = readColumn(in, token, definition);
        if (token.isSymbol(')')) {
            break;
        }
        token = in.next();
    }
    expectEnd(in, in.next());
    return definition;
}

}  // namespace kiv::db::files
