// qvor-extract over SOAP: five RFC_READ_TABLE calls to a loopback HTTP server that answers every
// call with one saved answer of 200,000 rows of about 500 characters (serving it from a file
// costs the server next to nothing), beside the floor: curl fetching the same answer five times
// into /dev/null plus dd writing a file of the output's size. Prints medians, their ratio and the
// peak memory of qvor-extract; with --million also the peak memory at 1,000,000 rows.
//   bench_soap_extract <folder> [runs] [--million] [--serve]
// The answers are generated into <folder> on the first run. qvor-extract is looked for beside this
// program's build folder (../qvor-extract). --serve only starts the server (for trying qvor-extract by hand).
#include "BenchFigures.h"
#include "ChildRun.h"
#include "rfc/RfcData.h"
#include "sap/SoapReader.h"
#include "sap/SoapWriter.h"
#include "tableaccess/CallGroups.h"
#include "tableaccess/QTableFile.h"

#include <microhttpd.h>

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The layout every answer claims: ten character fields, 491 characters plus nine delimiters.
struct Field {
    const char* name;
    int length;
};
constexpr std::array<Field, 10> Layout{{{"DOCNR", 10}, {"NAME1", 35}, {"STREET", 40}, {"CITY", 60}, {"NOTE", 80},
                                        {"AMOUNT", 18}, {"REFERENCE", 24}, {"TEXT1", 100}, {"TEXT2", 64},
                                        {"TEXT3", 60}}};
constexpr int Groups = 5;
const char* const Delimiter = ";";

std::string padded(std::string value, int length)
{
    // Lengths count characters; the values below hold at most one two-byte character.
    const int chars = static_cast<int>(value.size()) - (value.find("ã") != std::string::npos ? 1 : 0);
    if (chars < length) value.append(static_cast<std::size_t>(length - chars), ' ');
    return value;
}

// A data line as RFC_READ_TABLE builds it: every value padded to its field's length, so most lines
// end in blanks that the answer drops and the client puts back.
std::string dataLine(std::size_t row)
{
    static const char* const cities[] = {"São Paulo", "Lisboa", "Walldorf", "Porto Alegre", "Rio de Janeiro"};
    const std::string n = std::to_string(row);
    const std::string values[Layout.size()] = {
        std::string(10 - std::min<std::size_t>(10, n.size()), '0') + n,
        "Customer " + n,
        "Rua " + std::to_string(row % 997) + " & Travessa <" + std::to_string(row % 13) + ">",
        cities[row % 5],
        std::string(row % 80, 'n'),
        std::to_string(row % 100000) + "." + std::to_string(row % 100),
        "REF-" + n,
        std::string(40 + row % 60, 'x'),
        std::string(row % 64, 'y'),
        row % 3 ? std::string() : std::string(row % 60, 'z'),
    };
    std::string line;
    line.reserve(512);
    for (std::size_t f = 0; f < Layout.size(); ++f) {
        if (f) line += Delimiter;
        line += padded(values[f], Layout[f].length);
    }
    return line;
}

std::shared_ptr<rfc::FunctionResult> syntheticResult(std::size_t rows)
{
    auto result = std::make_shared<rfc::FunctionResult>();
    rfc::Table& fields = result->tables["FIELDS"];
    fields.columns = {"FIELDNAME", "OFFSET", "LENGTH", "TYPE", "FIELDTEXT"};
    int offset = 0;
    for (const Field& f : Layout) {
        char offsetText[8], lengthText[8];
        std::snprintf(offsetText, sizeof offsetText, "%06d", offset);
        std::snprintf(lengthText, sizeof lengthText, "%06d", f.length);
        fields.rows.push_back({f.name, offsetText, lengthText, "C", std::string("Bench field ") + f.name});
        offset += f.length + 1;
    }
    result->tables["OPTIONS"].columns = {"TEXT"};
    rfc::Table& data = result->tables["DATA"];
    data.columns = {"WA"};
    for (std::size_t r = 0; r < rows; ++r) data.rows.push_back({dataLine(r)});
    return result;
}

bool writeAnswer(const QString& path, std::size_t rows)
{
    soap::AnswerStream stream("RFC_READ_TABLE", syntheticResult(rows));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    std::string chunk;
    bool more = true;
    while (more) {
        chunk.clear();
        more = stream.next(chunk, 1 << 20);
        if (file.write(chunk.data(), static_cast<qint64>(chunk.size())) != static_cast<qint64>(chunk.size())) {
            file.cancelWriting();
            return false;
        }
    }
    return file.commit();
}

std::string systemInfoAnswer()
{
    rfc::FunctionResult info;
    info.structures["RFCSI_EXPORT"] = {{"RFCPROTO", "011"}, {"RFCCHARTYP", "4103"}, {"RFCDEST", "bench_BEN_00"},
                                       {"RFCHOST", "bench"}, {"RFCSYSID", "BEN"}, {"RFCSAPRL", "750"},
                                       {"RFCHOST2", "bench.loopback"}, {"RFCDBSYS", "SQLITE"}};
    return soap::AnswerStream::whole("RFC_SYSTEM_INFO", info);
}

// Serves in a child process, so the measured tools never share a process with its threads. Every
// POST of RFC_READ_TABLE gets the saved answer; RFC_SYSTEM_INFO (the logon check) its own.
struct Server {
    pid_t pid = -1;
    int port = 0;
    ~Server() { stop(); }
    void stop()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        pid = -1;
    }
};

// Every POST gets the saved answer straight from the file (sendfile), except RFC_SYSTEM_INFO.
struct Serving {
    int fd;
    off_t size;
    std::string info;
};

MHD_Result answer(void* cls, MHD_Connection* connection, const char*, const char*, const char*, const char* upload,
                  std::size_t* uploadSize, void** state)
{
    const Serving& serving = *static_cast<const Serving*>(cls);
    auto* request = static_cast<std::string*>(*state);
    if (!request) {
        *state = new std::string;
        return MHD_YES;
    }
    if (*uploadSize > 0) {
        request->append(upload, *uploadSize);
        *uploadSize = 0;
        return MHD_YES;
    }
    soap::SoapReader reader;
    MHD_Response* response = nullptr;
    if (reader.feed(*request) && reader.finish() && reader.function() == "RFC_SYSTEM_INFO")
        response = MHD_create_response_from_buffer(serving.info.size(), const_cast<char*>(serving.info.data()), MHD_RESPMEM_PERSISTENT);
    else
        response = MHD_create_response_from_fd_at_offset64(static_cast<std::uint64_t>(serving.size), dup(serving.fd), 0);
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/xml; charset=utf-8");
    const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_OK, response);
    MHD_destroy_response(response);
    return queued;
}

void forget(void*, MHD_Connection*, void** state, MHD_RequestTerminationCode)
{
    delete static_cast<std::string*>(*state);
    *state = nullptr;
}

[[noreturn]] void serve(const std::string& answerPath, int portPipe)
{
    Serving serving{::open(answerPath.c_str(), O_RDONLY), 0, systemInfoAnswer()};
    serving.size = serving.fd < 0 ? -1 : lseek(serving.fd, 0, SEEK_END);
    if (serving.size <= 0) _exit(1);
    MHD_Daemon* daemon = MHD_start_daemon(MHD_USE_AUTO_INTERNAL_THREAD, 0, nullptr, nullptr, &answer, &serving,
                                          MHD_OPTION_NOTIFY_COMPLETED, &forget, nullptr, MHD_OPTION_END);
    const MHD_DaemonInfo* info = daemon ? MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_BIND_PORT) : nullptr;
    const int port = info ? info->port : 0;
    if (::write(portPipe, &port, sizeof port) != static_cast<ssize_t>(sizeof port) || port == 0) _exit(1);
    ::close(portPipe);
    pause();   // until the benchmark's SIGTERM
    _exit(0);
}

bool startServer(const std::string& answerPath, Server& server)
{
    int fds[2];
    if (pipe(fds) != 0) return false;
    const pid_t pid = fork();
    if (pid == 0) {
        ::close(fds[0]);
        serve(answerPath, fds[1]);
    }
    ::close(fds[1]);
    int port = 0;
    const bool ok = ::read(fds[0], &port, sizeof port) == static_cast<ssize_t>(sizeof port) && port > 0;
    ::close(fds[0]);
    server.pid = pid;
    server.port = port;
    return ok;
}

// Five tables of the answer's layout, one call group each.
qvor::MyTableBuffer fiveGroups()
{
    qvor::MyTableBuffer buffer;
    for (int t = 1; t <= Groups; ++t)
        for (const Field& f : Layout)
            buffer.fields.push_back({QStringLiteral("ZBENCH%1-%2").arg(t).arg(QLatin1String(f.name)),
                                     QStringLiteral("Bench field %1").arg(QLatin1String(f.name)), QStringLiteral("C"),
                                     static_cast<int16_t>(f.length)});
    return buffer;
}

bool ensureAnswer(const QString& path, std::size_t rows)
{
    if (QFileInfo::exists(path)) return true;
    const auto start = Clock::now();
    if (!writeAnswer(path, rows)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("answer of %zu rows written in %.1f s: %s (%.0f MiB)\n", rows, seconds(start), qPrintable(path),
                QFileInfo(path).size() / 1048576.0);
    return true;
}

ChildRun extract(const std::string& tool, const std::string& query, const std::string& output, int port)
{
    const std::vector<std::string> argv{tool, query, output, "--url", "http://127.0.0.1:" + std::to_string(port),
                                        "--client", "001", "--user", "DEMO"};
    ChildRun run = runChild(argv, "/nonexistent", true);
    if (run.status != 0) {
        std::fprintf(stderr, "qvor-extract ended with %d; again with its messages:\n", run.status);
        runChild(argv, "/nonexistent", false);
    }
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool million = std::erase(args, "--million") > 0;
    const bool serveOnly = std::erase(args, "--serve") > 0;
    if (args.empty()) {
        std::fprintf(stderr, "usage: %s <folder> [runs] [--million] [--serve]\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromStdString(args[0]));
    const int runs = args.size() > 1 ? std::max(1, std::atoi(args[1].c_str())) : 3;
    const std::string self = QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath().toStdString();
    const std::string tool = self + "/../qvor-extract";
    if (!QFileInfo(QString::fromStdString(tool)).isExecutable()) {
        std::fprintf(stderr, "qvor-extract not found at %s\n", tool.c_str());
        return 1;
    }
    if (!folder.exists() && !QDir().mkpath(folder.path())) return 1;
    setenv("QVOR_PASSWORD", "bench", 1);

    const qvor::MyTableBuffer fields = fiveGroups();
    qvor::CallGroups groups;
    if (!groups.build(fields, {}, nullptr) || groups.count() != Groups) {
        std::fprintf(stderr, "My Table does not cut into %d calls\n", Groups);
        return 1;
    }
    const QString query = folder.filePath(QStringLiteral("bench_soap_query.txt"));
    if (!qvor::QTableFile::WriteQTableFile(query, qvor::QTableFile::PrepareQTable(fields, {}))) return 1;
    const std::string output = folder.filePath(QStringLiteral("bench_soap.csv")).toStdString();

    // The request curl sends: what the program sends for the first group.
    rfc::FunctionCall call;
    call.name = "RFC_READ_TABLE";
    call.parameters = {{"QUERY_TABLE", "ZBENCH1"}, {"DELIMITER", Delimiter}, {"ROWCOUNT", "0"}};
    call.tables["OPTIONS"].columns = {"TEXT"};
    call.tables["OPTIONS"].rows.push_back({""});
    call.tables["FIELDS"].columns = {"FIELDNAME"};
    for (const Field& f : Layout) call.tables["FIELDS"].rows.push_back({f.name});
    call.tables["DATA"].columns = {"WA"};
    const std::string requestPath = folder.filePath(QStringLiteral("bench_soap_request.xml")).toStdString();
    {
        const std::string request = soap::requestMessage(call);
        std::FILE* f = std::fopen(requestPath.c_str(), "wb");
        if (!f || std::fwrite(request.data(), 1, request.size(), f) != request.size() || std::fclose(f) != 0) return 1;
    }

    const QString answer200k = folder.filePath(QStringLiteral("bench_soap_answer_200000.xml"));
    if (!ensureAnswer(answer200k, 200000)) return 1;
    Server server;
    if (!startServer(answer200k.toStdString(), server)) {
        std::fprintf(stderr, "the loopback server did not start\n");
        return 1;
    }
    std::printf("serving on http://127.0.0.1:%d\n", server.port);
    std::fflush(stdout);
    if (serveOnly) {
        std::printf("query file %s; stop with Ctrl+C\n", qPrintable(query));
        std::fflush(stdout);
        waitpid(server.pid, nullptr, 0);
        server.pid = -1;
        return 0;
    }

    std::vector<double> ours, floor;
    long peak200k = 0;
    long long outputBytes = 0;
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port) + "/sap/bc/soap/rfc?sap-client=001";
    for (int i = 0; i < runs; ++i) {
        const ChildRun run = extract(tool, query.toStdString(), output, server.port);
        if (run.status != 0) return 1;
        ours.push_back(run.seconds);
        peak200k = std::max(peak200k, run.peakKb);
        outputBytes = QFileInfo(QString::fromStdString(output)).size();

        const std::string fetch = "curl -sf -o /dev/null -H 'Content-Type: text/xml; charset=utf-8' --data-binary @'"
            + requestPath + "' '" + url + "'";
        const std::string write = "dd if=/dev/zero of='" + output + ".dd' bs=1M count="
            + std::to_string(outputBytes / (1 << 20) + 1) + " status=none";
        const auto start = Clock::now();
        for (int g = 0; g < Groups; ++g)
            if (std::system(fetch.c_str()) != 0) return 1;
        if (std::system(write.c_str()) != 0) return 1;
        floor.push_back(seconds(start));
        std::remove((output + ".dd").c_str());
        std::printf("run %d: qvor-extract %.2f s (peak %.0f MiB), 5 x curl + dd %.2f s\n", i + 1, ours.back(),
                    run.peakKb / 1024.0, floor.back());
        std::fflush(stdout);
    }
    std::printf("200,000 rows x %d calls, answer %.0f MiB per call, output %.0f MiB\n", Groups,
                QFileInfo(answer200k).size() / 1048576.0, outputBytes / 1048576.0);
    std::printf("median qvor-extract %.2f s, median floor %.2f s, ratio %.2fx (target <= 6x)\n", median(ours),
                median(floor), median(ours) / median(floor));
    std::printf("peak RSS at 200,000 rows: %.0f MiB (target < 256 MiB)\n", peak200k / 1024.0);
    server.stop();

    if (million) {
        const QString answer1m = folder.filePath(QStringLiteral("bench_soap_answer_1000000.xml"));
        if (!ensureAnswer(answer1m, 1000000)) return 1;
        Server big;
        if (!startServer(answer1m.toStdString(), big)) return 1;
        const ChildRun run = extract(tool, query.toStdString(), output, big.port);
        if (run.status != 0) return 1;
        std::printf("1,000,000 rows: qvor-extract %.2f s, output %.0f MiB, peak RSS %.0f MiB, %.0f MiB more than at "
                    "200,000 (target < 32 MiB)\n",
                    run.seconds, QFileInfo(QString::fromStdString(output)).size() / 1048576.0, run.peakKb / 1024.0,
                    (run.peakKb - peak200k) / 1024.0);
    }
    std::remove(output.c_str());
    return 0;
}
