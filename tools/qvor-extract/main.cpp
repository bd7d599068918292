// qvor-extract: the Import Table of the program without its windows. Logs on, reads a query-table
// file, runs the same calls and writes the same bytes as the program's import; progress goes to
// standard error, the completion text to standard output.
//
// Exit status: 0 done; 1 logon failed; 2 usage error, a query file that is unreadable, no
// complete query file or the output file itself, or a partition field or state file that does not
// fit; 3 output file not writable; 4 the extraction failed in part or whole after logon; 130 / 143
// stopped by SIGINT / SIGTERM (the calls on their way are cancelled and an existing output file is
// left as it was).
#include "StopSignals.h"

#include "sap/EmbeddedTransport.h"
#include "sap/ComponentFactory.h"
#include "sap/SapConnection.h"
#include "sap/SoapTransport.h"
#include "sap/SystemList.h"
#include "tableaccess/ChunkedImportRunner.h"
#include "tableaccess/ImportRunner.h"
#include "tableaccess/QTableFile.h"
#include "tableaccess/QueryFileCheck.h"
#include "util/AppSettings.h"
#include "util/KeyLines.h"
#include "util/SettingsFile.h"
#include "util/StatusPanels.h"
#include "util/UiServices.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>
#include <QUrl>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <limits>
#include <optional>
#include <string>

#ifdef Q_OS_UNIX
#include <termios.h>
#include <unistd.h>
#endif

namespace {

enum ExitCode { Done = 0, LogonFailed = 1, UsageError = 2, OutputNotWritable = 3, ExtractionFailed = 4 };

void printError(const QString& text)
{
    if (text.isEmpty()) return;
    // Messages may span lines (CR LF inside); each goes out as lines of its own.
    QString clean = text;
    clean.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // A server's texts reach here too: no control character of theirs goes raw to a terminal.
    for (qsizetype i = clean.size() - 1; i >= 0; --i) {
        const char16_t c = clean.at(i).unicode();
        if ((c < 0x20 && c != u'\n' && c != u'\t') || (c >= 0x7f && c < 0xa0))
            clean.replace(i, 1, QStringLiteral("\\x%1").arg(int(c), 2, 16, QLatin1Char('0')));
    }
    std::fprintf(stderr, "%s\n", clean.toLocal8Bit().constData());
    std::fflush(stderr);
}

// The terminal in place of the program's dialogs: messages are printed, the logon "dialog" is
// confirmed once with the values of the command line, file dialogs are cancelled.
class TerminalUiServices final : public qvor::UiServices {
public:
    explicit TerminalUiServices(qvor::LogonEntry entry) : entry_(std::move(entry)) {}

    qvor::MsgResult message(const QString& text, qvor::MsgButtons buttons, qvor::MsgIcon, const QString&) override
    {
        printError(text);
        return buttons == qvor::MsgButtons::Ok ? qvor::MsgResult::Ok : qvor::MsgResult::No;
    }
    std::optional<QString> openFileDialog(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> saveFileDialog(const QString&, const QString&, const QString&, bool) override { return {}; }
    bool logonPrompt(const qvor::LogonAttempt& tryLogon) override
    {
        if (prompted_) return false;   // one try only: a second prompt would repeat the same values
        prompted_ = true;
        const QString refusal = tryLogon(entry_);
        printError(refusal);
        return refusal.isEmpty();
    }
    bool startProgram(const QString&, const QStringList&) override { return false; }
    void beginWait() override {}
    void endWait() override {}

private:
    qvor::LogonEntry entry_;
    bool prompted_ = false;
};

QString readPasswordFromTerminal()
{
    std::fprintf(stderr, "Password: ");
    std::fflush(stderr);
    std::string line;
#ifdef Q_OS_UNIX
    termios old {};
    const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &old) == 0;
    if (terminal) {
        termios silent = old;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    std::getline(std::cin, line);
    if (terminal) tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
#else
    std::getline(std::cin, line);
#endif
    std::fprintf(stderr, "\n");
    return QString::fromLocal8Bit(line.c_str());
}

struct Arguments {
    QString queryFile;
    QString outputFile;
    qvor::LogonEntry logon;
    std::optional<QString> separator;
    std::optional<qint32> rows;
    qvor::OutputChoice output;
    qvor::ImportChunking chunking;
    qvor::SystemEntry urlSystem;   // --url, or a listed system whose certificate is not to be checked
};

std::optional<Arguments> parseArguments(QCoreApplication& app, int* exitCode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes the rows of a query table into a data file, as Import Table does."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("QUERY_FILE"), QStringLiteral("the query-table file"));
    parser.addPositionalArgument(QStringLiteral("OUTPUT_FILE"), QStringLiteral("the data file to write"));
    const QCommandLineOption system(QStringLiteral("system"), QStringLiteral("system entry (default DEMO)"), QStringLiteral("NAME"));
    const QCommandLineOption url(QStringLiteral("url"), QStringLiteral("SOAP address of an SAP system"), QStringLiteral("URL"));
    const QCommandLineOption client(QStringLiteral("client"), QStringLiteral("logon client"), QStringLiteral("NNN"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("user name"), QStringLiteral("NAME"));
    const QCommandLineOption language(QStringLiteral("language"), QStringLiteral("logon language (default EN)"), QStringLiteral("LL"));
    const QCommandLineOption separator(QStringLiteral("separator"), QStringLiteral("list separator (default: Qvor.ini, else ;)"), QStringLiteral("TEXT"));
    const QCommandLineOption rows(QStringLiteral("rows"), QStringLiteral("row limit, 0 = all (default: the query file's)"), QStringLiteral("N"));
    const QCommandLineOption insecure(QStringLiteral("insecure"), QStringLiteral("do not verify TLS certificates"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("sap (the program's file, default), csv (for spreadsheets) or xlsx (Excel workbook)"),
                                    QStringLiteral("FORMAT"));
    const QCommandLineOption descriptions(QStringLiteral("descriptions"),
                                          QStringLiteral("csv and xlsx: the field descriptions as a second header line"));
    const QCommandLineOption joinOnKeys(QStringLiteral("join-on-keys"),
                                        QStringLiteral("join the calls' rows by the tables' key fields instead of by position"));
    const QCommandLineOption partition(QStringLiteral("partition"),
                                       QStringLiteral("read in N ranges of the key field FIELD (default N: 8)"),
                                       QStringLiteral("FIELD[:N]"));
    const QCommandLineOption parallel(QStringLiteral("parallel"), QStringLiteral("sessions reading at the same time, 1 to 8"),
                                      QStringLiteral("K"));
    const QCommandLineOption pageRows(QStringLiteral("page-rows"), QStringLiteral("read every call in pages of R rows"),
                                      QStringLiteral("R"));
    const QCommandLineOption resume(QStringLiteral("resume"), QStringLiteral("continue an interrupted partitioned run"));
    parser.addOptions({system, url, client, user, language, separator, rows, insecure, format, descriptions, joinOnKeys, partition, parallel, pageRows, resume});

    *exitCode = UsageError;
    if (!parser.parse(app.arguments())) {
        printError(parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fprintf(stdout, "%s", parser.helpText().toLocal8Bit().constData());
        *exitCode = Done;
        return std::nullopt;
    }
    if (parser.positionalArguments().size() != 2) {
        printError(QStringLiteral("Usage: qvor-extract QUERY_FILE OUTPUT_FILE [--system NAME | --url URL] [--client NNN] "
                                  "[--user NAME] [--language LL] [--separator TEXT] [--rows N] [--insecure] "
                                  "[--format sap|csv|xlsx] [--descriptions] [--join-on-keys] "
                                  "[--partition FIELD[:N]] [--parallel K] [--page-rows R] [--resume]"));
        return std::nullopt;
    }
    if (parser.isSet(system) && parser.isSet(url)) {
        printError(QStringLiteral("--system and --url exclude each other"));
        return std::nullopt;
    }

    Arguments a;
    a.queryFile = parser.positionalArguments().at(0);
    a.outputFile = parser.positionalArguments().at(1);
    if (qvor::QueryFileCheck::sameFile(a.queryFile, a.outputFile)) {
        printError(QStringLiteral("%1: the output file would replace the query file %2").arg(a.outputFile, a.queryFile));
        return std::nullopt;
    }
    if (parser.isSet(url)) {
        QString why;
        const QUrl service = qvor::SoapTransport::serviceUrl(parser.value(url), {}, {}, &why);
        if (!service.isValid()) {
            printError(QStringLiteral("--url: ") + why);
            return std::nullopt;
        }
        // The address itself names the system in messages.
        a.urlSystem.name = service.port() < 0 ? service.host() : service.host() + QLatin1Char(':') + QString::number(service.port());
        a.urlSystem.address = parser.value(url);
        a.urlSystem.verifyTls = !parser.isSet(insecure);
        a.logon.systemName = a.urlSystem.name;
    } else {
        a.logon.systemName = parser.isSet(system) ? parser.value(system) : qvor::EmbeddedTransport::systemEntryName();
    }
    const bool demo = !parser.isSet(url) &&
                      a.logon.systemName.compare(qvor::EmbeddedTransport::systemEntryName(), Qt::CaseInsensitive) == 0;
    qvor::SystemList list;
    if (!parser.isSet(url)) list.load();
    const qvor::SystemEntry* entry = demo ? nullptr : list.find(a.logon.systemName);
    if (entry && parser.isSet(insecure)) {
        a.urlSystem = *entry;
        a.urlSystem.verifyTls = false;
    }
    a.logon.client = parser.isSet(client) ? parser.value(client)
                     : entry && !entry->client.isEmpty() ? entry->client : QStringLiteral("001");
    a.logon.user = parser.isSet(user) ? parser.value(user)
                   : entry && !entry->user.isEmpty() ? entry->user
                   : demo ? QStringLiteral("DEMO") : QString();
    a.logon.language = parser.isSet(language) ? parser.value(language)
                       : entry && !entry->language.isEmpty() ? entry->language : QStringLiteral("EN");
    if (a.logon.user.isEmpty()) {
        printError(QStringLiteral("--user is needed for system %1").arg(a.logon.systemName));
        return std::nullopt;
    }
    if (parser.isSet(separator)) {
        // SAP puts one character between the fields of a row; a longer one could not come back
        // alike in the data lines. A blank there counts as none.
        const QString value = parser.value(separator);
        if (value.size() != 1 || value == QLatin1String(" ") || (!value.at(0).isPrint() && value != QLatin1String("\t"))) {
            printError(QStringLiteral("--separator needs one printable character other than a blank, or a tab"));
            return std::nullopt;
        }
        a.separator = value;
    }
    if (parser.isSet(format)) {
        const auto chosen = qvor::outputFormatNamed(parser.value(format));
        if (!chosen) {
            printError(QStringLiteral("--format is one of sap, csv, xlsx"));
            return std::nullopt;
        }
        a.output.format = *chosen;
    }
    a.output.descriptionRow = parser.isSet(descriptions);
    a.output.joinOnKeys = parser.isSet(joinOnKeys);
    if (parser.isSet(rows)) {
        const auto n = qvor::parseInteger(parser.value(rows));
        if (!n || *n < 0 || *n > std::numeric_limits<qint32>::max()) {
            printError(QStringLiteral("--rows needs a whole number from 0 (all rows) to 2147483647"));
            return std::nullopt;
        }
        a.rows = static_cast<qint32>(*n);
    }
    QString why;
    if (parser.isSet(partition) && !a.chunking.setPartition(parser.value(partition), &why)) {
        printError(QStringLiteral("--partition: ") + why);
        return std::nullopt;
    }
    if (parser.isSet(parallel)) {
        const auto k = qvor::parseInteger(parser.value(parallel));
        a.chunking.parallel = k && *k >= 1 && *k <= qvor::ImportChunking::MaxParallel ? static_cast<int>(*k) : 0;
    }
    if (parser.isSet(pageRows)) {
        const auto r = qvor::parseInteger(parser.value(pageRows));
        a.chunking.pageRows = r && *r >= 0 && *r <= std::numeric_limits<qint32>::max() ? static_cast<qint32>(*r) : -1;
    }
    a.chunking.resume = parser.isSet(resume);
    if (!a.chunking.check(&why)) {
        printError(why);
        return std::nullopt;
    }
    if (a.chunking.resume && a.chunking.partitionField.isEmpty()) {
        printError(QStringLiteral("--resume continues a run with --partition; give the same --partition again"));
        return std::nullopt;
    }

    const QByteArray password = qgetenv("QVOR_PASSWORD");
    if (!password.isEmpty()) a.logon.password = QString::fromLocal8Bit(password);
    else if (demo && a.logon.user.compare(QStringLiteral("DEMO"), Qt::CaseInsensitive) == 0) a.logon.password = QStringLiteral("demo");
    else a.logon.password = readPasswordFromTerminal();
    *exitCode = Done;
    return a;
}

QString listSeparator()
{
    qvor::AppSettings settings;
    const QString path = qvor::settingsFiles().read;
    if (QFileInfo::exists(path)) {
        if (const auto error = qvor::readSettings(path, settings)) printError(error->text());
    }
    qvor::applySeparatorDefault(settings);
    return settings.listSeparator;
}

int runChunked(QCoreApplication& app, qvor::ChunkedImportRunner& runner, const qvor::ImportJob& job,
               const qvor::ImportChunking& chunking, const StopSignals& stop, bool* started)
{
    using Outcome = qvor::ChunkedImportRunner::Outcome;
    int exitCode = ExtractionFailed;
    QObject::connect(&runner, &qvor::ChunkedImportRunner::finished, &app, [&](Outcome outcome) {
        switch (outcome) {
        case Outcome::Done: exitCode = Done; break;
        case Outcome::BadSetup: exitCode = UsageError; break;
        case Outcome::NoSessions: exitCode = LogonFailed; break;
        case Outcome::OutputFailed: exitCode = OutputNotWritable; break;
        case Outcome::Cancelled: exitCode = stop.exitStatus(); break;
        default: exitCode = ExtractionFailed; break;
        }
        if (outcome == Outcome::Done)
            std::fprintf(job.outputPath == QLatin1String("-") ? stderr : stdout, "%s\n",
                         runner.completionText().toLocal8Bit().constData());
        app.quit();
    });
    QMetaObject::invokeMethod(&runner, [&] {
        *started = true;
        runner.start(job, chunking);
    }, Qt::QueuedConnection);
    app.exec();
    return exitCode;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Qvor"));

    int exitCode = Done;
    const auto args = parseArguments(app, &exitCode);
    if (!args) return exitCode;

    // The program's own texts, in English whatever Qvor.ini chose.
    qvor::appSettings() = {};
    TerminalUiServices terminal(args->logon);
    qvor::setUiServices(&terminal);
    QObject::connect(&qvor::panels(), &qvor::StatusPanels::messageChanged, [](const QString& text) {
        // The completion text has its own place on standard output.
        if (!text.startsWith(QStringLiteral("My Table > "))) printError(text);
    });

    QString problem;
    const auto doc = qvor::QueryFileCheck::read(args->queryFile, &problem);
    if (!doc) {
        printError(problem);
        return UsageError;
    }
    qvor::ImportJob job;
    if (!qvor::QTableFile::LoadOrvane(*doc, job.fields, job.options)) return UsageError;
    job.outputPath = args->outputFile;
    job.output = args->output;
    job.separator = args->separator.value_or(listSeparator());
    job.rowLimit = args->rows.value_or(doc->sRows);

    // A reader that goes away (a closed pipe) is a failed write, not the end of the program.
    std::signal(SIGPIPE, SIG_IGN);
    qvor::ImportRunner runner;
    qvor::ChunkedImportRunner chunked;
    bool started = false;
    StopSignals stop;
    QObject::connect(&stop, &StopSignals::stopRequested, &app, [&] {
        if (started) {
            // Ends through finished(Cancelled) once the calls and the file are let go.
            if (args->chunking.active()) chunked.cancel();
            else runner.cancel();
            return;
        }
        // Nothing has been fetched or written yet: there is nothing to undo.
        printError(QStringLiteral("Stopped before the import began"));
        std::fflush(stdout);
        std::_Exit(stop.exitStatus());
    });

    if (!args->urlSystem.name.isEmpty()) qvor::sapConnection().componentFactory().addSystem(args->urlSystem);
    qvor::sapConnection().Connect();
    if (!qvor::sapConnection().connected()) return LogonFailed;

    if (args->chunking.active()) {
        exitCode = runChunked(app, chunked, job, args->chunking, stop, &started);
    } else {
        QObject::connect(&runner, &qvor::ImportRunner::finished, &app, [&](qvor::ImportRunner::Outcome outcome) {
            switch (outcome) {
            case qvor::ImportRunner::Outcome::Done: exitCode = Done; break;
            case qvor::ImportRunner::Outcome::OutputFailed: exitCode = OutputNotWritable; break;
            case qvor::ImportRunner::Outcome::Cancelled: exitCode = stop.exitStatus(); break;
            default: exitCode = ExtractionFailed; break;
            }
            if (outcome == qvor::ImportRunner::Outcome::Done)
                // With the rows on standard output the text goes where the messages go.
                std::fprintf(job.outputPath == QLatin1String("-") ? stderr : stdout, "%s\n",
                             runner.completionText().toLocal8Bit().constData());
            else if (outcome == qvor::ImportRunner::Outcome::GroupsFailed)
                printError(QStringLiteral("The import failed: %1 of its calls failed").arg(runner.failedGroups()));
            app.quit();
        });
        QMetaObject::invokeMethod(&runner, [&] {
            started = true;
            runner.startImport(job);
        }, Qt::QueuedConnection);
        app.exec();
    }

    qvor::sapConnection().closeTimeLogoff();
    qvor::setUiServices(nullptr);
    return exitCode;
}
