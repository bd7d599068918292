#pragma once
// The query the extraction benchmarks time: BSEG's fields after the client, as many as still cut
// into exactly five calls, read from the demo system's own catalogue.
#include "demosystem/DemoSystem.h"
#include "tableaccess/CallGroups.h"

#include <cstdio>
#include <cstdlib>
#include <string>

inline qvor::MyTableBuffer fiveGroupsOfBseg(demo::DemoSystem& system)
{
    rfc::FunctionCall call;
    call.name = "RFC_READ_TABLE";
    call.parameters = {{"QUERY_TABLE", "BSEG"}, {"NO_DATA", "X"}, {"DELIMITER", ";"}};
    call.tables["FIELDS"].columns = {"FIELDNAME", "OFFSET", "LENGTH", "TYPE", "FIELDTEXT"};
    call.tables["OPTIONS"].columns = {"TEXT"};
    call.tables["DATA"].columns = {"WA"};
    const auto result = system.call({"001", "DEMO", "EN"}, call);
    if (!result.ok()) {
        std::fprintf(stderr, "field catalogue: %s\n", result.exception.c_str());
        std::exit(1);
    }
    const auto& fields = result.tables.at("FIELDS");
    qvor::MyTableBuffer best;
    qvor::MyTableBuffer buffer;
    for (std::size_t i = 1; i < fields.rows.size(); ++i) {
        const QString name = QString::fromStdString(fields.value(i, "FIELDNAME"));
        buffer.fields.push_back({"BSEG-" + name, QString::fromStdString(fields.value(i, "FIELDTEXT")),
                                 QString::fromStdString(fields.value(i, "TYPE")),
                                 static_cast<int16_t>(std::stoi(fields.value(i, "LENGTH")))});
        qvor::CallGroups groups;
        if (!groups.build(buffer, {}, nullptr) || groups.count() > 5) break;
        if (groups.count() == 5) best = buffer;
    }
    return best;
}
