// qvor-demo-server: the embedded demo SAP system served over SOAP/HTTP, as SAP's ICF service
// /sap/bc/soap/rfc answers, so the SOAP transport can be tried and tested without a real system.
//
// Exit status: 0 stopped by SIGINT or SIGTERM (within a moment, whatever the clients do); 1 the demo
// system or the address could not be opened; 2 usage error.
#include "DemoSoapServer.h"
#include "ServerSettings.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include <csignal>
#include <pthread.h>

namespace {

std::mutex stderrMutex;

void logLine(const std::string& line)
{
    std::lock_guard lock(stderrMutex);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

std::string urlHost(const std::string& address)
{
    return address.find(':') != std::string::npos ? "[" + address + "]" : address;
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    const std::optional<ServerSettings> settings = ServerSettings::parse(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!settings) {
        std::fprintf(stderr, "qvor-demo-server: %s\n%s", error.c_str(), ServerSettings::usage());
        return 2;
    }
    if (settings->help) {
        std::fputs(ServerSettings::usage(), stdout);
        return 0;
    }

    demo::Options options;
    options.scale = settings->scale;
    options.databasePath = settings->databasePath(std::getenv("QVOR_DEMO_DATABASE"));
    if (options.databasePath.empty()) {
        logLine("generating the demo system in memory (scale " + std::to_string(options.scale) + ") ...");
    } else {
        const std::filesystem::path file(options.databasePath);
        std::error_code ec;
        if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
        logLine("opening the demo system " + options.databasePath +
                (std::filesystem::exists(file, ec) ? std::string(" ...")
                                                   : std::string(" (generating it first; this can take a while) ...")));
    }
    const std::unique_ptr<demo::DemoSystem> system = demo::DemoSystem::open(options, &error);
    if (!system) {
        logLine("qvor-demo-server: " + error);
        return 1;
    }

    if (!settings->failTable.empty()) system->failCallsOf(settings->failTable);

    // Until now a signal simply ends the program (generating can be interrupted). From here on every
    // thread inherits the blocked signals; only this thread takes them, and stops the server.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    system->setProfile(settings->release);
    ServerLimits limits;
    limits.threads = static_cast<unsigned>(settings->threads);
    limits.maxConnections = static_cast<unsigned>(settings->maxConnections);
    limits.perAddress = static_cast<unsigned>(settings->perAddress);
    limits.timeoutSeconds = static_cast<unsigned>(settings->timeoutSeconds);
    ServerPacing pacing;
    pacing.delay = std::chrono::milliseconds(settings->delayMs);
    pacing.callDelay = std::chrono::milliseconds(settings->callDelayMs);
    pacing.unavailableEvery = static_cast<unsigned>(settings->unavailableEvery);
    DemoSoapServer server(*system, limits, pacing, logLine);
    const int port = server.start(settings->bindAddress, settings->port, &error);
    if (port < 0) {
        logLine("qvor-demo-server: cannot listen on " + urlHost(settings->bindAddress) + ":" +
                std::to_string(settings->port) + " (" + error + ")");
        return 1;
    }
    std::printf("listening on http://%s:%d\n", urlHost(settings->bindAddress).c_str(), port);
    std::fflush(stdout);

    int signal = 0;
    while (sigwait(&stopSignals, &signal) != 0 || (signal != SIGINT && signal != SIGTERM)) {
    }
    logLine(std::string("stopping on ") + (signal == SIGINT ? "SIGINT" : "SIGTERM"));
    server.stop();
    return 0;
}
