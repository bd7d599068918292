#pragma once
// Small helpers for the demo-system tests: build an RFC_READ_TABLE call and read its answer.
#include "demosystem/DemoSystem.h"

#include <QtTest>

#include <string>
#include <vector>

namespace demotest {

struct Read {
    std::string table;
    std::vector<std::string> fields;
    std::vector<std::string> options;
    std::string delimiter;
    std::string noData;
    std::string rowCount;
    std::string rowSkips;
};

inline rfc::FunctionCall readCall(const Read& r)
{
    rfc::FunctionCall call;
    call.name = "RFC_READ_TABLE";
    call.parameters["QUERY_TABLE"] = r.table;
    if (!r.delimiter.empty()) call.parameters["DELIMITER"] = r.delimiter;
    if (!r.noData.empty()) call.parameters["NO_DATA"] = r.noData;
    if (!r.rowCount.empty()) call.parameters["ROWCOUNT"] = r.rowCount;
    if (!r.rowSkips.empty()) call.parameters["ROWSKIPS"] = r.rowSkips;
    auto& fields = call.tables["FIELDS"];
    fields.columns = {"FIELDNAME", "OFFSET", "LENGTH", "TYPE", "FIELDTEXT"};
    for (const auto& f : r.fields) fields.rows.push_back({f, "", "", "", ""});
    auto& options = call.tables["OPTIONS"];
    options.columns = {"TEXT"};
    for (const auto& o : r.options) options.rows.push_back({o});
    call.tables["DATA"].columns = {"WA"};
    return call;
}

inline demo::Session session(const std::string& user = "DEMO", const std::string& language = "EN")
{
    return demo::Session{"001", user, language};
}

inline std::unique_ptr<demo::DemoSystem> openMemory()
{
    std::string error;
    auto system = demo::DemoSystem::open(demo::Options{}, &error);
    if (!system) qFatal("demo system: %s", error.c_str());
    return system;
}

// The data lines with trailing blanks removed, joined by ",".
inline QString lines(const rfc::FunctionResult& result)
{
    if (!result.ok()) return QString::fromStdString("ERROR:" + result.exception);
    QStringList out;
    const auto it = result.tables.find("DATA");
    if (it == result.tables.end()) return {};
    for (const auto& row : it->second.rows) {
        QString line = QString::fromStdString(row.at(0));
        while (line.endsWith(' ')) line.chop(1);
        out << line;
    }
    return out.join(',');
}

} // namespace demotest
