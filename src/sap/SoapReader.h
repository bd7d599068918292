#pragma once
// Reading a SOAP message of SAP's RFC service as its bytes arrive: a request (server side), an
// answer or a fault (client side). Plain C++ over expat, shared by the SOAP transport and
// qvor-demo-server.
//
// The body's element decides what the message is: "<function>" a request, "<function>.Response"
// (or, from some cloud systems, the bare name again) an answer, "Fault" a fault. Below it, an
// element holding <item> rows is a table, one holding other elements a structure, one holding
// text a scalar; an empty element is an empty table when its name was given as a table name.
//
// Hostile input is refused, not survived by luck: any DOCTYPE (so no entity expansion and no
// external entities), a value or a whole message above its ceiling, nesting deeper than SAP's
// messages go, and anything that is not well-formed XML.
#include "rfc/RfcData.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace soap {

// Every part of a message is bounded, so a hostile peer cannot make the reader hold more than a
// few tens of megabytes: the rows of the bulk table (DATA) may be many because they go to disk
// beyond a few megabytes, everything else is counted.
struct ReaderLimits {
    std::size_t maxValueBytes = 1u << 20;             // one value (SAP's widest line is 512 characters)
    std::uint64_t maxMessageBytes = 8ull << 30;       // one whole message
    std::size_t maxColumns = 1024;                    // components of one table row or one structure
    std::size_t maxRowBytes = 4u << 20;               // the values of one table row together
    std::size_t maxTables = 64;                       // table parameters
    std::size_t maxParameters = 1024;                 // scalar and structure parameters
    std::size_t maxRows = 100000;                     // rows of any table but the bulk table
    std::size_t maxHeldBytes = 64u << 20;             // everything kept outside the bulk table
    std::string bulkTable = "DATA";
};

struct Fault {
    std::string faultCode;
    std::string faultString;
    std::string name;   // the exception name from the detail, when the fault has one
    std::string text;   // the detail's text or message, when it has one

    // SAP's exception name for the caller: the detail's name, else a faultstring that is a
    // single name; anything else is a SYSTEM_FAILURE whose text is the faultstring.
    std::string exception() const;
};

class SoapReader {
public:
    explicit SoapReader(ReaderLimits limits = {});
    ~SoapReader();
    SoapReader(const SoapReader&) = delete;
    SoapReader& operator=(const SoapReader&) = delete;

    // Names of parameters that are tables even when they arrive empty (<DATA/>).
    void setTableNames(std::set<std::string> names);

    // Seen while reading: each table row once it is complete (it may still be changed, e.g. padded)
    // and each table once its last row was read.
    using RowHook = std::function<void(const std::string& table, const std::vector<std::string>& columns,
                                       rfc::RowList::Row& row)>;
    using TableHook = std::function<void(const std::string& table, const rfc::Table& rows)>;
    void setRowHook(RowHook hook);
    void setTableHook(TableHook hook);

    // Feeds the next bytes; false once the message is found faulty (error() says why). Feeding
    // after an error does nothing.
    bool feed(std::string_view bytes);
    // The message is complete: false when it ended early or is not an RFC message at all.
    bool finish();
    const std::string& error() const;

    enum class Kind { Unknown, Request, Answer, Fault };
    Kind kind() const;
    // The function's SAP name ("/" restored, ".Response" removed); empty for a fault.
    const std::string& function() const;

    // What was read: for a request, the call's parameters and tables; for an answer, the export
    // parameters, structures and tables; for a fault, its parts.
    rfc::FunctionCall takeCall();
    rfc::FunctionResult takeResult();
    const Fault& fault() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace soap
