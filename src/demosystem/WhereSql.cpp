#include "demosystem/WhereSql.h"

#include "rfc/Utf8.h"

#include <sqlite3.h>

namespace demo {

std::string WhereSql::quote(std::string_view name)
{
    std::string q = "\"";
    for (char c : name) {
        if (c == '"') q += '"';
        q += c;
    }
    q += '"';
    return q;
}

WhereSql::WhereSql(const TableDef& table, const WhereNode& root) : table_(table)
{
    emit(root);
}

void WhereSql::emitValue(const WhereValue& value)
{
    if (value.kind == WhereValue::Kind::Column) {
        sql_ += quote(table_.fields[static_cast<std::size_t>(value.column)].name);
        return;
    }
    sql_ += '?';
    values_.push_back(value);
}

void WhereSql::emit(const WhereNode& node)
{
    const auto column = [&] { return quote(table_.fields[static_cast<std::size_t>(node.column)].name); };
    switch (node.kind) {
    case WhereNode::Kind::And:
    case WhereNode::Kind::Or: {
        sql_ += '(';
        for (std::size_t i = 0; i < node.children.size(); ++i) {
            if (i > 0) sql_ += node.kind == WhereNode::Kind::And ? " AND " : " OR ";
            emit(*node.children[i]);
        }
        sql_ += ')';
        return;
    }
    case WhereNode::Kind::Not:
        sql_ += "(NOT ";
        emit(*node.children.front());
        sql_ += ')';
        return;
    case WhereNode::Kind::Constant:
        sql_ += node.constant ? "1" : "0";
        return;
    case WhereNode::Kind::Compare:
        sql_ += '(' + column() + ' ' + node.op + ' ';
        emitValue(node.values.front());
        sql_ += ')';
        return;
    case WhereNode::Kind::Like: {
        sql_ += node.negated ? "(NOT " : "(";
        sql_ += std::string(LikeFunction) + '(' + column() + ", ";
        emitValue(node.values.front());
        sql_ += ", ";
        WhereValue escape;
        escape.text = node.escape;
        emitValue(escape);
        sql_ += "))";
        return;
    }
    case WhereNode::Kind::Between:
        sql_ += '(' + column() + (node.negated ? " NOT BETWEEN " : " BETWEEN ");
        emitValue(node.values[0]);
        sql_ += " AND ";
        emitValue(node.values[1]);
        sql_ += ')';
        return;
    case WhereNode::Kind::In:
        sql_ += '(' + column() + (node.negated ? " NOT IN (" : " IN (");
        for (std::size_t i = 0; i < node.values.size(); ++i) {
            if (i > 0) sql_ += ", ";
            emitValue(node.values[i]);
        }
        sql_ += "))";
        return;
    case WhereNode::Kind::IsNull:
        sql_ += '(' + column() + (node.negated ? " IS NOT NULL)" : " IS NULL)");
        return;
    }
}

int WhereSql::bind(sqlite3_stmt* stmt, int first) const
{
    int index = first;
    for (const auto& v : values_) {
        switch (v.kind) {
        case WhereValue::Kind::Integer:
            sqlite3_bind_int64(stmt, index, v.integer);
            break;
        case WhereValue::Kind::Real:
            sqlite3_bind_double(stmt, index, v.real);
            break;
        case WhereValue::Kind::Blob:
            sqlite3_bind_blob(stmt, index, v.text.data(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
            break;
        case WhereValue::Kind::Text:
        case WhereValue::Kind::Column:
            sqlite3_bind_text(stmt, index, v.text.data(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
            break;
        }
        ++index;
    }
    return index;
}

bool WhereSql::likeMatches(std::string_view value, std::string_view pattern, std::string_view escape)
{
    // Pattern elements: a literal code point, '_' (any one) or '%' (any run), decoded up front.
    enum : char32_t { AnyOne = 0x110000, AnyRun = 0x110001 };
    std::vector<char32_t> p;
    for (std::size_t pos = 0; pos < pattern.size();) {
        if (!escape.empty() && pattern.compare(pos, escape.size(), escape) == 0) {
            pos += escape.size();
            if (pos < pattern.size()) p.push_back(rfc::utf8::next(pattern, pos));
            continue;
        }
        const char32_t c = rfc::utf8::next(pattern, pos);
        p.push_back(c == U'%' ? char32_t(AnyRun) : c == U'_' ? char32_t(AnyOne) : c);
    }
    std::vector<char32_t> v;
    for (std::size_t pos = 0; pos < value.size();) v.push_back(rfc::utf8::next(value, pos));

    // Greedy matching with one backtrack point: linear for patterns without many '%'.
    std::size_t vi = 0, pi = 0, starP = std::string::npos, starV = 0;
    while (vi < v.size()) {
        if (pi < p.size() && (p[pi] == AnyOne || p[pi] == v[vi])) {
            ++vi;
            ++pi;
        } else if (pi < p.size() && p[pi] == AnyRun) {
            starP = pi++;
            starV = vi;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            vi = ++starV;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == AnyRun) ++pi;
    return pi == p.size();
}

namespace {

void likeFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (argc != 3 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto text = [](sqlite3_value* v) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
        return std::string_view(t ? t : "", t ? static_cast<std::size_t>(sqlite3_value_bytes(v)) : 0);
    };
    const std::string_view value = rfc::utf8::trimRight(text(argv[0]));
    sqlite3_result_int(context, WhereSql::likeMatches(value, text(argv[1]), text(argv[2])) ? 1 : 0);
}

} // namespace

bool WhereSql::registerFunctions(sqlite3* db)
{
    return sqlite3_create_function_v2(db, LikeFunction, 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY,
                                      nullptr, likeFunction, nullptr, nullptr, nullptr)
        == SQLITE_OK;
}

} // namespace demo
