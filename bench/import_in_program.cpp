// Import Table run through the whole program (main window, query window, progress strip;
// offscreen) on the scale-100 demo system, beside qvor-extract for the same query: the
// 1,000,000 BSEG rows in five call groups. Records the ticks of the progress strip's 30 ms timer
// during the program's runs and reports the longest gap, and the longest gap of a timer of its own
// that runs until the import has ended (the strip stops once its value passes 1.0). Then times a
// preview of 500 rows from three call groups of BSEG. Prints medians and peak memory.
//   bench_import_in_program [folder [runs]]
// With QVOR_BENCH_SLOW_MS=n it also lists every gap and every single event of n ms or more.
// The folder holds demo-scale100.sqlite and bench_bseg_query.txt (bench_extract makes both;
// default: ../../build-extract/bench-data beside this program's build folder).
#include "BenchFigures.h"
#include "ChildRun.h"
#include "app/MainWindow.h"
#include "app/StartUp.h"
#include "app/Workspace.h"
#include "querywindow/OptionsEditor.h"
#include "querywindow/PreviewAndImport.h"
#include "querywindow/PreviewPane.h"
#include "querywindow/PreviewTableModel.h"
#include "querywindow/QueryWindow.h"
#include "querywindow/RowsStrip.h"
#include "sap/SapConnection.h"
#include "tableaccess/CallGroups.h"
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/QTableFile.h"
#include "util/AppSettings.h"
#include "util/SettingsFile.h"
#include "util/StatusPanels.h"
#include "util/UiServices.h"
#include "util/widgets/ProgressStrip.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace qvor;

namespace {

// Times every event handed to a receiver; with QVOR_BENCH_SLOW_MS set, events that keep the UI
// thread longer than that are printed with their receiver and the message panel's text, which
// names the phase of the import.
class TimedApplication final : public QApplication {
public:
    using QApplication::QApplication;
    double slowMs = 0;
    double longestMs = 0;
    QString longestWhat;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (slowMs <= 0) return QApplication::notify(receiver, event);
        const int type = event->type();
        const char* receiverClass = receiver->metaObject()->className();   // the receiver may be gone after
        QElapsedTimer t;
        t.start();
        ++depth_;
        const bool result = QApplication::notify(receiver, event);
        --depth_;
        const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
        if (ms >= slowMs && depth_ == 0) {
            const QString what = QStringLiteral("%1 event %2 [%3]")
                                     .arg(QString::fromLatin1(receiverClass))
                                     .arg(type)
                                     .arg(panels().message().left(60));
            std::fprintf(stderr, "slow: %.1f ms %s\n", ms, qPrintable(what));
            if (ms > longestMs) {
                longestMs = ms;
                longestWhat = what;
            }
        }
        return result;
    }

private:
    int depth_ = 0;
};

class BenchUi final : public UiServices {
public:
    QString outputPath;
    MsgResult message(const QString& text, MsgButtons, MsgIcon, const QString&) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return MsgResult::No;
    }
    std::optional<QString> openFileDialog(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> saveFileDialog(const QString&, const QString&, const QString&, bool) override
    {
        return outputPath;
    }
    bool logonPrompt(const LogonAttempt& tryLogon) override
    {
        return tryLogon({QStringLiteral("DEMO"), QStringLiteral("001"), QStringLiteral("DEMO"), QStringLiteral("demo"),
                         QStringLiteral("EN")})
            .isEmpty();
    }
    bool startProgram(const QString&, const QStringList&) override { return true; }   // nothing to look at
    void beginWait() override {}
    void endWait() override {}
};

ChildRun runExtract(const QString& tool, const QString& query, const QString& output, const QString& database)
{
    const std::vector<std::string> argv{tool.toStdString(), query.toStdString(), output.toStdString(), "--separator",
                                        ";"};
    return runChild(argv, database.toStdString(), false);
}

long selfPeakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QueryWindow* activeWindow(MainWindow& main)
{
    return qobject_cast<QueryWindow*>(main.workspace()->activeQueryWindow());
}

// A fresh window holding the given My Table and options, all rows.
QueryWindow* openQuery(MainWindow& main, const MyTableBuffer& fields, const OptionsBuffer& options)
{
    main.runCommand(QStringLiteral("mnewqtable"));
    QueryWindow* q = activeWindow(main);
    if (!q) return nullptr;
    myTableBuffer() = fields;
    q->PasteListItem();
    q->options().RestoreOptions(options.lines);
    q->rowsStrip().rowLimitBox()->setText(QStringLiteral("0"));
    return q;
}

void waitUntilDone(QueryWindow& q)
{
    while (q.rowsFromSap().running()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void closeAll(MainWindow& main)
{
    main.workspace()->closeAllSubWindows();
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    app.slowMs = qEnvironmentVariableIntValue("QVOR_BENCH_SLOW_MS");
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QDir(QCoreApplication::applicationDirPath())
                                          .absoluteFilePath(QStringLiteral("../../build-extract/bench-data"));
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const QString database = QDir(folder).absoluteFilePath(QStringLiteral("demo-scale100.sqlite"));
    const QString query = QDir(folder).absoluteFilePath(QStringLiteral("bench_bseg_query.txt"));
    const QString tool = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../qvor-extract"));
    for (const QString& needed : {database, query, tool}) {
        if (!QFileInfo::exists(needed)) {
            std::fprintf(stderr, "missing %s (run bench_extract first)\n", qPrintable(needed));
            return 1;
        }
    }
    qputenv("QVOR_DEMO_DATABASE", database.toLocal8Bit());
    qputenv("QVOR_DEMO_SCALE", "100");

    QTemporaryDir settings;
    setSettingsFolderForTests(settings.path());
    BenchUi ui;
    setUiServices(&ui);
    const std::unique_ptr<MainWindow> main = StartUp::run(settingsFilePath());
    main->resize(1200, 900);
    main->show();
    sapConnection().Connect();
    if (!sapConnection().connected()) {
        std::fprintf(stderr, "no logon to the demo system\n");
        return 1;
    }
    const std::optional<QTableDocument> doc = QTableFile::ReadOrvane(query);
    MyTableBuffer fields;
    OptionsBuffer options;
    if (!doc || !QTableFile::LoadOrvane(*doc, fields, options)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(query));
        return 1;
    }
    CallGroups groups;
    groups.build(fields, options, nullptr);
    std::printf("%d BSEG fields in %d calls, %d run(s) each\n", fields.count(), groups.count(), runs);

    appSettings().listSeparator = QStringLiteral(";");
    QTimer* progressTimer = ProgressStrip::current() ? ProgressStrip::current()->timer() : nullptr;
    if (!progressTimer) {
        std::fprintf(stderr, "no progress strip\n");
        return 1;
    }
    const QString output = QDir(settings.path()).absoluteFilePath(QStringLiteral("program.csv"));
    const QString toolOutput = QDir(settings.path()).absoluteFilePath(QStringLiteral("tool.csv"));
    ui.outputPath = output;

    std::vector<double> programSeconds, toolSeconds, worstGaps, nearWorstGaps, probeGaps, toolPeaksMb;
    qint64 programSize = 0, toolSize = 0;
    for (int run = 1; run <= runs; ++run) {
        QueryWindow* q = openQuery(*main, fields, options);
        if (!q) return 1;
        QElapsedTimer clock;
        // Each tick with the message panel's text at that moment, which names the import's phase.
        std::vector<std::pair<qint64, QString>> ticks;
        const auto tickConnection = QObject::connect(progressTimer, &QTimer::timeout, [&] {
            ticks.emplace_back(clock.nsecsElapsed(), panels().message());
        });
        // The strip's timer stops once the progress value passes 1.0, which can be before the file
        // is closed; a timer of the bench's own watches the window from the command to the end.
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(ProgressStrip::TimerIntervalMs);
        std::vector<qint64> probeTicks{0};
        QObject::connect(&probe, &QTimer::timeout, [&] { probeTicks.push_back(clock.nsecsElapsed()); });
        clock.start();
        probe.start();
        main->runCommand(QStringLiteral("mimportmytable"));
        waitUntilDone(*q);
        probeTicks.push_back(clock.nsecsElapsed());   // the last step's time counts too
        probe.stop();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        QObject::disconnect(tickConnection);
        double probeWorst = 0;
        for (std::size_t i = 1; i < probeTicks.size(); ++i)
            probeWorst = std::max(probeWorst, static_cast<double>(probeTicks[i] - probeTicks[i - 1]) / 1e6);
        std::vector<double> gaps;
        double worst = 0;
        QString worstPhase;
        for (std::size_t i = 1; i < ticks.size(); ++i) {
            gaps.push_back(static_cast<double>(ticks[i].first - ticks[i - 1].first) / 1e6);
            if (app.slowMs > 0 && gaps.back() >= app.slowMs)
                std::fprintf(stderr, "gap: %.1f ms at %.2f s [%s]\n", gaps.back(),
                             static_cast<double>(ticks[i].first) / 1e9, qPrintable(ticks[i].second.left(60)));
            if (gaps.back() > worst) {
                worst = gaps.back();
                worstPhase = ticks[i].second;
            }
        }
        std::sort(gaps.begin(), gaps.end());
        const double nearWorst = gaps.empty() ? 0 : gaps[gaps.size() * 99 / 100];
        programSize = QFileInfo(output).size();
        QFile::remove(output);
        closeAll(*main);

        const ChildRun toolRun = runExtract(tool, query, toolOutput, database);
        toolSize = QFileInfo(toolOutput).size();
        QFile::remove(toolOutput);
        if (toolRun.status != 0) {
            std::fprintf(stderr, "qvor-extract failed (%d)\n", toolRun.status);
            return 1;
        }
        std::printf("run %d: program %.2f s (%zu ticks, longest gap %.1f ms at \"%s\", 99th percentile %.1f ms; "
                    "whole import %.1f ms), qvor-extract %.2f s, %ld MiB\n",
                    run, seconds, ticks.size(), worst, qPrintable(worstPhase.left(50)), nearWorst, probeWorst,
                    toolRun.seconds, toolRun.peakKb / 1024);
        std::fflush(stdout);
        programSeconds.push_back(seconds);
        toolSeconds.push_back(toolRun.seconds);
        worstGaps.push_back(worst);
        nearWorstGaps.push_back(nearWorst);
        probeGaps.push_back(probeWorst);
        toolPeaksMb.push_back(static_cast<double>(toolRun.peakKb) / 1024.0);
    }
    const double ratio = median(programSeconds) / median(toolSeconds);
    std::printf("output: program %lld bytes, qvor-extract %lld bytes%s\n", static_cast<long long>(programSize),
                static_cast<long long>(toolSize), programSize == toolSize ? "" : "  (SIZES DIFFER)");
    std::printf("median over %d run(s): program %.2f s, qvor-extract %.2f s, ratio %.2fx (target <= 1.2x)\n", runs,
                median(programSeconds), median(toolSeconds), ratio);
    std::printf("longest gap between progress ticks: median %.1f ms, worst %.1f ms (target < 100 ms); "
                "99th percentile: median %.1f ms\n",
                median(worstGaps), *std::max_element(worstGaps.begin(), worstGaps.end()), median(nearWorstGaps));
    std::printf("longest time the window did not answer, from the command to its end: median %.1f ms, worst %.1f ms\n",
                median(probeGaps), *std::max_element(probeGaps.begin(), probeGaps.end()));
    std::printf("peak RSS: program %ld MiB (whole process so far), qvor-extract median %.0f MiB\n",
                selfPeakKb() / 1024, median(toolPeaksMb));
    if (app.slowMs > 0 && app.longestMs > 0)
        std::printf("longest single event: %.1f ms, %s\n", app.longestMs, qPrintable(app.longestWhat));

    // Preview: the leading fields that cut into exactly three calls.
    MyTableBuffer three;
    for (const MyTableField& f : fields.fields) {
        MyTableBuffer more = three;
        more.fields.push_back(f);
        CallGroups g;
        if (!g.build(more, {}, nullptr) || g.count() > 3) break;
        three = more;
    }
    std::vector<double> previewMs;
    int previewRows = 0;
    for (int run = 0; run < 7; ++run) {
        QueryWindow* q = openQuery(*main, three, {});
        if (!q) return 1;
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        main->runCommand(QStringLiteral("mqpreview"));
        waitUntilDone(*q);
        q->preview()->repaint();
        previewMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        previewRows = q->preview()->previewModel().rowCount();
        closeAll(*main);
    }
    std::printf("preview of %d rows, %d fields in 3 calls: median %.1f ms (target < 300 ms)\n", previewRows,
                three.count(), median(previewMs));
    std::printf("peak RSS of the program at the end: %ld MiB\n", selfPeakKb() / 1024);

    sapConnection().Disconnect();
    main->close();
    setUiServices(nullptr);
    setSettingsFolderForTests({});
    return 0;
}
