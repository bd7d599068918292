#pragma once
// Reading SOAP messages in tests: one call that feeds a message in pieces and keeps everything the
// reader gave, printable dumps to compare, and a sample answer with the awkward parts of real ones.
#include "sap/SoapReader.h"
#include "sap/SoapWriter.h"

#include <QtTest>

#include <map>
#include <set>
#include <string>
#include <vector>

using Kind = soap::SoapReader::Kind;

namespace QTest {
template <> inline char* toString(const std::string& s) { return qstrdup(s.c_str()); }
} // namespace QTest

namespace soaptest {

inline const std::set<std::string> ReadTableTables{"OPTIONS", "FIELDS", "DATA"};
inline const char* const EnvelopeStart = "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                                         "<SOAP-ENV:Body>";
inline const char* const EnvelopeEnd = "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
inline const char* const RfcDeclaration = " xmlns:urn=\"urn:sap-com:document:sap:rfc:functions\"";

// Everything a reader gave, in one value that compares and prints.
struct Outcome {
    bool ok = false;
    std::string error;
    Kind kind = Kind::Unknown;
    std::string function;
    rfc::FunctionCall call;
    rfc::FunctionResult result;
    soap::Fault fault;
};

// Feeds the message in pieces of `piece` bytes (0: at once); an answer's contents go to `result`,
// a request's to `call`.
inline Outcome readMessage(std::string_view bytes, std::size_t piece = 0,
                           const std::set<std::string>& tables = ReadTableTables, soap::ReaderLimits limits = {},
                           bool asAnswer = false)
{
    Outcome out;
    soap::SoapReader reader(limits);
    reader.setTableNames(tables);
    bool fed = true;
    if (piece == 0) piece = bytes.size() + 1;
    for (std::size_t at = 0; at < bytes.size() && fed; at += piece) fed = reader.feed(bytes.substr(at, piece));
    out.ok = fed && reader.finish();
    out.error = reader.error();
    out.kind = reader.kind();
    out.function = reader.function();
    out.fault = reader.fault();
    if (asAnswer || reader.kind() == Kind::Answer) out.result = reader.takeResult();
    else out.call = reader.takeCall();
    return out;
}

inline std::string visible(const std::string& v)
{
    std::string out;
    for (char c : v) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else out += c;
    }
    return out;
}

inline void dumpTables(std::string& out, const std::map<std::string, rfc::Table>& tables)
{
    for (const auto& [name, table] : tables) {
        // An empty table carries no component names on the wire; only rows show the layout.
        out += "table " + name + " (";
        if (!table.rows.empty())
            for (const auto& c : table.columns) out += c + ",";
        out += ") " + std::to_string(table.rows.size()) + " rows\n";
        std::size_t r = 0;
        for (const auto& row : table.rows) {
            out += "  " + std::to_string(r++) + ":";
            for (const auto& v : row) out += " [" + visible(v) + "]";
            out += "\n";
        }
    }
}

inline std::string dump(const rfc::FunctionCall& call)
{
    std::string out = "function " + call.name + "\n";
    for (const auto& [k, v] : call.parameters) out += "parameter " + k + " = [" + visible(v) + "]\n";
    dumpTables(out, call.tables);
    return out;
}

inline std::string dump(const rfc::FunctionResult& result)
{
    std::string out;
    for (const auto& [k, v] : result.parameters) out += "parameter " + k + " = [" + visible(v) + "]\n";
    for (const auto& [s, fields] : result.structures)
        for (const auto& [k, v] : fields) out += "structure " + s + "-" + k + " = [" + visible(v) + "]\n";
    dumpTables(out, result.tables);
    return out;
}

inline std::string dump(const Outcome& o)
{
    return std::to_string(o.ok) + " " + std::to_string(int(o.kind)) + " " + o.function + " " + o.error + "\n"
        + dump(o.call) + dump(o.result) + "fault " + o.fault.faultCode + "|" + o.fault.faultString + "|" + o.fault.name
        + "|" + o.fault.text + "\n";
}

// Compares the dumps line by line so a failure names the first line that differs, not a megabyte.
#define COMPARE_DUMPS(actual, expected)                                                                        \
    do {                                                                                                       \
        const QStringList a_ = QString::fromStdString(actual).split('\n');                                     \
        const QStringList e_ = QString::fromStdString(expected).split('\n');                                   \
        for (qsizetype i_ = 0; i_ < std::min(a_.size(), e_.size()); ++i_) QCOMPARE(a_[i_], e_[i_]);            \
        QCOMPARE(a_.size(), e_.size());                                                                        \
    } while (false)

inline rfc::Table table(std::vector<std::string> columns, std::vector<rfc::RowList::Row> rows, std::size_t memoryLimit = 0)
{
    rfc::Table t;
    t.columns = std::move(columns);
    if (memoryLimit) t.rows = rfc::RowList(memoryLimit);
    for (auto& r : rows) t.rows.push_back(std::move(r));
    return t;
}

inline std::string trimmed(std::string v)
{
    while (!v.empty() && v.back() == ' ') v.pop_back();
    return v;
}

// What the reader should give for an answer: the same values without their trailing blanks.
inline rfc::FunctionResult withoutTrailingBlanks(const rfc::FunctionResult& r)
{
    rfc::FunctionResult out;
    for (const auto& [k, v] : r.parameters) out.parameters[k] = trimmed(v);
    for (const auto& [s, fields] : r.structures)
        for (const auto& [k, v] : fields) out.structures[s][k] = trimmed(v);
    for (const auto& [name, t] : r.tables) {
        rfc::Table& copy = out.tables[name];
        copy.columns = t.columns;
        for (const auto& row : t.rows) {
            rfc::RowList::Row trimmedRow;
            for (const auto& v : row) trimmedRow.push_back(trimmed(v));
            copy.rows.push_back(std::move(trimmedRow));
        }
    }
    return out;
}

// An answer with the awkward parts of real ones: a namespaced name, a structure, values that are
// blank, lead with blanks, end with blanks, carry markup characters and non-ASCII text.
inline rfc::FunctionResult sampleResult(int dataRows, std::size_t memoryLimit)
{
    rfc::FunctionResult r;
    r.parameters = {{"/BIC/EXPORT", "value  "}, {"EMPTY", ""}, {"BLANKS", "   "}, {"LEADING", "  x"}};
    r.structures["RFCSI_EXPORT"] = {{"RFCSYSID", "DEM     "}, {"RFCHOST2", "São Paulo & <host>"}, {"RFCDAYST", ""}};
    r.tables["FIELDS"] = table({"FIELDNAME", "OFFSET", "LENGTH", "TYPE", "FIELDTEXT"},
                               {{"MANDT", "000000", "000003", "C", "Client"},
                                {"/BIC/ZCITY", "000004", "000025", "C", "City \"quoted\" & 'single'"},
                                {"NOTE", "000030", "000010", "C", ""}});
    r.tables["OPTIONS"] = table({"TEXT"}, {});
    std::vector<rfc::RowList::Row> rows;
    for (int i = 0; i < dataRows; ++i) {
        const std::string n = std::to_string(i);
        rows.push_back({std::string(i % 7 == 0 ? "   " : "") + n + "|São Paulo <" + n + "> & 'x'|" + std::string(i % 5, ' ')
                        + (i % 3 ? "" : "          ")});
    }
    r.tables["DATA"] = table({"WA"}, std::move(rows), memoryLimit);
    return r;
}

inline std::string whole(const rfc::FunctionResult& r) { return soap::AnswerStream::whole("RFC_READ_TABLE", r); }

} // namespace soaptest
