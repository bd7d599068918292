// qvor-extract reading BSEG of the scale-100 demo system (about a million rows, five call groups)
// from qvor-demo-server over SOAP: the plain run beside a partitioned one, run for run in turn,
// with their medians, ratio, peak memory and whether both outputs are the same bytes.
//   1. the server lets every call take at least 200 ms (--call-delay 200, a loaded SAP system):
//      plain against --parallel 8 --partition BELNR:32 (target: at least 5 times faster, peak
//      memory under 128 MiB);
//   2. no delay: plain against --parallel 1 --partition BELNR:32 (target: within 1.2 times).
//   bench_partitioned_extract <folder> [runs] [--rows N]
// The database is generated into <folder> on the first run; the tools are looked for beside
// this program's build folder (../qvor-extract, ../qvor-demo-server).
#include "BenchFigures.h"
#include "BsegQuery.h"
#include "ChildRun.h"
#include "tableaccess/QTableFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

QString toolPath(const char* name)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../") + QLatin1String(name));
}

QByteArray fileHash(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) return {};
    return hash.result().toHex();
}

// A demo server for one scenario; stopped when it goes out of scope.
class Server {
public:
    Server(const QString& folder, const QStringList& extra)
    {
        process_.setProgram(toolPath("qvor-demo-server"));
        process_.setArguments(QStringList{"--data", folder, "--scale", "100", "--port", "0", "--threads", "8"} + extra);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        const QRegularExpression listening(QStringLiteral("listening on (http://\\S+)"));
        while (process_.waitForReadyRead(600000)) {
            const auto m = listening.match(QString::fromUtf8(process_.readAll()));
            if (m.hasMatch()) {
                url_ = m.captured(1);
                break;
            }
        }
    }
    ~Server()
    {
        process_.terminate();
        process_.waitForFinished(10000);
    }
    const QString& url() const { return url_; }

private:
    QProcess process_;
    QString url_;
};

struct Figures {
    std::vector<double> seconds;
    long peakKb = 0;
    QByteArray hash;
};

bool runOnce(const std::vector<std::string>& command, const std::string& database, const QString& output, Figures& f)
{
    const ChildRun run = runChild(command, database, true);
    if (run.status != 0) {
        std::fprintf(stderr, "qvor-extract ended with %d\n", run.status);
        return false;
    }
    f.seconds.push_back(run.seconds);
    f.peakKb = std::max(f.peakKb, run.peakKb);
    f.hash = fileHash(output);
    QFile::remove(output);
    return true;
}

bool scenario(const char* title, const QString& folder, const QStringList& serverArguments, const QString& query,
              const std::vector<std::string>& partitioned, int runs, const QString& rows, double target, bool atLeast)
{
    Server server(folder, serverArguments);
    if (server.url().isEmpty()) {
        std::fprintf(stderr, "qvor-demo-server did not start\n");
        return false;
    }
    const std::string tool = toolPath("qvor-extract").toStdString();
    const std::string database = QDir(folder).filePath("demo-scale100.sqlite").toStdString();
    const QString plainOut = QDir(folder).filePath("bench_plain.csv");
    const QString partOut = QDir(folder).filePath("bench_partitioned.csv");
    const std::vector<std::string> common{"--url", server.url().toStdString(), "--user", "DEMO", "--rows", rows.toStdString()};
    std::vector<std::string> plain{tool, query.toStdString(), plainOut.toStdString()};
    plain.insert(plain.end(), common.begin(), common.end());
    std::vector<std::string> part{tool, query.toStdString(), partOut.toStdString()};
    part.insert(part.end(), common.begin(), common.end());
    part.insert(part.end(), partitioned.begin(), partitioned.end());

    Figures a, b;
    for (int i = 0; i < runs; ++i) {
        if (!runOnce(plain, database, plainOut, a) || !runOnce(part, database, partOut, b)) return false;
        std::printf("  run %d: plain %.2f s, partitioned %.2f s\n", i + 1, a.seconds.back(), b.seconds.back());
        std::fflush(stdout);
    }
    std::string options;
    for (const auto& o : partitioned) options += " " + o;
    const double ratio = median(a.seconds) / median(b.seconds);
    std::printf("%s\n  plain: median %.2f s, peak %.0f MiB\n  %s: median %.2f s, peak %.0f MiB\n", title,
                median(a.seconds), a.peakKb / 1024.0, options.c_str() + 1, median(b.seconds), b.peakKb / 1024.0);
    std::printf("  speed-up %.2fx (target %s %.1fx); outputs %s\n", ratio, atLeast ? ">=" : ">=", target,
                a.hash == b.hash && !a.hash.isEmpty() ? "identical" : "DIFFER");
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder> [runs] [--rows N]\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    int runs = 3;
    QString rows = QStringLiteral("0");
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i]) == "--rows" && i + 1 < argc) rows = QString::fromLocal8Bit(argv[++i]);
        else runs = std::max(1, std::atoi(argv[i]));
    }
    for (const char* tool : {"qvor-extract", "qvor-demo-server"})
        if (!QFileInfo(toolPath(tool)).isExecutable()) {
            std::fprintf(stderr, "%s not found beside the benchmarks\n", tool);
            return 1;
        }

    std::string error;
    const std::string database = QDir(folder).filePath("demo-scale100.sqlite").toStdString();
    auto system = demo::DemoSystem::open({database, 100}, &error);
    if (!system) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const qvor::MyTableBuffer fields = fiveGroupsOfBseg(*system);
    system.reset();
    const QString query = QDir(folder).filePath("bench_bseg_query.txt");
    if (!qvor::QTableFile::WriteQTableFile(query, qvor::QTableFile::PrepareQTable(fields, {}))) return 1;
    qputenv("QVOR_PASSWORD", "demo");

    const bool ok =
        scenario("every call at least 200 ms (qvor-demo-server --call-delay 200)", folder, {"--call-delay", "200"}, query,
                 {"--parallel", "8", "--partition", "BELNR:32"}, runs, rows, 5.0, true)
        && scenario("no delay", folder, {}, query, {"--parallel", "1", "--partition", "BELNR:32"}, runs, rows, 1 / 1.2, true);
    return ok ? 0 : 1;
}
