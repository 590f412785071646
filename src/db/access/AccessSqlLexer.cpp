#include "db/access/AccessSqlLexer.h"

#include <cctype>

#include "db/access/AccessSqlError.h"

namespace kiv::db::access {

namespace {

bool isWordStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool isWordPart(char c) {
    return isWordStart(c) || std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

class Scanner {
public:
    explicit Scanner(std::string_view sql) : sql_(sql) {}

    std::vector<AccessSqlToken> run() {
        std::vector<AccessSqlToken> tokens;
        while (skipBlanks()) {
            tokens.push_back(next());
        }
        tokens.push_back({AccessSqlToken::Kind::End, ""});
        return tokens;
    }

private:
    bool skipBlanks() {
        while (at_ < sql_.size() && std::isspace(static_cast<unsigned char>(sql_[at_])) != 0) {
            ++at_;
        }
        return at_ < sql_.size();
    }

    AccessSqlToken next() {
        const char c = sql_[at_];
        if (c == '[') {
            return {AccessSqlToken::Kind::Name, until(']', "a name in brackets")};
        }
        if (c == '#') {
            return {AccessSqlToken::Kind::Date, until('#', "a #date# literal")};
        }
        if (c == '"' || c == '\'') {
            return {AccessSqlToken::Kind::Text, quoted(c)};
        }
        if (isDigit(c) || (c == '.' && at_ + 1 < sql_.size() && isDigit(sql_[at_ + 1]))) {
            return {AccessSqlToken::Kind::Number, number()};
        }
        if (isWordStart(c)) {
            const std::size_t start = at_;
            while (at_ < sql_.size() && isWordPart(sql_[at_])) {
                ++at_;
            }
            return {AccessSqlToken::Kind::Word, std::string(sql_.substr(start, at_ - start))};
        }
        return {AccessSqlToken::Kind::Symbol, symbol()};
    }

    std::string until(char close, const char* what) {
        const std::size_t end = sql_.find(close, at_ + 1);
        if (end == std::string_view::npos) {
            throw AccessSqlError(std::string(what) + " that is not closed");
        }
        std::string content(sql_.substr(at_ + 1, end - at_ - 1));
        at_ = end + 1;
        return content;
    }

    // A quoted text; the quote written twice stands for itself.
    std::string quoted(char quote) {
        std::string content;
        for (++at_; at_ < sql_.size(); ++at_) {
            if (sql_[at_] == quote) {
                if (at_ + 1 < sql_.size() && sql_[at_ + 1] == quote) {
                    ++at_;
                } else {
                    ++at_;
                    return content;
                }
            }
            content.push_back(sql_[at_]);
        }
        throw AccessSqlError("a text literal that is not closed");
    }

    std::string number() {
        const std::size_t start = at_;
        while (at_ < sql_.size() && (isDigit(sql_[at_]) || sql_[at_] == '.')) {
            ++at_;
        }
        if (at_ < sql_.size() && (sql_[at_] == 'e' || sql_[at_] == 'E')) {
            std::size_t exponent = at_ + 1;
            if (exponent < sql_.size() && (sql_[exponent] == '+' || sql_[exponent] == '-')) {
                ++exponent;
            }
            if (exponent < sql_.size() && isDigit(sql_[exponent])) {
                at_ = exponent;
                while (at_ < sql_.size() && isDigit(sql_[at_])) {
                    ++at_;
                }
            }
        }
        return std::string(sql_.substr(start, at_ - start));
    }

    std::string symbol() {
        static constexpr std::string_view Pairs[] = {"<=", ">=", "<>"};
        for (const std::string_view pair : Pairs) {
            if (sql_.substr(at_, 2) == pair) {
                at_ += 2;
                return std::string(pair);
            }
        }
        static constexpr std::string_view Singles = "(),.!;&+-*/\\^=<>";
        const char c = sql_[at_];
        if (Singles.find(c) == std::string_view::npos) {
            throw AccessSqlError(std::string("the character ") + c);
        }
        ++at_;
        return std::string(1, c);
    }

    std::string_view sql_;
    std::size_t at_ = 0;
};

}  // namespace

std::vector<AccessSqlToken> AccessSqlLexer::tokens(std::string_view sql) {
    return Scanner(sql).run();
}

}  // namespace kiv::db::access
