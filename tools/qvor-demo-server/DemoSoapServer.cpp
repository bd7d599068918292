#include "DemoSoapServer.h"

#include "BasicCredentials.h"
#include "SessionRegistry.h"
#include "sap/SoapReader.h"
#include "sap/SoapWriter.h"

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <sys/socket.h>

namespace {

constexpr const char* XmlType = "text/xml; charset=utf-8";
constexpr const char* HtmlType = "text/html; charset=utf-8";

std::string upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

void trimTrailingBlanks(std::string& s)
{
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    s.resize(n);
}

std::string htmlPage(std::string_view heading, std::string_view text)
{
    std::string page = "<html><head><title>";
    soap::appendEscaped(page, heading);
    page += "</title></head><body><h1>";
    soap::appendEscaped(page, heading);
    page += "</h1><p>";
    soap::appendEscaped(page, text);
    page += "</p></body></html>\n";
    return page;
}

// The value of one cookie among all Cookie headers of the request.
std::string cookieValue(const httplib::Request& req, std::string_view name)
{
    const std::size_t headers = req.get_header_value_count("Cookie");
    for (std::size_t h = 0; h < headers; ++h) {
        const std::string line = req.get_header_value("Cookie", h);
        std::string_view rest(line);
        while (!rest.empty()) {
            const std::size_t semicolon = rest.find(';');
            std::string_view pair = rest.substr(0, semicolon);
            rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
            while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
            const std::size_t eq = pair.find('=');
            if (eq != std::string_view::npos && pair.substr(0, eq) == name) {
                std::string_view value = pair.substr(eq + 1);
                while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
                return std::string(value);
            }
        }
    }
    return {};
}

std::string paramOr(const httplib::Request& req, const char* name, const std::string& fallback)
{
    const std::string value = req.get_param_value(name);
    return value.empty() ? fallback : value;
}

// Writes an answer piece by piece; the next piece is made before the current one goes out, so
// the last piece is known as last and no pause follows it.
struct AnswerPump {
    soap::AnswerStream stream;
    std::string piece;
    bool more = true;

    AnswerPump(std::string function, std::shared_ptr<const rfc::FunctionResult> result)
        : stream(std::move(function), std::move(result))
    {
        fill();
    }
    void fill()
    {
        piece.clear();
        while (more && piece.empty()) more = stream.next(piece);
    }
};

} // namespace

struct DemoSoapServer::Impl {
    demo::DemoSystem& system;
    const std::chrono::milliseconds delay;
    const std::function<void(const std::string&)> log;
    httplib::Server server;
    SessionRegistry sessions;

    std::mutex stateMutex;
    std::atomic<bool> stopping{false};
    bool listening = false;   // under stateMutex
    bool stopCalled = false;  // under stateMutex
    std::atomic<bool> listenEnded{false};
    std::mutex pauseMutex;
    std::condition_variable pauseWake;

    Impl(demo::DemoSystem& s, std::chrono::milliseconds d, std::function<void(const std::string&)> l)
        : system(s), delay(d), log(std::move(l))
    {
    }

    // Waits the configured delay; false when the server stops meanwhile.
    bool pause()
    {
        if (delay.count() > 0) {
            std::unique_lock lock(pauseMutex);
            pauseWake.wait_for(lock, delay, [this] { return stopping.load(); });
        }
        return !stopping;
    }

    std::string cookieName(const std::string& client) const
    {
        return "SAP_SESSIONID_" + system.identity().sid + "_" + client;
    }

    void sendFault(httplib::Response& res, const std::string& function, const std::string& exception,
                   const std::string& text)
    {
        pause();
        res.status = 500;
        res.set_content(soap::faultMessage(function, exception, text), XmlType);
    }

    void handle(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader* reader)
    {
        // A body left unread by a refusal is skipped by httplib, so the connection stays in step.
        if (req.path != ServicePath && req.path != std::string(ServicePath) + "/") {
            pause();
            res.status = 404;
            res.set_content(htmlPage("Service cannot be reached", "No service is active at " + req.path + "."), HtmlType);
            return;
        }
        if (req.method != "POST" || !reader) {
            pause();
            res.status = 405;
            res.set_header("Allow", "POST");
            res.set_content(htmlPage("Method not allowed", "The RFC service takes POST requests only."), HtmlType);
            return;
        }

        demo::Session logon;
        logon.client = paramOr(req, "sap-client", system.identity().client);
        logon.language = upper(paramOr(req, "sap-language", "EN"));
        const std::optional<BasicCredentials> credentials = BasicCredentials::fromHeader(req.get_header_value("Authorization"));
        std::string refusal = "No user name and password were sent";
        if (credentials) {
            logon.user = credentials->user;
            refusal = system.logon(logon, credentials->password);
        }
        if (!refusal.empty()) {
            pause();
            refuseLogon(logon.client, refusal, res);
            return;
        }
        logon.user = upper(logon.user);
        openOrReuseSession(req, logon, res);

        soap::SoapReader soapReader;
        soapReader.setTableNames({"OPTIONS", "FIELDS", "DATA"});
        std::size_t received = 0;
        bool tooLarge = false;
        const bool read = (*reader)([&](const char* data, std::size_t n) {
            received += n;
            if (received > MaxRequestBytes) {
                tooLarge = true;
                return false;
            }
            // A faulty message is read to its end all the same, so the connection stays in step.
            soapReader.feed(std::string_view(data, n));
            return true;
        });
        if (!read || tooLarge) {
            // Either the body is too large or the client stopped sending it: this connection is done.
            res.set_header("Connection", "close");
            if (tooLarge || res.status == 413) {
                log("request from " + req.remote_addr + " refused: larger than " + std::to_string(MaxRequestBytes) + " bytes");
                res.status = 413;
                res.set_content(htmlPage("Request too large", "The request is larger than the service accepts."), HtmlType);
            } else {
                res.status = 400;
            }
            return;
        }
        if (!soapReader.finish() || soapReader.kind() != soap::SoapReader::Kind::Request) {
            const std::string reason = !soapReader.error().empty() ? soapReader.error()
                                                                   : std::string("the message is not a function call");
            log("request from " + req.remote_addr + " refused: " + reason);
            sendFault(res, "", "", "The request cannot be read: " + reason);
            return;
        }
        answerCall(soapReader.takeCall(), logon, res);
    }

    void refuseLogon(const std::string& client, const std::string& refusal, httplib::Response& res)
    {
        const bool clientLike = client.size() == 3 && client.find_first_not_of("0123456789") == std::string::npos;
        const std::string realmClient = clientLike ? client : system.identity().client;
        res.status = 401;
        res.set_header("WWW-Authenticate",
                       "Basic realm=\"SAP NetWeaver Application Server [" + system.identity().sid + "/" + realmClient + "]\"");
        res.set_content(htmlPage("Logon failed", refusal), HtmlType);
    }

    void openOrReuseSession(const httplib::Request& req, const demo::Session& logon, httplib::Response& res)
    {
        const std::string name = cookieName(logon.client);
        const std::string id = cookieValue(req, name);
        if (!id.empty() && sessions.reuse(id, logon)) return;
        const SessionRegistry::Opened opened = sessions.open(logon);
        res.set_header("Set-Cookie", name + "=" + opened.id + "; path=/");
        log("session " + std::to_string(opened.number) + " opened for " + logon.user + " client " + logon.client);
    }

    void answerCall(rfc::FunctionCall call, const demo::Session& logon, httplib::Response& res)
    {
        // ABAP character semantics: trailing blanks of a scalar value carry no meaning.
        for (auto& [name, value] : call.parameters) trimTrailingBlanks(value);
        rfc::FunctionResult result;
        try {
            result = system.call(logon, call);
        } catch (const std::exception& e) {
            result = rfc::FunctionResult();
            result.exception = "SYSTEM_FAILURE";
            result.message = e.what();
        }
        if (!result.ok()) {
            sendFault(res, call.name, result.exception, result.message);
            return;
        }
        // SAP answers only the tables it was sent.
        std::erase_if(result.tables, [&](const auto& table) { return !call.tables.count(table.first); });

        auto pump = std::make_shared<AnswerPump>(call.name, std::make_shared<const rfc::FunctionResult>(std::move(result)));
        if (!pause()) {
            res.status = 503;
            res.set_content(htmlPage("Service unavailable", "The server is stopping."), HtmlType);
            return;
        }
        res.status = 200;
        res.set_chunked_content_provider(XmlType, [this, pump](std::size_t, httplib::DataSink& sink) {
            if (stopping) return false;
            // A failed write means the client went away: end this answer without a word.
            if (!pump->piece.empty() && !sink.write(pump->piece.data(), pump->piece.size())) return false;
            pump->fill();
            if (pump->piece.empty()) {
                sink.done();
                return true;
            }
            return pause();
        });
    }
};

DemoSoapServer::DemoSoapServer(demo::DemoSystem& system, std::chrono::milliseconds delay,
                               std::function<void(const std::string&)> log)
    : impl_(std::make_unique<Impl>(system, delay, std::move(log)))
{
    httplib::Server& server = impl_->server;
    Impl* impl = impl_.get();
    server.set_payload_max_length(MaxRequestBytes);
    server.set_read_timeout(30, 0);
    server.set_write_timeout(60, 0);
    server.set_keep_alive_max_count(100);
    server.set_keep_alive_timeout(5);
    server.set_tcp_nodelay(true);
    // httplib would share the port with another process (SO_REUSEPORT); one server per port is wanted.
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });

    server.Post(".*", [impl](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
        impl->handle(req, res, &reader);
    });
    const auto plain = [impl](const httplib::Request& req, httplib::Response& res) { impl->handle(req, res, nullptr); };
    server.Get(".*", plain);
    server.Put(".*", plain);
    server.Patch(".*", plain);
    server.Delete(".*", plain);
    server.Options(".*", plain);
    server.set_exception_handler([impl](const httplib::Request&, httplib::Response& res, std::exception_ptr error) {
        std::string text = "unexpected failure";
        try {
            if (error) std::rethrow_exception(error);
        } catch (const std::exception& e) {
            text = e.what();
        } catch (...) {
        }
        impl->log("request failed: " + text);
        res.status = 500;
        // Without a function there is no exception detail; the client reads a SYSTEM_FAILURE.
        res.set_content(soap::faultMessage("", "", "SYSTEM_FAILURE: " + text), XmlType);
    });
}

DemoSoapServer::~DemoSoapServer()
{
    stop();
}

int DemoSoapServer::bind(const std::string& address, int port)
{
    if (port == 0) return impl_->server.bind_to_any_port(address);
    return impl_->server.bind_to_port(address, port) ? port : -1;
}

bool DemoSoapServer::listen()
{
    {
        std::lock_guard lock(impl_->stateMutex);
        if (impl_->stopping) return true;
        impl_->listening = true;
    }
    const bool ok = impl_->server.listen_after_bind();
    impl_->listenEnded = true;
    return ok;
}

void DemoSoapServer::stop()
{
    {
        std::lock_guard lock(impl_->stateMutex);
        impl_->stopping = true;
    }
    {
        std::lock_guard lock(impl_->pauseMutex);
        impl_->pauseWake.notify_all();
    }
    {
        std::lock_guard lock(impl_->stateMutex);
        if (!impl_->listening || impl_->stopCalled) return;
        impl_->stopCalled = true;
    }
    // httplib's stop() only reaches a server that already runs; listen() may just be starting it.
    while (!impl_->listenEnded) {
        if (impl_->server.is_running()) {
            impl_->server.stop();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
