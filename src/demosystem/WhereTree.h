#pragma once
// The parsed form of an OPTIONS condition: a tree over the columns of one table, with the
// literals already converted to the column's stored form.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace demo {

struct WhereValue {
    enum class Kind { Text, Integer, Real, Blob, Column };
    Kind kind = Kind::Text;
    std::string text;          // Text and Blob (raw bytes)
    std::int64_t integer = 0;
    double real = 0;
    int column = -1;           // Column: index into the table's fields
};

struct WhereNode {
    enum class Kind { And, Or, Not, Compare, Like, Between, In, IsNull, Constant };
    Kind kind = Kind::Constant;
    std::vector<std::unique_ptr<WhereNode>> children;   // And, Or, Not
    int column = -1;                                    // predicates: index into the table's fields
    std::string op;                                     // Compare: = <> < > <= >=
    bool negated = false;                               // NOT LIKE, NOT BETWEEN, NOT IN, IS NOT NULL
    std::vector<WhereValue> values;                     // Compare 1, Between 2, In n, Like: the pattern
    std::string escape;                                 // Like: the escape character, or empty
    bool constant = true;                               // Constant: LIKE '%' and friends
};

} // namespace demo
