#pragma once
// The demo SAP system behind an HTTP server that speaks like SAP's ICF service /sap/bc/soap/rfc:
// POST with basic authentication, sap-client and sap-language in the address, the session cookie
// SAP_SESSIONID_<SID>_<client>, SOAP requests in and answers or faults out.
//
// It runs on libmicrohttpd so that strangers cannot stall it: a few threads serve every connection
// without waiting on any (slow senders cost no thread), each connection's headers and buffers live
// in a fixed memory pool, idle connections are closed, connections per address and in all are
// limited (beyond the limit: HTTP 503), and the credentials are checked before anything else on every
// method and path. Calls run on worker threads while their connection is suspended; answers are
// written as the client reads them.
#include "demosystem/DemoSystem.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct ServerLimits {
    unsigned threads = 4;
    unsigned maxConnections = 256;
    unsigned perAddress = 64;                    // 0: no limit
    unsigned timeoutSeconds = 30;
    std::size_t connectionMemory = 128 * 1024;   // headers and buffers of one connection
    std::size_t maxRequestBytes = 16u << 20;
};

// How the server imitates a loaded or unsteady SAP system.
struct ServerPacing {
    std::chrono::milliseconds delay{0};       // before each answer and between the pieces of an answer
    std::chrono::milliseconds callDelay{0};   // no answer sooner than this after its request came
    unsigned unavailableEvery = 0;            // every n-th RFC_READ_TABLE of a session gets HTTP 503
};

class DemoSoapServer {
public:
    static constexpr std::string_view ServicePath = "/sap/bc/soap/rfc";

    // log receives one line at a time (no newline), from any thread; it never sees a password.
    DemoSoapServer(demo::DemoSystem& system, ServerLimits limits, ServerPacing pacing,
                   std::function<void(const std::string&)> log);
    ~DemoSoapServer();
    DemoSoapServer(const DemoSoapServer&) = delete;
    DemoSoapServer& operator=(const DemoSoapServer&) = delete;

    // Binds and serves on threads of its own: the port (a free one for port 0), or -1 with the
    // reason in error.
    int start(const std::string& address, int port, std::string* error);
    // From any thread: open answers and running calls end; returns once the server's threads have.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
