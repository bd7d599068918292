// The import of BSEG from the scale-100 demo system through qvor-extract (five call groups),
// beside five sqlite3 scans of one group's columns plus dd writing a file of the output's size;
// peak memory of qvor-extract at 200,000 rows and at all rows; and two small operations: cutting
// 999 fields into call groups and the 999/999 query-file round trip.
//   bench_extract <folder> [runs]
// The database is generated into <folder> on the first run. qvor-extract is looked for beside
// this program's build folder (../qvor-extract).
#include "BenchFigures.h"
#include "BsegQuery.h"
#include "ChildRun.h"
#include "demosystem/DemoSystem.h"
#include "tableaccess/CallGroups.h"
#include "tableaccess/QTableFile.h"
#include "tableaccess/QTableFormat.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
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

using Clock = std::chrono::steady_clock;

// 999 fields, either of one table (narrow enough for ten calls) or of three tables taking turns,
// each with an option line naming it.
void buildFields(bool alternating, qvor::MyTableBuffer& fields, qvor::OptionsBuffer& options)
{
    for (int i = 1; i <= 999; ++i) {
        const QString table = !alternating ? QStringLiteral("BSEG") : i % 3 == 0 ? "KNA1" : i % 3 == 1 ? "BSEG" : "MARA";
        fields.fields.push_back({QStringLiteral("%1-F%2").arg(table).arg(i), QStringLiteral("Field number %1").arg(i),
                                 "C", static_cast<int16_t>(alternating ? 1 + i % 40 : 1 + i % 5)});
        options.lines << QStringLiteral("%1-F%2 = 'VALUE %2' OR").arg(table).arg(i);
    }
}

void smallOperations()
{
    for (const bool alternating : {false, true}) {
        qvor::MyTableBuffer fields;
        qvor::OptionsBuffer options;
        buildFields(alternating, fields, options);
        std::vector<double> cut;
        int groupCount = 0;
        for (int run = 0; run < 30; ++run) {
            const auto start = Clock::now();
            qvor::CallGroups groups;
            if (!groups.build(fields, options, nullptr)) std::exit(1);
            cut.push_back(seconds(start) * 1000);
            groupCount = groups.count();
        }
        std::printf("cutting 999 fields and 999 options (%s) into %d groups: median %.3f ms (target < 10 ms)\n",
                    alternating ? "3 tables taking turns" : "one table", groupCount, median(cut));
    }
    qvor::MyTableBuffer fields;
    qvor::OptionsBuffer options;
    buildFields(true, fields, options);
    std::vector<double> trip, fileTrip;
    const QString path = QDir::temp().filePath(QStringLiteral("bench_extract_query.txt"));
    for (int run = 0; run < 30; ++run) {
        auto start = Clock::now();
        const qvor::QTableDocument doc = qvor::QTableFile::PrepareQTable(fields, options);
        qvor::QTableDocument back;
        if (!qvor::QTableFormat::parseLines(qvor::QTableFormat::lines(doc), back, nullptr) || !(back == doc)) std::exit(1);
        trip.push_back(seconds(start) * 1000);

        start = Clock::now();
        if (!qvor::QTableFile::WriteQTableFile(path, doc)) std::exit(1);
        const auto read = qvor::QTableFile::ReadOrvane(path);
        qvor::MyTableBuffer f2;
        qvor::OptionsBuffer o2;
        if (!read || !qvor::QTableFile::LoadOrvane(*read, f2, o2) || f2.count() != 999) std::exit(1);
        fileTrip.push_back(seconds(start) * 1000);
    }
    QFile::remove(path);
    std::printf("999/999 query document to lines and back: median %.3f ms (target < 10 ms)\n", median(trip));
    std::printf("999/999 query file written, read and loaded: median %.3f ms\n", median(fileTrip));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder> [runs]\n", argv[0]);
        return 2;
    }
    smallOperations();

    const QString folder = QString::fromLocal8Bit(argv[1]);
    const std::string database = QDir(folder).filePath("demo-scale100.sqlite").toStdString();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const std::string tool = QDir(QCoreApplication::applicationDirPath()).filePath("../qvor-extract").toStdString();
    if (!QFileInfo(QString::fromStdString(tool)).isExecutable()) {
        std::fprintf(stderr, "qvor-extract not found at %s\n", tool.c_str());
        return 1;
    }

    const auto generation = Clock::now();
    std::string error;
    auto system = demo::DemoSystem::open({database, 100}, &error);
    if (!system) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("database ready in %.1f s: %s\n", seconds(generation), database.c_str());
    const qvor::MyTableBuffer fields = fiveGroupsOfBseg(*system);
    system.reset();
    qvor::CallGroups groups;
    groups.build(fields, {}, nullptr);
    if (groups.count() != 5) {
        std::fprintf(stderr, "could not choose BSEG fields for five calls\n");
        return 1;
    }

    const QString query = QDir(folder).filePath("bench_bseg_query.txt");
    if (!qvor::QTableFile::WriteQTableFile(query, qvor::QTableFile::PrepareQTable(fields, {}))) return 1;
    const std::string output = QDir(folder).filePath("bench_bseg.csv").toStdString();

    // Memory at 200,000 rows and at all rows.
    const ChildRun part = runChild({tool, query.toStdString(), output, "--rows", "200000"}, database, true);
    std::vector<double> ours, baseline;
    long peakAll = 0;
    long long outputBytes = 0;
    for (int i = 0; i < runs; ++i) {
        const ChildRun all = runChild({tool, query.toStdString(), output, "--rows", "0"}, database, true);
        if (all.status != 0) {
            std::fprintf(stderr, "qvor-extract ended with %d\n", all.status);
            return 1;
        }
        ours.push_back(all.seconds);
        peakAll = std::max(peakAll, all.peakKb);
        outputBytes = QFileInfo(QString::fromStdString(output)).size();

        // The same work done by the plainest tools: scan one group's columns five times, write the bytes.
        QStringList columns;
        const qvor::CallGroup& g = groups.group(1);
        for (int f = g.firstField; f <= g.lastField; ++f) columns << "\"" + fields.field(f).name.mid(5) + "\"";
        const std::string scan = "sqlite3 -readonly '" + database + "' \"SELECT " + columns.join(", ").toStdString()
            + " FROM BSEG WHERE MANDT = '001' ORDER BY MANDT, BUKRS, BELNR, GJAHR, BUZEI\" > /dev/null";
        const std::string write = "dd if=/dev/zero of='" + output + ".dd' bs=1M count="
            + std::to_string(outputBytes / (1 << 20) + 1) + " status=none";
        const auto start = Clock::now();
        for (int s = 0; s < 5; ++s)
            if (std::system(scan.c_str()) != 0) return 1;
        if (std::system(write.c_str()) != 0) return 1;
        baseline.push_back(seconds(start));
        std::remove((output + ".dd").c_str());
        std::printf("run %d: qvor-extract %.2f s, 5 x sqlite3 + dd %.2f s\n", i + 1, ours.back(), baseline.back());
    }
    std::printf("%d BSEG fields in 5 calls, output %.0f MB\n", fields.count(), double(outputBytes) / (1 << 20));
    std::printf("median qvor-extract %.2f s, median baseline %.2f s, ratio %.2fx (target <= 2.5x)\n", median(ours),
                median(baseline), median(ours) / median(baseline));
    std::printf("peak RSS: 200,000 rows %.0f MiB (target < 256 MiB), all rows %.0f MiB, growth %.0f MiB (target < 32 MiB)\n",
                part.peakKb / 1024.0, peakAll / 1024.0, (peakAll - part.peakKb) / 1024.0);

    // The other formats and the join by key on the same query, each against the default file of
    // the same run.
    struct Variant {
        const char* name;
        std::vector<std::string> arguments;
        std::string suffix;
        std::vector<double> times, defaults;
        long peakKb = 0;
    };
    std::vector<Variant> variants = {{"csv", {"--format", "csv"}, ".csv", {}, {}, 0},
                                     {"xlsx", {"--format", "xlsx"}, ".xlsx", {}, {}, 0},
                                     {"join on keys", {"--join-on-keys"}, ".keyed", {}, {}, 0}};
    for (int i = 0; i < runs; ++i) {
        for (Variant& v : variants) {
            const ChildRun plain = runChild({tool, query.toStdString(), output, "--rows", "0"}, database, true);
            std::vector<std::string> command = {tool, query.toStdString(), output + v.suffix, "--rows", "0"};
            command.insert(command.end(), v.arguments.begin(), v.arguments.end());
            const ChildRun run = runChild(command, database, true);
            if (plain.status != 0 || run.status != 0) {
                std::fprintf(stderr, "qvor-extract (%s) ended with %d\n", v.name, run.status);
                return 1;
            }
            v.defaults.push_back(plain.seconds);
            v.times.push_back(run.seconds);
            v.peakKb = std::max(v.peakKb, run.peakKb);
            std::remove((output + v.suffix).c_str());
        }
    }
    for (const Variant& v : variants)
        std::printf("%s: median %.2f s, default format %.2f s, ratio %.2fx (target <= 1.5x), peak RSS %.0f MiB\n", v.name,
                    median(v.times), median(v.defaults), median(v.times) / median(v.defaults), v.peakKb / 1024.0);
    std::remove(output.c_str());
    return 0;
}
