#include "DemoSoapServer.h"

#include "AnswerSource.h"
#include "BasicCredentials.h"
#include "CallWorkers.h"
#include "SessionRegistry.h"
#include "SuspendedConnections.h"
#include "sap/SoapReader.h"
#include "sap/SoapWriter.h"

#include <microhttpd.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

namespace {

constexpr const char* XmlType = "text/xml; charset=utf-8";
constexpr const char* HtmlType = "text/html; charset=utf-8";
// The body of a refused request up to this size is read and dropped, so a kept-alive connection stays
// in step; a larger one is not read at all: the refusal goes out at once and the connection closes.
constexpr std::uint64_t RefusalBodyLimit = 64 * 1024;

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

MHD_Response* textResponse(const std::string& body, const char* type)
{
    MHD_Response* r = MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (r) MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    return r;
}

std::string lookup(MHD_Connection* c, MHD_ValueKind kind, const char* name)
{
    const char* value = MHD_lookup_connection_value(c, kind, name);
    return value ? std::string(value) : std::string();
}

std::string remoteAddress(MHD_Connection* c)
{
    const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    char text[INET6_ADDRSTRLEN] = "?";
    if (info && info->client_addr) {
        const sockaddr* a = info->client_addr;
        if (a->sa_family == AF_INET) inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a)->sin_addr, text, sizeof text);
        else if (a->sa_family == AF_INET6) inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(a)->sin6_addr, text, sizeof text);
    }
    return text;
}

// The size of the request body the client announced; nothing when it did not say (chunked).
std::optional<std::uint64_t> announcedBodySize(MHD_Connection* c)
{
    const std::string length = lookup(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    if (length.empty()) {
        if (lookup(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_TRANSFER_ENCODING).empty()) return 0;
        return std::nullopt;
    }
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(length.data(), length.data() + length.size(), value);
    if (ec != std::errc() || end != length.data() + length.size()) return std::nullopt;
    return value;
}

// One request, from its headers to its answer.
struct Exchange {
    enum class Stage { Refusing, Reading, Calling };
    Stage stage = Stage::Refusing;      // until the request is known to be one to answer
    MHD_Response* response = nullptr;   // prepared, not yet queued
    unsigned status = 0;
    bool waited = false;                // the delay before the answer has passed
    SuspendedConnections::Clock::time_point arrived = SuspendedConnections::Clock::now();
    std::string remote;
    std::string sessionId;
    std::string setCookie;
    demo::Session logon;
    std::unique_ptr<soap::SoapReader> reader;
    std::uint64_t received = 0;
    // Written by the worker before it resumes the connection.
    std::atomic<bool> answered{false};
    std::string function;
    rfc::FunctionResult result;

    ~Exchange()
    {
        if (response) MHD_destroy_response(response);
    }
    void prepare(unsigned code, MHD_Response* r)
    {
        if (response) MHD_destroy_response(response);
        status = code;
        response = r;
    }
};
using ExchangeSlot = std::shared_ptr<Exchange>;

} // namespace

struct DemoSoapServer::Impl {
    demo::DemoSystem& system;
    const ServerLimits limits;
    const ServerPacing pacing;
    const std::function<void(const std::string&)> log;
    SessionRegistry sessions;
    SuspendedConnections suspensions;
    CallWorkers workers{2};
    std::atomic<bool> stopping{false};
    std::atomic<unsigned> open{0};
    std::mutex stopMutex;
    MHD_Daemon* daemon = nullptr;

    Impl(demo::DemoSystem& s, ServerLimits l, ServerPacing p, std::function<void(const std::string&)> lg)
        : system(s), limits(l), pacing(p), log(std::move(lg))
    {
    }

    static MHD_Result onRequest(void* cls, MHD_Connection* c, const char* url, const char* method, const char*,
                                const char* upload, std::size_t* size, void** slot)
    {
        Impl& self = *static_cast<Impl*>(cls);
        if (!*slot) {
            auto* fresh = new ExchangeSlot(std::make_shared<Exchange>());
            *slot = fresh;
            return self.begin(c, url, method, **fresh);
        }
        ExchangeSlot& exchange = *static_cast<ExchangeSlot*>(*slot);
        if (*size > 0) {
            const std::size_t n = *size;
            *size = 0;
            return self.takeBody(*exchange, upload, n);
        }
        return self.proceed(c, exchange);
    }

    static void onCompleted(void*, MHD_Connection*, void** slot, MHD_RequestTerminationCode)
    {
        delete static_cast<ExchangeSlot*>(*slot);
        *slot = nullptr;
    }

    static void onConnection(void* cls, MHD_Connection*, void**, MHD_ConnectionNotificationCode code)
    {
        Impl& self = *static_cast<Impl*>(cls);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) ++self.open;
        else --self.open;
    }

    static void onLibraryMessage(void* cls, const char* format, va_list arguments)
    {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        std::string line = "libmicrohttpd: ";
        line += text;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        static_cast<Impl*>(cls)->log(line);
    }

    soap::ReaderLimits requestLimits() const
    {
        // RFC_READ_TABLE has three tables and five parameters; the rows of DATA sent along go to disk.
        soap::ReaderLimits r;
        r.maxMessageBytes = limits.maxRequestBytes;
        r.maxTables = 16;
        r.maxParameters = 64;
        r.maxHeldBytes = 16u << 20;
        return r;
    }

    MHD_Result begin(MHD_Connection* c, const char* url, const char* method, Exchange& x)
    {
        x.remote = remoteAddress(c);
        if (stopping) return refuseNow(c, x, 503, htmlPage("Service unavailable", "The server is stopping."));
        if (open > limits.maxConnections) {
            log("request from " + x.remote + " refused: more than " + std::to_string(limits.maxConnections) + " connections");
            return refuseNow(c, x, 503, htmlPage("Service unavailable", "Too many connections; try again later."));
        }

        // The credentials come first, whatever the method and the path.
        const std::string client = lookup(c, MHD_GET_ARGUMENT_KIND, "sap-client");
        const std::string language = lookup(c, MHD_GET_ARGUMENT_KIND, "sap-language");
        x.logon.client = client.empty() ? system.identity().client : client;
        x.logon.language = upper(language.empty() ? std::string("EN") : language);
        const auto credentials = BasicCredentials::fromHeader(lookup(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_AUTHORIZATION));
        std::string refusal = "No user name and password were sent";
        if (credentials) {
            x.logon.user = credentials->user;
            refusal = system.logon(x.logon, credentials->password);
        }
        if (!refusal.empty()) return refuse(c, x, 401, logonRefusal(x.logon.client, refusal));
        x.logon.user = upper(x.logon.user);

        const std::string_view path(url);
        if (path != ServicePath && !(path.size() == ServicePath.size() + 1 && path.starts_with(ServicePath) && path.back() == '/'))
            return refuse(c, x, 404, textResponse(htmlPage("Service cannot be reached", "No service is active at " + std::string(path) + "."), HtmlType));
        if (std::strcmp(method, MHD_HTTP_METHOD_POST) != 0) {
            MHD_Response* r = textResponse(htmlPage("Method not allowed", "The RFC service takes POST requests only."), HtmlType);
            if (r) MHD_add_response_header(r, MHD_HTTP_HEADER_ALLOW, "POST");
            return refuse(c, x, 405, r);
        }
        const auto announced = announcedBodySize(c);
        if (announced && *announced > limits.maxRequestBytes) {
            log("request from " + x.remote + " refused: larger than " + std::to_string(limits.maxRequestBytes) + " bytes");
            return refuseNow(c, x, 413, htmlPage("Request too large", "The request is larger than the service accepts."));
        }
        openOrReuseSession(c, x);
        x.stage = Exchange::Stage::Reading;
        x.reader = std::make_unique<soap::SoapReader>(requestLimits());
        x.reader->setTableNames({"OPTIONS", "FIELDS", "DATA"});
        return MHD_YES;
    }

    MHD_Response* logonRefusal(const std::string& client, const std::string& refusal)
    {
        const bool clientLike = client.size() == 3 && client.find_first_not_of("0123456789") == std::string::npos;
        const std::string realm = "Basic realm=\"SAP NetWeaver Application Server [" + system.identity().sid + "/" +
                                  (clientLike ? client : system.identity().client) + "]\"";
        MHD_Response* r = textResponse(htmlPage("Logon failed", refusal), HtmlType);
        if (r) MHD_add_response_header(r, MHD_HTTP_HEADER_WWW_AUTHENTICATE, realm.c_str());
        return r;
    }

    // A small body is read and dropped before the refusal goes out; anything else is refused at once.
    MHD_Result refuse(MHD_Connection* c, Exchange& x, unsigned status, MHD_Response* response)
    {
        if (!response) return MHD_NO;
        x.prepare(status, response);
        const auto announced = announcedBodySize(c);
        if (announced && *announced <= RefusalBodyLimit) {
            x.stage = Exchange::Stage::Refusing;
            return MHD_YES;
        }
        return queue(c, x, false);
    }

    MHD_Result refuseNow(MHD_Connection* c, Exchange& x, unsigned status, const std::string& page)
    {
        MHD_Response* r = textResponse(page, HtmlType);
        if (!r) return MHD_NO;
        MHD_add_response_header(r, MHD_HTTP_HEADER_CONNECTION, "close");
        x.prepare(status, r);
        return queue(c, x, false);
    }

    void openOrReuseSession(MHD_Connection* c, Exchange& x)
    {
        const std::string name = "SAP_SESSIONID_" + system.identity().sid + "_" + x.logon.client;
        const std::string id = lookup(c, MHD_COOKIE_KIND, name.c_str());
        if (!id.empty() && sessions.reuse(id, x.logon)) {
            x.sessionId = id;
            return;
        }
        const SessionRegistry::Opened opened = sessions.open(x.logon);
        x.sessionId = opened.id;
        x.setCookie = name + "=" + opened.id + "; path=/";
        log("session " + std::to_string(opened.number) + " opened for " + x.logon.user + " client " + x.logon.client);
    }

    MHD_Result takeBody(Exchange& x, const char* data, std::size_t n)
    {
        x.received += n;
        if (x.stage == Exchange::Stage::Refusing) return x.received <= RefusalBodyLimit ? MHD_YES : MHD_NO;
        if (x.stage != Exchange::Stage::Reading) return MHD_NO;
        if (x.received > limits.maxRequestBytes) {
            // Only a body that did not announce its size gets here; it cannot be answered any more.
            log("request from " + x.remote + " cut off: larger than " + std::to_string(limits.maxRequestBytes) + " bytes");
            return MHD_NO;
        }
        // A faulty message is read to its end all the same, so the connection stays in step.
        x.reader->feed(std::string_view(data, n));
        return MHD_YES;
    }

    MHD_Result proceed(MHD_Connection* c, const ExchangeSlot& slot)
    {
        Exchange& x = *slot;
        if (stopping) return MHD_NO;
        if (x.response) return queue(c, x, true);
        if (x.stage == Exchange::Stage::Reading) {
            if (!x.reader->finish() || x.reader->kind() != soap::SoapReader::Kind::Request) {
                const std::string reason = !x.reader->error().empty() ? x.reader->error() : std::string("the message is not a function call");
                log("request from " + x.remote + " refused: " + reason);
                x.prepare(500, textResponse(soap::faultMessage("", "", "The request cannot be read: " + reason), XmlType));
                return x.response ? queue(c, x, true) : MHD_NO;
            }
            rfc::FunctionCall call = x.reader->takeCall();
            x.reader.reset();
            if (pacing.unavailableEvery > 0 && call.name == "RFC_READ_TABLE" &&
                sessions.countRead(x.sessionId) % pacing.unavailableEvery == 0) {
                x.prepare(503, textResponse(htmlPage("Service unavailable", "The system is busy; try again later."), HtmlType));
                return x.response ? queue(c, x, true) : MHD_NO;
            }
            x.stage = Exchange::Stage::Calling;
            const SuspendedConnections::Ticket ticket = suspensions.suspend(c);
            if (!ticket) return MHD_NO;
            workers.post([this, slot, ticket, call = std::move(call)]() mutable {
                runCall(*slot, std::move(call));
                suspensions.resume(ticket);
            });
            return MHD_YES;
        }
        // Called again before the suspension took hold: keep waiting for the worker.
        if (!x.answered.load(std::memory_order_acquire)) return MHD_YES;
        if (!prepareAnswer(c, x)) return MHD_NO;
        return queue(c, x, true);
    }

    void runCall(Exchange& x, rfc::FunctionCall call)
    {
        // ABAP character semantics: trailing blanks of a scalar value carry no meaning.
        for (auto& [name, value] : call.parameters) trimTrailingBlanks(value);
        std::set<std::string> sent;
        for (const auto& [name, table] : call.tables) sent.insert(name);
        x.function = call.name;
        rfc::FunctionResult result;
        try {
            result = system.call(x.logon, std::move(call));
        } catch (const std::exception& e) {
            result = rfc::FunctionResult();
            result.exception = "SYSTEM_FAILURE";
            result.message = e.what();
        }
        // SAP answers only the tables it was sent.
        if (result.ok()) std::erase_if(result.tables, [&](const auto& table) { return !sent.count(table.first); });
        x.result = std::move(result);
        x.answered.store(true, std::memory_order_release);
    }

    bool prepareAnswer(MHD_Connection* c, Exchange& x)
    {
        if (!x.result.ok()) {
            x.prepare(500, textResponse(soap::faultMessage(x.function, x.result.exception, x.result.message), XmlType));
            return x.response != nullptr;
        }
        auto* source = new AnswerSource(x.function, std::make_shared<const rfc::FunctionResult>(std::move(x.result)), c,
                                        suspensions, pacing.delay, stopping);
        MHD_Response* r = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, AnswerSource::PieceBytes, &AnswerSource::read,
                                                            source, &AnswerSource::release);
        if (!r) {
            delete source;
            return false;
        }
        MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_TYPE, XmlType);
        x.prepare(200, r);
        return true;
    }

    // Queues the prepared response; with a delay (and mayWait) the connection waits for it first.
    MHD_Result queue(MHD_Connection* c, Exchange& x, bool mayWait)
    {
        if (mayWait && !x.waited) {
            x.waited = true;
            const auto now = SuspendedConnections::Clock::now();
            const auto until = std::max(now + pacing.delay, x.arrived + pacing.callDelay);
            if (until > now) return suspensions.suspendUntil(c, until) ? MHD_YES : MHD_NO;
        }
        if (!x.setCookie.empty()) MHD_add_response_header(x.response, MHD_HTTP_HEADER_SET_COOKIE, x.setCookie.c_str());
        const MHD_Result queued = MHD_queue_response(c, x.status, x.response);
        MHD_destroy_response(x.response);
        x.response = nullptr;
        return queued;
    }
};

DemoSoapServer::DemoSoapServer(demo::DemoSystem& system, ServerLimits limits, ServerPacing pacing,
                               std::function<void(const std::string&)> log)
    : impl_(std::make_unique<Impl>(system, limits, pacing, std::move(log)))
{
}

DemoSoapServer::~DemoSoapServer() { stop(); }

int DemoSoapServer::start(const std::string& address, int port, std::string* error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (getaddrinfo(address.c_str(), nullptr, &hints, &found) != 0 || !found) {
        if (error) *error = "the address " + address + " cannot be resolved";
        return -1;
    }
    sockaddr_storage bindTo{};
    std::memcpy(&bindTo, found->ai_addr, found->ai_addrlen);
    freeaddrinfo(found);
    const bool v6 = bindTo.ss_family == AF_INET6;
    if (v6) reinterpret_cast<sockaddr_in6*>(&bindTo)->sin6_port = htons(static_cast<std::uint16_t>(port));
    else reinterpret_cast<sockaddr_in*>(&bindTo)->sin_port = htons(static_cast<std::uint16_t>(port));

    Impl& impl = *impl_;
    const ServerLimits& l = impl.limits;
    // libmicrohttpd's own limit lies above ours, so that the connections just beyond ours still hear a 503.
    const unsigned hardLimit = l.maxConnections + std::max(16u, l.maxConnections / 4);
    unsigned flags = MHD_USE_AUTO_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG;
    if (v6) flags |= MHD_USE_IPv6;
    impl.daemon = MHD_start_daemon(
        flags, static_cast<std::uint16_t>(port), nullptr, nullptr, &Impl::onRequest, &impl,
        MHD_OPTION_EXTERNAL_LOGGER, &Impl::onLibraryMessage, &impl,   // first, so it hears everything
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&bindTo),
        MHD_OPTION_THREAD_POOL_SIZE, l.threads,
        MHD_OPTION_CONNECTION_LIMIT, hardLimit,
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, l.perAddress,
        MHD_OPTION_CONNECTION_TIMEOUT, l.timeoutSeconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, l.connectionMemory,
        MHD_OPTION_NOTIFY_COMPLETED, &Impl::onCompleted, &impl,
        MHD_OPTION_NOTIFY_CONNECTION, &Impl::onConnection, &impl,
        MHD_OPTION_END);
    if (!impl.daemon) {
        if (error) *error = "address not available or port in use";
        return -1;
    }
    const MHD_DaemonInfo* info = MHD_get_daemon_info(impl.daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info ? info->port : port;
}

void DemoSoapServer::stop()
{
    Impl& impl = *impl_;
    std::lock_guard lock(impl.stopMutex);
    if (!impl.daemon) return;
    impl.stopping = true;
    impl.system.interrupt();
    // Nothing may stay suspended when the daemon stops; resumed requests see `stopping` and end.
    impl.suspensions.resumeAll();
    impl.workers.stop();
    MHD_stop_daemon(impl.daemon);
    impl.daemon = nullptr;
}
