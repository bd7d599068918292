#include "demosystem/WhereParser.h"

#include "rfc/Utf8.h"

#include <cctype>
#include <cmath>
#include <optional>
#include <stdexcept>

namespace demo {

namespace {

struct WhereError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Token {
    enum class Kind { Word, Literal, LParen, RParen, Comma, End };
    Kind kind = Kind::End;
    std::string text;   // Word: as written; Literal: the content with '' resolved
};

std::string upper(std::string_view s)
{
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

// Splits the joined rows into tokens. Row ends matter only for '"' comments.
std::vector<Token> tokenize(const std::vector<std::string>& rows)
{
    std::string text;
    std::vector<std::size_t> rowEnds;
    for (const auto& row : rows) {
        if (!row.empty() && row[0] == '*') continue;
        const std::size_t chars = rfc::utf8::length(row);
        if (chars > WhereParser::RowWidth)
            throw WhereError("Condition line longer than 72 characters: " + row);
        text += row;
        text.append(WhereParser::RowWidth - chars, ' ');
        rowEnds.push_back(text.size());
    }
    auto rowEndAfter = [&](std::size_t pos) {
        for (std::size_t end : rowEnds)
            if (end > pos) return end;
        return text.size();
    };

    std::vector<Token> tokens;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == ' ' || c == '\t') { ++pos; continue; }
        if (c == '"') { pos = rowEndAfter(pos); continue; }
        if (c == '(') { tokens.push_back({Token::Kind::LParen, "("}); ++pos; continue; }
        if (c == ')') { tokens.push_back({Token::Kind::RParen, ")"}); ++pos; continue; }
        if (c == ',') { tokens.push_back({Token::Kind::Comma, ","}); ++pos; continue; }
        if (c == '\'') {
            std::string content;
            ++pos;
            bool closed = false;
            while (pos < text.size()) {
                if (text[pos] == '\'') {
                    if (pos + 1 < text.size() && text[pos + 1] == '\'') {
                        content += '\'';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    closed = true;
                    break;
                }
                content += text[pos++];
            }
            if (!closed) throw WhereError("Literal is not closed with a quote");
            if (rfc::utf8::length(content) > WhereParser::MaxLiteral)
                throw WhereError("Literal longer than 255 characters");
            tokens.push_back({Token::Kind::Literal, std::move(content)});
            continue;
        }
        const std::size_t start = pos;
        while (pos < text.size()) {
            const char w = text[pos];
            if (w == ' ' || w == '\t' || w == '(' || w == ')' || w == ',' || w == '\'' || w == '"') break;
            ++pos;
        }
        tokens.push_back({Token::Kind::Word, text.substr(start, pos - start)});
    }
    tokens.push_back({Token::Kind::End, ""});
    return tokens;
}

bool parseNumber(std::string_view s, bool& isInteger, std::int64_t& integer, double& real, std::string& digitsOut)
{
    std::string_view t = s;
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    t = rfc::utf8::trimRight(t);
    bool negative = false;
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    } else if (!t.empty() && t.back() == '-') {   // ABAP's trailing sign
        negative = true;
        t.remove_suffix(1);
    }
    if (t.empty()) return false;
    std::string digits;
    bool point = false;
    int afterPoint = 0;
    for (char c : t) {
        if (c == '.') {
            if (point) return false;
            point = true;
        } else if (c >= '0' && c <= '9') {
            digits += c;
            if (point) ++afterPoint;
        } else {
            return false;
        }
    }
    if (digits.empty()) return false;
    digitsOut = std::string(t);
    real = std::stod(std::string(t));
    if (negative) real = -real;
    isInteger = !point || afterPoint == 0;
    if (isInteger) {
        if (digits.size() > 18) {
            isInteger = false;
        } else {
            integer = std::stoll(digits);
            if (negative) integer = -integer;
        }
    }
    return true;
}

// A decimal text (no sign) in units of 10^-decimals, when that is exact and fits: doubles would
// turn 0.29 into 28.999... hundredths, which equals no stored amount.
std::optional<std::int64_t> exactUnits(std::string_view digits, bool negative, int decimals)
{
    const std::size_t point = digits.find('.');
    std::string units(digits.substr(0, point));
    std::string_view fraction = point == std::string_view::npos ? std::string_view() : digits.substr(point + 1);
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    if (fraction.size() > static_cast<std::size_t>(decimals)) return std::nullopt;
    units += fraction;
    units.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
    const std::size_t first = units.find_first_not_of('0');
    if (first == std::string::npos) return 0;
    if (units.size() - first > 18) return std::nullopt;
    const std::int64_t value = std::stoll(units.substr(first));
    return negative ? -value : value;
}

class Parser {
public:
    Parser(const TableDef& table, std::vector<Token> tokens) : table_(table), tokens_(std::move(tokens)) {}

    std::unique_ptr<WhereNode> parseAll()
    {
        if (peek().kind == Token::Kind::End) return nullptr;
        auto root = parseOr(0);
        if (peek().kind != Token::Kind::End) throw WhereError("Unexpected \"" + peek().text + "\" in condition");
        return root;
    }

private:
    const Token& peek() const { return tokens_[index_]; }
    const Token& take() { return tokens_[index_ < tokens_.size() - 1 ? index_++ : index_]; }
    bool peekWord(std::string_view word) const
    {
        return peek().kind == Token::Kind::Word && upper(peek().text) == word;
    }
    void expectWord(std::string_view word)
    {
        if (!peekWord(word)) throw WhereError("Expected " + std::string(word) + " instead of \"" + peek().text + "\"");
        take();
    }

    std::unique_ptr<WhereNode> parseOr(int depth)
    {
        auto first = parseAnd(depth);
        if (!peekWord("OR")) return first;
        auto node = std::make_unique<WhereNode>();
        node->kind = WhereNode::Kind::Or;
        node->children.push_back(std::move(first));
        while (peekWord("OR")) {
            take();
            node->children.push_back(parseAnd(depth));
        }
        return node;
    }

    std::unique_ptr<WhereNode> parseAnd(int depth)
    {
        auto first = parseNot(depth);
        if (!peekWord("AND")) return first;
        auto node = std::make_unique<WhereNode>();
        node->kind = WhereNode::Kind::And;
        node->children.push_back(std::move(first));
        while (peekWord("AND")) {
            take();
            node->children.push_back(parseNot(depth));
        }
        return node;
    }

    std::unique_ptr<WhereNode> parseNot(int depth)
    {
        if (!peekWord("NOT")) return parsePrimary(depth);
        take();
        if (peekWord("NOT")) throw WhereError("NOT NOT is not allowed without parentheses");
        auto node = std::make_unique<WhereNode>();
        node->kind = WhereNode::Kind::Not;
        node->children.push_back(parsePrimary(depth));
        return node;
    }

    std::unique_ptr<WhereNode> parsePrimary(int depth)
    {
        if (peek().kind == Token::Kind::LParen) {
            if (depth + 1 > WhereParser::MaxDepth) throw WhereError("Condition nested too deeply");
            take();
            auto inner = parseOr(depth + 1);
            if (peek().kind != Token::Kind::RParen) throw WhereError("Closing parenthesis missing");
            take();
            return inner;
        }
        return parsePredicate();
    }

    int resolveColumn(const std::string& word) const
    {
        std::string name = upper(word);
        const std::size_t tilde = name.find('~');
        if (tilde != std::string::npos) {
            if (name.substr(0, tilde) != table_.name) throw WhereError("Unknown table in \"" + word + "\"");
            name = name.substr(tilde + 1);
        }
        const int index = table_.fieldIndex(name);
        if (index < 0) throw WhereError("Unknown column name \"" + word + "\"");
        return index;
    }

    std::unique_ptr<WhereNode> parsePredicate()
    {
        if (peek().kind != Token::Kind::Word) throw WhereError("Column name expected instead of \"" + peek().text + "\"");
        auto node = std::make_unique<WhereNode>();
        node->column = resolveColumn(take().text);
        const FieldDef& field = table_.fields[static_cast<std::size_t>(node->column)];

        if (peek().kind != Token::Kind::Word) throw WhereError("Operator expected after " + field.name);
        const std::string word = upper(take().text);
        static const std::pair<const char*, const char*> operators[] = {
            {"=", "="}, {"EQ", "="}, {"<>", "<>"}, {"NE", "<>"}, {"><", "<>"}, {"<", "<"}, {"LT", "<"},
            {">", ">"}, {"GT", ">"}, {"<=", "<="}, {"LE", "<="}, {"=<", "<="}, {">=", ">="}, {"GE", ">="},
            {"=>", ">="}};
        for (const auto& [spelling, op] : operators) {
            if (word == spelling) {
                node->kind = WhereNode::Kind::Compare;
                node->op = op;
                node->values.push_back(parseValue(field));
                return node;
            }
        }
        if (word == "IS") {
            node->kind = WhereNode::Kind::IsNull;
            if (peekWord("NOT")) {
                take();
                node->negated = true;
            }
            expectWord("NULL");
            return node;
        }
        std::string keyword = word;
        if (keyword == "NOT") {
            node->negated = true;
            if (peek().kind != Token::Kind::Word) throw WhereError("LIKE, BETWEEN or IN expected after NOT");
            keyword = upper(take().text);
        }
        if (keyword == "LIKE") return parseLike(std::move(node), field);
        if (keyword == "BETWEEN") {
            node->kind = WhereNode::Kind::Between;
            node->values.push_back(parseValue(field));
            expectWord("AND");
            node->values.push_back(parseValue(field));
            return node;
        }
        if (keyword == "IN") {
            node->kind = WhereNode::Kind::In;
            if (peek().kind != Token::Kind::LParen) throw WhereError("( expected after IN");
            take();
            for (;;) {
                node->values.push_back(parseValue(field));
                if (peek().kind == Token::Kind::Comma) {
                    take();
                    continue;
                }
                if (peek().kind == Token::Kind::RParen) {
                    take();
                    break;
                }
                throw WhereError("Comma or ) expected in IN list");
            }
            return node;
        }
        throw WhereError("Unknown operator \"" + keyword + "\"");
    }

    std::unique_ptr<WhereNode> parseLike(std::unique_ptr<WhereNode> node, const FieldDef& field)
    {
        if (!field.isCharacterLike()) throw WhereError("LIKE is only allowed for character-like columns: " + field.name);
        if (peek().kind != Token::Kind::Literal) throw WhereError("Pattern literal expected after LIKE");
        const std::string pattern(rfc::utf8::trimRight(take().text));
        std::string escape;
        if (peekWord("ESCAPE")) {
            take();
            if (peek().kind != Token::Kind::Literal) throw WhereError("Literal expected after ESCAPE");
            escape = take().text;
            if (rfc::utf8::length(escape) != 1) throw WhereError("ESCAPE needs exactly one character");
        }
        bool onlyPercent = !pattern.empty();
        for (std::size_t pos = 0; pos < pattern.size();) {
            const std::size_t start = pos;
            rfc::utf8::next(pattern, pos);
            const std::string_view ch(pattern.data() + start, pos - start);
            if (!escape.empty() && ch == escape) {
                onlyPercent = false;
                if (pos >= pattern.size()) throw WhereError("Escape character at the end of the pattern");
                const char following = pattern[pos];
                const bool escapesItself = pattern.compare(pos, escape.size(), escape) == 0;
                if (following != '%' && following != '_' && !escapesItself)
                    throw WhereError("Escape character may only precede %, _ or itself");
                pos += escapesItself ? escape.size() : 1;
            } else if (ch != "%") {
                onlyPercent = false;
            }
        }
        if (onlyPercent) {
            node->kind = WhereNode::Kind::Constant;
            node->constant = !node->negated;
            return node;
        }
        node->kind = WhereNode::Kind::Like;
        WhereValue v;
        v.text = pattern;
        node->values.push_back(std::move(v));
        node->escape = escape;
        return node;
    }

    WhereValue parseValue(const FieldDef& field)
    {
        const Token token = take();
        WhereValue v;
        if (token.kind == Token::Kind::Word && token.text.find('~') != std::string::npos) {
            v.kind = WhereValue::Kind::Column;
            v.column = resolveColumn(token.text);
            return v;
        }
        const bool quoted = token.kind == Token::Kind::Literal;
        if (!quoted) {
            if (token.kind != Token::Kind::Word) throw WhereError("Value expected instead of \"" + token.text + "\"");
            const char first = token.text.empty() ? ' ' : token.text[0];
            const bool looksNumeric = (first >= '0' && first <= '9') || first == '-' || first == '+';
            if (!looksNumeric) throw WhereError("Value expected instead of \"" + token.text + "\"");
            if (!field.isNumeric() && field.type != 'N')
                throw WhereError("Numbers must be quoted for character column " + field.name);
        }
        switch (field.type) {
        case 'P':
        case 'I':
        case 's':
        case 'F': {
            bool isInteger = false;
            std::int64_t integer = 0;
            double real = 0;
            std::string digits;
            if (!parseNumber(token.text, isInteger, integer, real, digits))
                throw WhereError("\"" + token.text + "\" is not a number for column " + field.name);
            if (field.type == 'F') {
                v.kind = WhereValue::Kind::Real;
                v.real = real;
            } else if (field.type == 'P') {
                const double scaled = real * std::pow(10.0, field.decimals);
                if (const auto units = exactUnits(digits, std::signbit(real), field.decimals)) {
                    v.kind = WhereValue::Kind::Integer;
                    v.integer = *units;
                } else if (std::fabs(scaled) < 9e17 && scaled == std::nearbyint(scaled)) {
                    v.kind = WhereValue::Kind::Integer;
                    v.integer = static_cast<std::int64_t>(std::llround(scaled));
                } else {
                    v.kind = WhereValue::Kind::Real;
                    v.real = scaled;
                }
            } else if (isInteger) {
                v.kind = WhereValue::Kind::Integer;
                v.integer = integer;
            } else {
                v.kind = WhereValue::Kind::Real;
                v.real = real;
            }
            return v;
        }
        case 'X': {
            const std::string_view hex = rfc::utf8::trimRight(token.text);
            if (hex.size() % 2 != 0 || hex.size() > static_cast<std::size_t>(field.length) * 2)
                throw WhereError("\"" + token.text + "\" is not a hexadecimal value for column " + field.name);
            v.kind = WhereValue::Kind::Blob;
            for (std::size_t i = 0; i < hex.size(); i += 2) {
                int byte = 0;
                for (std::size_t k = 0; k < 2; ++k) {
                    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(hex[i + k])));
                    int nibble = -1;
                    if (c >= '0' && c <= '9') nibble = c - '0';
                    else if (c >= 'A' && c <= 'F') nibble = c - 'A' + 10;
                    if (nibble < 0)
                        throw WhereError("\"" + token.text + "\" is not a hexadecimal value for column " + field.name);
                    byte = byte * 16 + nibble;
                }
                v.text += static_cast<char>(byte);
            }
            v.text.append(static_cast<std::size_t>(field.length) - v.text.size(), '\0');
            return v;
        }
        case 'N':
            if (!quoted) {
                for (char c : token.text)
                    if (c < '0' || c > '9') throw WhereError("\"" + token.text + "\" is not a number for column " + field.name);
                if (token.text.size() > static_cast<std::size_t>(field.length))
                    throw WhereError("Value too long for column " + field.name);
                v.text = std::string(static_cast<std::size_t>(field.length) - token.text.size(), '0') + token.text;
                return v;
            }
            break;
        default:
            break;
        }
        const std::string_view text = rfc::utf8::trimRight(token.text);
        if (rfc::utf8::length(text) > static_cast<std::size_t>(field.length))
            throw WhereError("Data was lost while copying a value: '" + token.text + "' is longer than column " + field.name);
        v.text = std::string(text);
        return v;
    }

    const TableDef& table_;
    std::vector<Token> tokens_;
    std::size_t index_ = 0;
};

} // namespace

WhereParser::Result WhereParser::parse(const std::vector<std::string>& rows) const
{
    Result result;
    try {
        Parser parser(table_, tokenize(rows));
        result.root = parser.parseAll();
    } catch (const WhereError& e) {
        result.root.reset();
        result.error = e.what();
    } catch (const std::exception& e) {
        result.root.reset();
        result.error = std::string("Condition not valid: ") + e.what();
    }
    return result;
}

} // namespace demo
