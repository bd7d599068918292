// Start-up time of the program against an empty Qt Widgets program.
// Usage: bench_startup [path-to-qvor]   (default: the qvor beside this build's bench folder)
// Runs each 10 times offscreen and prints both medians in milliseconds and their ratio.
#include "BenchFigures.h"
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 10;

int emptyProgram(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget w;
    w.resize(640, 480);
    w.show();
    QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}

// Milliseconds from start to exit of each run; empty when a run fails.
std::vector<double> timeRuns(const QString& program, const QStringList& args, const QString& workDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QVOR_EXIT_WHEN_SHOWN"), QStringLiteral("1"));
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(workDir);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer t;
        t.start();
        p.start(program, args);
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            std::fprintf(stderr, "run of %s failed: %s\n", qPrintable(program), qPrintable(p.errorString()));
            return {};
        }
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--empty") return emptyProgram(argc, argv);

    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    const QString source = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../qvor"));
    // The program keeps Qvor.ini beside itself: a copy in a folder of its own leaves the real one alone.
    QTemporaryDir dir;
    const QString qvor = dir.filePath(QStringLiteral("qvor"));
    if (!dir.isValid() || !QFile::copy(source, qvor)) {
        std::fprintf(stderr, "cannot copy %s into a temporary folder\n", qPrintable(source));
        return 2;
    }
    QFile::setPermissions(qvor, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const auto program = timeRuns(qvor, {}, dir.path());
    const auto empty = timeRuns(self, {QStringLiteral("--empty")}, dir.path());
    if (program.empty() || empty.empty()) return 1;
    const double p = median(program);
    const double e = median(empty);
    std::printf("qvor start-up median:          %8.1f ms (%d runs)\n", p, Runs);
    std::printf("empty Qt Widgets median:       %8.1f ms (%d runs)\n", e, Runs);
    std::printf("ratio qvor / empty:            %8.2f\n", p / e);
    return 0;
}
