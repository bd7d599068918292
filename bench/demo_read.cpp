// Reads one million BSEG rows of one ~500-character call group from the scale-100 demo database,
// beside the sqlite3 command-line program printing the same columns of the same database.
//   bench_demo_read <folder> [runs]
// The database is generated into <folder> on the first run. Each read runs in a child process so
// that its peak memory (getrusage) is its own.
#include "BenchFigures.h"
#include "demosystem/DemoSystem.h"
#include "rfc/Utf8.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> fields = {
    "BUKRS", "BELNR", "GJAHR", "BUZEI", "AUGDT", "AUGBL", "BSCHL", "KOART", "SHKZG", "GSBER", "MWSKZ", "DMBTR",
    "WRBTR", "PSWBT", "PSWSL", "MWSTS", "WMWST", "VALUT", "ZUONR", "SGTXT", "KOKRS", "KOSTL", "SAKNR", "HKONT",
    "KUNNR", "LIFNR", "ZFBDT", "ZTERM", "ZBD1T", "ZBD1P", "SKFBT", "MATNR", "WERKS", "MENGE", "MEINS", "PRCTR",
    "DMBE2", "BDIFF", "SEGMENT", "PENDAYS", "KURSR_F", "GUID", "XREF1", "XREF2", "KIDNO"};

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct ReadFigures {
    double seconds = 0;
    double cpu = 0;
    long rows = 0;
    long long lineBytes = 0;   // the characters of the returned lines
    long peakGrowthKb = 0;
    int width = 0;
};

ReadFigures readOnce(const std::string& path)
{
    ReadFigures f;
    std::string error;
    auto system = demo::DemoSystem::open({path, 100}, &error);
    if (!system) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    rfc::FunctionCall call;
    call.name = "RFC_READ_TABLE";
    call.parameters = {{"QUERY_TABLE", "BSEG"}, {"DELIMITER", "|"}, {"ROWCOUNT", "0"}};
    call.tables["FIELDS"].columns = {"FIELDNAME"};
    for (const auto& name : fields) call.tables["FIELDS"].rows.push_back({name});
    call.tables["OPTIONS"].columns = {"TEXT"};
    call.tables["OPTIONS"].rows.push_back({""});
    call.tables["DATA"].columns = {"WA"};
    const long before = peakKb();
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    const auto start = std::chrono::steady_clock::now();
    const auto result = system->call({"001", "DEMO", "EN"}, call);
    f.seconds = seconds(start);
    f.cpu = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    f.peakGrowthKb = peakKb() - before;
    if (!result.ok()) {
        std::fprintf(stderr, "RFC_READ_TABLE: %s %s\n", result.exception.c_str(), result.message.c_str());
        std::exit(1);
    }
    const auto& rows = result.tables.at("DATA").rows;
    f.rows = static_cast<long>(rows.size());
    for (const auto& r : rows) f.lineBytes += static_cast<long long>(r[0].size());
    if (!rows.empty()) f.width = static_cast<int>(rfc::utf8::length(rows[0][0]));
    return f;
}

// Runs readOnce in a child and passes its figures back through a pipe.
ReadFigures readInChild(const std::string& path)
{
    int fds[2];
    if (pipe(fds) != 0) std::exit(1);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const ReadFigures f = readOnce(path);
        if (write(fds[1], &f, sizeof f) != static_cast<ssize_t>(sizeof f)) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    ReadFigures f;
    const bool got = read(fds[0], &f, sizeof f) == static_cast<ssize_t>(sizeof f);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) std::exit(1);
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder> [runs]\n", argv[0]);
        return 2;
    }
    const std::string path = std::string(argv[1]) + "/demo-scale100.sqlite";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    const auto generation = std::chrono::steady_clock::now();
    {
        std::string error;
        if (!demo::DemoSystem::open({path, 100}, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    std::printf("database ready in %.1f s: %s\n", seconds(generation), path.c_str());

    std::string columns;
    for (const auto& f : fields) columns += (columns.empty() ? "" : ", ") + ("\"" + f + "\"");
    const std::string cli = "sqlite3 -readonly '" + path + "' \"SELECT " + columns
        + " FROM BSEG WHERE MANDT = '001' ORDER BY MANDT, BUKRS, BELNR, GJAHR, BUZEI\" > /dev/null";

    std::vector<double> ours, theirs, oursCpu, theirsCpu;
    ReadFigures last;
    long worstGrowthKb = 0;
    for (int i = 0; i < runs; ++i) {
        last = readInChild(path);
        ours.push_back(last.seconds);
        oursCpu.push_back(last.cpu);
        worstGrowthKb = std::max(worstGrowthKb, last.peakGrowthKb);
        const auto start = std::chrono::steady_clock::now();
        const double childCpu = cpuSeconds(RUSAGE_CHILDREN);
        if (std::system(cli.c_str()) != 0) {
            std::fprintf(stderr, "sqlite3 failed: %s\n", cli.c_str());
            return 1;
        }
        theirs.push_back(seconds(start));
        theirsCpu.push_back(cpuSeconds(RUSAGE_CHILDREN) - childCpu);
        std::printf("run %d: RFC_READ_TABLE %.2f s (cpu %.2f s), sqlite3 %.2f s (cpu %.2f s)\n", i + 1, ours.back(),
                    oursCpu.back(), theirs.back(), theirsCpu.back());
    }
    const double ratio = median(ours) / median(theirs);
    const double lineMb = static_cast<double>(last.lineBytes) / (1024.0 * 1024.0);
    const double peakMb = static_cast<double>(worstGrowthKb) / 1024.0;
    std::printf("median cpu: RFC_READ_TABLE %.2f s, sqlite3 %.2f s, ratio %.2fx\n", median(oursCpu), median(theirsCpu),
                median(oursCpu) / median(theirsCpu));
    std::printf("rows %ld, line width %d characters, %zu fields\n", last.rows, last.width, fields.size());
    std::printf("median RFC_READ_TABLE %.2f s, median sqlite3 %.2f s, ratio %.2fx (target <= 1.5x)\n", median(ours),
                median(theirs), ratio);
    std::printf("peak memory growth %.0f MB for %.0f MB of lines: %.2fx (target < 1.3x)\n", peakMb, lineMb,
                peakMb / lineMb);
    return 0;
}
