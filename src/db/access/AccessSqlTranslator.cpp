#include "db/access/AccessSqlTranslator.h"

#include <optional>
#include <regex>

#include "base/Text.h"
#include "base/Variant.h"
#include "db/access/AccessFunctions.h"
#include "db/access/AccessSqlError.h"
#include "db/access/AccessSqlLexer.h"
#include "db/cells/SqlName.h"

namespace kiv::db::access {

namespace {

using Token = AccessSqlToken;
using Kind = AccessSqlToken::Kind;

// Words that end a name's alias written without AS, and that a name cannot be.
constexpr std::string_view Reserved[] = {
    "SELECT", "FROM",  "WHERE", "GROUP",   "HAVING",   "ORDER",       "UNION", "INNER", "LEFT",
    "RIGHT",  "OUTER", "JOIN",  "ON",      "AS",       "AND",         "OR",    "NOT",   "BY",
    "IN",     "IS",    "LIKE",  "BETWEEN", "DISTINCT", "DISTINCTROW", "TOP",   "ALL"};

std::string textLiteral(std::string_view value) {
    return "'" + text::replaceAll(value, "'", "''") + "'";
}

// A #date# literal: Access reads it as month/day/year (US), or as an ISO date; a two-digit
// year means 1930 to 2029.
std::string dateLiteral(const std::string& written) {
    static const std::regex ShortYear(R"(^\s*(\d{1,2})/(\d{1,2})/(\d{2})(\s.*)?$)");
    std::smatch parts;
    std::string full = written;
    if (std::regex_match(written, parts, ShortYear)) {
        const int year = std::stoi(parts[3].str());
        full = parts[1].str() + "/" + parts[2].str() + "/" +
               std::to_string(year < 30 ? 2000 + year : 1900 + year) + parts[4].str();
    }
    const std::optional<double> serial = Variant::parseDate(text::trim(full));
    if (!serial) {
        throw AccessSqlError("the date literal #" + written + "#");
    }
    return textLiteral(Variant::formatDate(*serial));
}

class Parser {
public:
    explicit Parser(std::string_view sql) : tokens_(AccessSqlLexer::tokens(sql)) {}

    std::string wholeExpression() {
        std::string result = expression();
        expectEnd();
        return result;
    }

    std::string wholeStatement() {
        std::string result = statement();
        expectEnd();
        return result;
    }

    std::string wholeAggregateWhere(const std::string& condition) {
        const Token call = take();
        const std::string function = text::toUpper(call.text);
        if (call.kind != Kind::Word || !isAggregate(function) || !isSymbol("(")) {
            throw AccessSqlError("a crosstab value that is not a Sum, Avg, Count, Min or Max");
        }
        take();
        std::string argument = "1";
        if (isSymbol("*")) {
            take();
        } else {
            argument = expression();
        }
        expectSymbol(")");
        expectEnd();
        return text::toLower(function) + "(CASE WHEN " + condition + " THEN " + argument + " END)";
    }

    AccessSqlTranslator::Pivot wholePivot() {
        AccessSqlTranslator::Pivot pivot;
        pivot.expression = concatenation();
        if (!isWord("IN")) {
            throw AccessSqlError("a crosstab query without fixed column headings (PIVOT ... IN)");
        }
        take();
        expectSymbol("(");
        do {
            const Token value = take();
            if (value.kind == Kind::Text) {
                pivot.literals.push_back(textLiteral(value.text));
            } else if (value.kind == Kind::Number) {
                pivot.literals.push_back(value.text);
            } else {
                throw AccessSqlError("a crosstab column heading that is not a literal");
            }
            pivot.headings.push_back(value.text);
        } while (acceptSymbol(","));
        expectSymbol(")");
        expectEnd();
        return pivot;
    }

    std::vector<std::string> wholeQualifiers() {
        expression();
        expectEnd();
        return qualifiers_;
    }

    std::string wholeColumnName() {
        std::string last;
        for (;;) {
            const Token part = take();
            if (part.kind == Kind::Name || (part.kind == Kind::Word && !isReserved(part.text))) {
                last = part.text;
            } else {
                return "";
            }
            if (peek().kind == Kind::End) {
                return last;
            }
            if (!acceptSymbol(".")) {
                return "";
            }
        }
    }

private:
    // Statements.

    std::string statement() {
        std::string sql = select();
        while (isWord("UNION")) {
            take();
            sql += acceptWord("ALL") ? " UNION ALL " : " UNION ";
            sql += select();
        }
        return sql;
    }

    std::string select() {
        expectWord("SELECT");
        std::string sql = "SELECT ";
        if (acceptWord("DISTINCT")) {
            sql += "DISTINCT ";
        } else if (!acceptWord("DISTINCTROW")) {
            acceptWord("ALL");
        }
        std::string limit;
        if (acceptWord("TOP")) {
            const Token count = take();
            if (count.kind != Kind::Number) {
                throw AccessSqlError("TOP without a number");
            }
            if (isWord("PERCENT")) {
                throw AccessSqlError("TOP " + count.text + " PERCENT");
            }
            limit = " LIMIT " + count.text;
        }
        sql += selectList();
        if (acceptWord("FROM")) {
            sql += " FROM " + fromList();
        }
        if (acceptWord("WHERE")) {
            sql += " WHERE " + expression();
        }
        if (acceptWord("GROUP")) {
            expectWord("BY");
            sql += " GROUP BY " + expressionList();
        }
        if (acceptWord("HAVING")) {
            sql += " HAVING " + expression();
        }
        // After the last part of a union, it sorts the whole union, as in SQLite.
        if (isWord("ORDER")) {
            sql += orderBy();
        }
        return sql + limit;
    }

    std::string orderBy() {
        expectWord("ORDER");
        expectWord("BY");
        std::string sql = " ORDER BY ";
        do {
            const std::string key = expression();
            bool descending = false;
            if (acceptWord("DESC") || acceptWord("DESCENDING")) {
                descending = true;
            } else if (!acceptWord("ASC")) {
                acceptWord("ASCENDING");
            }
            sql += (sql.back() == ' ' ? "" : ", ") + sortTerm(key, descending);
        } while (acceptSymbol(","));
        return sql;
    }

    std::string selectList() {
        std::string sql;
        do {
            if (!sql.empty()) {
                sql += ", ";
            }
            if (acceptSymbol("*")) {
                sql += "*";
                continue;
            }
            sql += expression();
            if (acceptWord("AS")) {
                sql += " AS " + AccessSqlTranslator::name(aliasName());
            }
        } while (acceptSymbol(","));
        return sql;
    }

    std::string aliasName() {
        const Token alias = take();
        if (alias.kind != Kind::Name && alias.kind != Kind::Word) {
            throw AccessSqlError("an alias that is no name");
        }
        return alias.text;
    }

    std::string fromList() {
        std::string sql = joined();
        while (acceptSymbol(",")) {
            sql += ", " + joined();
        }
        return sql;
    }

    std::string joined() {
        std::string sql = source();
        for (;;) {
            std::string type;
            if (acceptWord("INNER")) {
                type = "INNER JOIN";
            } else if (acceptWord("LEFT")) {
                type = "LEFT JOIN";
            } else if (acceptWord("RIGHT")) {
                type = "RIGHT JOIN";
            } else {
                return sql;
            }
            acceptWord("OUTER");
            expectWord("JOIN");
            const std::string right = source();
            expectWord("ON");
            sql = "(" + sql + " " + type + " " + right + " ON " + expression() + ")";
        }
    }

    std::string source() {
        std::string sql;
        if (acceptSymbol("(")) {
            sql = isWord("SELECT") ? "(" + statement() + ")" : joinedInParentheses();
            expectSymbol(")");
        } else {
            const Token table = take();
            if (table.kind != Kind::Name && (table.kind != Kind::Word || isReserved(table.text))) {
                throw AccessSqlError("'" + table.text + "' where a table was expected");
            }
            if (isSymbol(".")) {
                throw AccessSqlError("the table " + table.text + " of another database");
            }
            sql = AccessSqlTranslator::name(table.text);
        }
        if (acceptWord("AS") || peek().kind == Kind::Name ||
            (peek().kind == Kind::Word && !isReserved(peek().text))) {
            sql += " AS " + AccessSqlTranslator::name(aliasName());
        }
        return sql;
    }

    std::string joinedInParentheses() {
        std::string sql = joined();
        while (acceptSymbol(",")) {
            sql += ", " + joined();
        }
        return "(" + sql + ")";
    }

    std::string expressionList() {
        std::string sql = expression();
        while (acceptSymbol(",")) {
            sql += ", " + expression();
        }
        return sql;
    }

public:
    static std::string sortTerm(const std::string& key, bool descending) {
        return key + " COLLATE NOCASE" + (descending ? " DESC" : "");
    }

private:
    // Expressions, from the loosest operator to the tightest.

    std::string expression() {
        std::string sql = conjunction();
        for (;;) {
            if (acceptWord("OR")) {
                sql = "(" + sql + " OR " + conjunction() + ")";
            } else if (isWord("XOR") || isWord("EQV") || isWord("IMP")) {
                throw AccessSqlError("the operator " + text::toUpper(peek().text));
            } else {
                return sql;
            }
        }
    }

    std::string conjunction() {
        std::string sql = negation();
        while (acceptWord("AND")) {
            sql = "(" + sql + " AND " + negation() + ")";
        }
        return sql;
    }

    std::string negation() {
        if (acceptWord("NOT")) {
            return "(NOT " + negation() + ")";
        }
        return comparison();
    }

    std::string comparison() {
        std::string sql = concatenation();
        for (;;) {
            static constexpr std::string_view Operators[] = {"=", "<>", "<", ">", "<=", ">="};
            bool matched = false;
            for (const std::string_view op : Operators) {
                if (isSymbol(op)) {
                    take();
                    sql = "(" + sql + " " + std::string(op) + " " + concatenation() +
                          " COLLATE NOCASE)";
                    matched = true;
                    break;
                }
            }
            if (matched) {
                continue;
            }
            if (acceptWord("IS")) {
                const bool negated = acceptWord("NOT");
                expectWord("NULL");
                sql = "(" + sql + (negated ? " IS NOT NULL)" : " IS NULL)");
                continue;
            }
            const bool negated = isWord("NOT") && isNextWordOneOf({"LIKE", "BETWEEN", "IN"});
            if (negated) {
                take();
            }
            const std::string prefix = negated ? "(NOT " : "(";
            if (acceptWord("LIKE")) {
                sql = prefix + AccessFunctions::Like + "(" + sql + ", " + concatenation() + "))";
            } else if (acceptWord("BETWEEN")) {
                const std::string low = concatenation();
                expectWord("AND");
                sql = prefix + "(" + sql + " COLLATE NOCASE BETWEEN " + low + " AND " +
                      concatenation() + "))";
            } else if (acceptWord("IN")) {
                sql = prefix + "(" + sql + " COLLATE NOCASE IN " + inList() + "))";
            } else {
                return sql;
            }
        }
    }

    std::string inList() {
        expectSymbol("(");
        std::string sql = "(" + (isWord("SELECT") ? statement() : expressionList()) + ")";
        expectSymbol(")");
        return sql;
    }

    std::string concatenation() {
        std::string sql = additive();
        if (!isSymbol("&")) {
            return sql;
        }
        sql = std::string(AccessFunctions::Concatenate) + "(" + sql;
        while (acceptSymbol("&")) {
            sql += ", " + additive();
        }
        return sql + ")";
    }

    std::string additive() {
        std::string sql = modulo();
        for (;;) {
            // Dates are texts in SQLite; Access adds days to them and subtracts them.
            if (acceptSymbol("+")) {
                sql = std::string(AccessFunctions::Add) + "(" + sql + ", " + modulo() + ")";
            } else if (acceptSymbol("-")) {
                sql = std::string(AccessFunctions::Subtract) + "(" + sql + ", " + modulo() + ")";
            } else {
                return sql;
            }
        }
    }

    std::string modulo() {
        std::string sql = multiplicative();
        while (acceptWord("MOD")) {
            sql = "(" + sql + " % " + multiplicative() + ")";
        }
        return sql;
    }

    std::string multiplicative() {
        std::string sql = unary();
        for (;;) {
            if (acceptSymbol("*")) {
                sql = "(" + sql + " * " + unary() + ")";
            } else if (acceptSymbol("/")) {
                // Access divides as floating point, also two whole numbers.
                sql = "(CAST(" + sql + " AS REAL) / " + unary() + ")";
            } else if (isSymbol("\\") || isSymbol("^")) {
                throw AccessSqlError("the operator " + peek().text);
            } else {
                return sql;
            }
        }
    }

    std::string unary() {
        if (acceptSymbol("-")) {
            return "(-" + unary() + ")";
        }
        if (acceptSymbol("+")) {
            return unary();
        }
        return primary();
    }

    std::string primary() {
        const Token token = take();
        switch (token.kind) {
            case Kind::Number:
                return token.text;
            case Kind::Text:
                return textLiteral(token.text);
            case Kind::Date:
                return dateLiteral(token.text);
            case Kind::Name:
                return reference(token);
            case Kind::Word:
                return word(token);
            case Kind::Symbol:
                if (token.text == "(") {
                    std::string sql =
                        isWord("SELECT") ? "(" + statement() + ")" : "(" + expression() + ")";
                    expectSymbol(")");
                    return sql;
                }
                break;
            case Kind::End:
                throw AccessSqlError("an expression that ends too early");
        }
        throw AccessSqlError("'" + token.text + "' where a value was expected");
    }

    std::string word(const Token& token) {
        const std::string upper = text::toUpper(token.text);
        if (upper == "TRUE" || upper == "YES" || upper == "ON") {
            return "1";
        }
        if (upper == "FALSE" || upper == "NO" || upper == "OFF") {
            return "0";
        }
        if (upper == "NULL") {
            return "NULL";
        }
        if (upper == "EXISTS") {
            expectSymbol("(");
            std::string sql = "EXISTS (" + statement() + ")";
            expectSymbol(")");
            return sql;
        }
        if (isSymbol("(")) {
            return call(token.text);
        }
        if (isReserved(token.text)) {
            throw AccessSqlError("'" + token.text + "' where a value was expected");
        }
        return reference(token);
    }

    // A column, written Column, Table.Column or Table.*; Forms!Name!Control refers to a
    // form, which a query read here has not got.
    std::string reference(const Token& first) {
        std::string sql = AccessSqlTranslator::name(first.text);
        std::string written = first.text;
        qualifiers_.push_back(isSymbol(".") ? text::toLower(first.text) : "");
        for (;;) {
            if (acceptSymbol(".")) {
                if (acceptSymbol("*")) {
                    return sql + ".*";
                }
                const Token part = take();
                if (part.kind != Kind::Name && part.kind != Kind::Word) {
                    throw AccessSqlError("'" + written + ".' without a column name");
                }
                sql += "." + AccessSqlTranslator::name(part.text);
                written += "." + part.text;
            } else if (isSymbol("!")) {
                while (acceptSymbol("!") || acceptSymbol(".")) {
                    written += "!" + take().text;
                }
                throw AccessSqlError("the reference " + written +
                                     " (to a form or another object outside the query)");
            } else {
                return sql;
            }
        }
    }

    std::string call(const std::string& function) {
        const std::string upper = text::toUpper(function);
        expectSymbol("(");
        if (isAggregate(upper)) {
            std::string sql = text::toLower(upper) + "(";
            if (upper == "COUNT" && acceptSymbol("*")) {
                sql += "*";
            } else {
                sql += expression();
            }
            expectSymbol(")");
            return sql + ")";
        }
        std::vector<std::string> arguments;
        if (!acceptSymbol(")")) {
            do {
                arguments.push_back(expression());
            } while (acceptSymbol(","));
            expectSymbol(")");
        }
        const auto count = static_cast<int>(arguments.size());
        const auto check = [&](int fewest, int most) {
            if (count < fewest || count > most) {
                throw AccessSqlError("the function " + function + " with " + std::to_string(count) +
                                     " arguments");
            }
        };
        if (upper == "IIF") {
            check(3, 3);
            return "(CASE WHEN " + arguments[0] + " THEN " + arguments[1] + " ELSE " +
                   arguments[2] + " END)";
        }
        if (upper == "ISNULL") {
            check(1, 1);
            return "(" + arguments[0] + " IS NULL)";
        }
        if (upper == "NZ") {
            check(1, 2);
            return "coalesce(" + arguments[0] + ", " + (count == 2 ? arguments[1] : "''") + ")";
        }
        const std::optional<AccessFunctions::Signature> signature = AccessFunctions::find(function);
        if (!signature) {
            throw AccessSqlError("the function " + function);
        }
        check(signature->fewest, signature->most);
        std::string sql = signature->sqlName + "(";
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            sql += (i == 0 ? "" : ", ") + arguments[i];
        }
        return sql + ")";
    }

    static bool isAggregate(const std::string& upper) {
        return upper == "SUM" || upper == "AVG" || upper == "COUNT" || upper == "MIN" ||
               upper == "MAX";
    }

    static bool isReserved(const std::string& word) {
        for (const std::string_view reserved : Reserved) {
            if (text::iequals(word, reserved)) {
                return true;
            }
        }
        return false;
    }

    // Tokens.

    const Token& peek() const { return tokens_[at_]; }

    Token take() {
        const Token& token = tokens_[at_];
        if (token.kind != Kind::End) {
            ++at_;
        }
        return token;
    }

    bool isSymbol(std::string_view symbol) const {
        return peek().kind == Kind::Symbol && peek().text == symbol;
    }

    bool isWord(std::string_view word) const {
        return peek().kind == Kind::Word && text::iequals(peek().text, word);
    }

    bool isNextWordOneOf(std::initializer_list<std::string_view> words) const {
        const Token& next = tokens_[at_ + 1 < tokens_.size() ? at_ + 1 : at_];
        for (const std::string_view word : words) {
            if (next.kind == Kind::Word && text::iequals(next.text, word)) {
                return true;
            }
        }
        return false;
    }

    bool acceptSymbol(std::string_view symbol) {
        if (isSymbol(symbol)) {
            take();
            return true;
        }
        return false;
    }

    bool acceptWord(std::string_view word) {
        if (isWord(word)) {
            take();
            return true;
        }
        return false;
    }

    void expectSymbol(std::string_view symbol) {
        if (!acceptSymbol(symbol)) {
            throw AccessSqlError(unexpected(std::string(symbol)));
        }
    }

    void expectWord(std::string_view word) {
        if (!acceptWord(word)) {
            throw AccessSqlError(unexpected(std::string(word)));
        }
    }

    void expectEnd() const {
        if (peek().kind != Kind::End) {
            throw AccessSqlError(unexpected("the end"));
        }
    }

    std::string unexpected(const std::string& expected) const {
        return peek().kind == Kind::End
                   ? "an end where " + expected + " was expected"
                   : "'" + peek().text + "' where " + expected + " was expected";
    }

    std::vector<Token> tokens_;
    std::size_t at_ = 0;
    std::vector<std::string> qualifiers_;  // of the columns named so far, "" for none
};

}  // namespace

std::string AccessSqlTranslator::expression(std::string_view accessSql) {
    return Parser(accessSql).wholeExpression();
}

std::string AccessSqlTranslator::sortKey(std::string_view accessSql, bool descending) {
    return Parser::sortTerm(expression(accessSql), descending);
}

std::string AccessSqlTranslator::aggregateWhere(std::string_view accessSql,
                                                const std::string& condition) {
    return Parser(accessSql).wholeAggregateWhere(condition);
}

AccessSqlTranslator::Pivot AccessSqlTranslator::pivot(std::string_view accessSql) {
    return Parser(accessSql).wholePivot();
}

std::string AccessSqlTranslator::statement(std::string_view accessSql) {
    return Parser(accessSql).wholeStatement();
}

std::string AccessSqlTranslator::columnName(std::string_view accessSql) {
    return Parser(accessSql).wholeColumnName();
}

std::vector<std::string> AccessSqlTranslator::qualifiers(std::string_view accessSql) {
    return Parser(accessSql).wholeQualifiers();
}

std::string AccessSqlTranslator::name(std::string_view name) {
    return cells::SqlName::quoted(name);
}

}  // namespace kiv::db::access
