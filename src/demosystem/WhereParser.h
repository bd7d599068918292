#pragma once
// Parser of the Open SQL dynamic WHERE condition that RFC_READ_TABLE receives in OPTIONS.
// Rows are 72-character pieces placed one after another; comment rows start with '*', and a
// '"' outside a literal comments out the rest of its row. Anything the grammar does not accept
// is reported as an error text, never thrown out of parse().
#include "demosystem/Dictionary.h"
#include "demosystem/WhereTree.h"

#include <memory>
#include <string>
#include <vector>

namespace demo {

class WhereParser {
public:
    static constexpr std::size_t RowWidth = 72;
    static constexpr int MaxDepth = 200;          // nested parentheses
    static constexpr std::size_t MaxLiteral = 255;

    explicit WhereParser(const TableDef& table) : table_(table) {}

    struct Result {
        std::unique_ptr<WhereNode> root;   // null: no condition (all rows)
        std::string error;                 // non-empty: the condition is not valid
        bool ok() const { return error.empty(); }
    };
    Result parse(const std::vector<std::string>& rows) const;

private:
    const TableDef& table_;
};

} // namespace demo
