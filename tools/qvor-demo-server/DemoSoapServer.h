#pragma once
// The demo SAP system behind an HTTP server that speaks like SAP's ICF service /sap/bc/soap/rfc:
// POST with basic authentication, sap-client and sap-language in the address, the session cookie
// SAP_SESSIONID_<SID>_<client>, SOAP requests in and answers or faults out. Answers are streamed in
// pieces, so a read of a million rows never sits in memory as one text.
#include "demosystem/DemoSystem.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class DemoSoapServer {
public:
    static constexpr std::string_view ServicePath = "/sap/bc/soap/rfc";
    static constexpr std::size_t MaxRequestBytes = 16u << 20;

    // log receives one line at a time (no newline), from any thread; it never sees a password.
    // delay: waited before each answer and between the pieces of a streamed answer.
    DemoSoapServer(demo::DemoSystem& system, std::chrono::milliseconds delay,
                   std::function<void(const std::string&)> log);
    ~DemoSoapServer();
    DemoSoapServer(const DemoSoapServer&) = delete;
    DemoSoapServer& operator=(const DemoSoapServer&) = delete;

    // The port now bound (a free one for port 0), or -1 when the address cannot be bound.
    int bind(const std::string& address, int port);
    // Serves until stop(); false when serving could not start.
    bool listen();
    // From any thread, also before listen() has started: listen() then returns at once. Answers being
    // streamed end early.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
