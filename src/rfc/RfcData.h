#pragma once
// The values of one remote function call, as both sides of every transport see them: scalar
// parameters, structures and tables of character values. Plain C++ so that the demo system,
// the SOAP codec and the command-line tools share it. Texts are UTF-8; lengths inside SAP
// values count characters, not bytes.
#include "rfc/RowList.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace rfc {

struct Table {
    std::vector<std::string> columns;              // component names, in layout order
    RowList rows;                                  // one value per column

    int columnIndex(std::string_view name) const
    {
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columns[i] == name) return static_cast<int>(i);
        return -1;
    }
    // Appends an empty row and gives its index.
    std::size_t appendRow()
    {
        rows.emplace_back(columns.size());
        return rows.size() - 1;
    }
    const std::string& value(std::size_t row, std::string_view column) const
    {
        static const std::string empty;
        const int c = columnIndex(column);
        return c < 0 ? empty : rows[row][static_cast<std::size_t>(c)];
    }
};

using Structure = std::map<std::string, std::string>;

struct FunctionCall {
    std::string name;                               // e.g. "RFC_READ_TABLE"
    std::map<std::string, std::string> parameters;  // import parameters set by the caller
    std::map<std::string, Table> tables;            // every table of the call, input rows included
};

struct FunctionResult {
    std::string exception;                          // empty on success, else SAP's exception name
    std::string message;                            // optional detail (runtime error text)
    std::map<std::string, std::string> parameters;  // export parameters
    std::map<std::string, Structure> structures;    // export structures (RFCSI_EXPORT)
    std::map<std::string, Table> tables;            // the tables of the call as SAP returns them
    bool ok() const { return exception.empty(); }
};

} // namespace rfc
