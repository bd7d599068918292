// Reading a SOAP message from an untrusted server must never crash, hang or run out of memory,
// whatever the bytes and however they are cut: the input is fed in two parts split where its
// first byte says, and what the reader gives must hang together.
//   QVOR_SOAP_SEEDS=build-fuzz/corpus-soap build-fuzz/soap_reader_fuzz -runs=0    (writes the seeds)
//   build-fuzz/soap_reader_fuzz -max_total_time=600 -rss_limit_mb=2048 -dict=tests/fuzz/soap_reader.dict \
//       build-fuzz/corpus-soap
#include "sap/SoapReader.h"
#include "sap/SoapWriter.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace {

void writeSeed(const std::filesystem::path& folder, const std::string& name, const std::string& bytes)
{
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

rfc::Table table(std::vector<std::string> columns, std::vector<rfc::RowList::Row> rows)
{
    rfc::Table t;
    t.columns = std::move(columns);
    for (auto& r : rows) t.rows.push_back(std::move(r));
    return t;
}

// The project's sample messages and a few written by our own writer: requests, answers with
// every kind of part, faults.
void writeSeeds(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    for (const auto& entry : std::filesystem::directory_iterator(QVOR_SOURCE_DIR "/tests/data/soap")) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        writeSeed(folder, entry.path().filename().string(), text);
    }

    rfc::FunctionCall call;
    call.name = "/BIC/RFC_READ_TABLE";
    call.parameters = {{"QUERY_TABLE", "KNA1"}, {"DELIMITER", ";"}, {"ROWCOUNT", "5"}, {"NO_DATA", ""}};
    call.tables["OPTIONS"] = table({"TEXT"}, {{"ORT01 = 'São Paulo' AND NAME1 LIKE '%&<>%'"}});
    call.tables["FIELDS"] = table({"FIELDNAME"}, {{"KUNNR"}, {"NAME1"}});
    call.tables["DATA"] = table({"WA"}, {});
    writeSeed(folder, "gen_request", soap::requestMessage(call));

    rfc::FunctionResult result;
    result.parameters = {{"ECHOTEXT", "a\r\nb\tc"}, {"EMPTY", ""}};
    result.structures["RFCSI_EXPORT"] = {{"RFCSYSID", "DEM"}, {"RFCHOST2", "host & <name>"}};
    result.tables["FIELDS"] = table({"FIELDNAME", "OFFSET", "LENGTH", "TYPE", "FIELDTEXT"},
                                    {{"KUNNR", "000000", "000010", "C", "Customer"}, {"NAME1", "000011", "000035", "C", ""}});
    result.tables["DATA"] = table({"WA"}, {{"0000000001;Müller   "}, {""}, {"0000000002;O'Neil & \"Sons\""}});
    result.tables["OPTIONS"] = table({"TEXT"}, {});
    writeSeed(folder, "gen_answer", soap::AnswerStream::whole("RFC_READ_TABLE", result));
    writeSeed(folder, "gen_answer_system_info", soap::AnswerStream::whole("RFC_SYSTEM_INFO", result));
    writeSeed(folder, "gen_fault", soap::faultMessage("RFC_READ_TABLE", "TABLE_NOT_AVAILABLE", "No table <X> & more"));
    writeSeed(folder, "gen_fault_client", soap::faultMessage("", "", "The request could not be read"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (const char* folder = std::getenv("QVOR_SOAP_SEEDS")) writeSeeds(folder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = size ? std::size_t(data[0]) % (size + 1) : 0;

    soap::ReaderLimits limits;
    limits.maxValueBytes = 4096;        // small ceilings so the fuzzer reaches them
    limits.maxMessageBytes = 1 << 20;
    limits.maxColumns = 64;
    soap::SoapReader reader(limits);
    reader.setTableNames({"OPTIONS", "FIELDS", "DATA"});
    const bool fed = reader.feed(bytes.substr(0, cut)) && reader.feed(bytes.substr(cut));
    const bool ok = fed && reader.finish();
    if (!ok && reader.error().empty()) std::abort();   // every refusal says why

    const soap::SoapReader::Kind kind = reader.kind();
    const soap::Fault fault = reader.fault();
    (void)fault.exception();
    if (ok && kind == soap::SoapReader::Kind::Unknown) std::abort();

    const rfc::FunctionResult result = reader.takeResult();
    for (const auto& [name, table] : result.tables) {
        if (table.columns.size() > limits.maxColumns) std::abort();
        for (const auto& row : table.rows) {
            if (row.size() > table.columns.size()) std::abort();
            for (const auto& value : row)
                if (value.size() > limits.maxValueBytes) std::abort();
        }
    }
    for (const auto& [name, value] : result.parameters)
        if (value.size() > limits.maxValueBytes) std::abort();
    return 0;
}
