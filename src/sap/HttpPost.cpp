#include "sap/HttpPost.h"

#include "sap/HttpConnections.h"

#include <curl/curl.h>

#include <algorithm>
#include <climits>

namespace qvor {
namespace {

// The heads of one answer together, interim ones (100 Continue) included.
constexpr qint64 MaxHeadBytes = 64 * 1024;
// Body bytes taken before the transfer pauses once so that the event loop runs.
constexpr qint64 SliceBytes = 2 << 20;
constexpr long ReceiveBuffer = 128 * 1024;

CURL* easyOf(void* e) { return static_cast<CURL*>(e); }

QString trimmedText(const char* text)
{
    QString s = QString::fromUtf8(text).trimmed();
    while (s.endsWith(QLatin1Char('.'))) s.chop(1);
    return s;
}

} // namespace

HttpPost::HttpPost(std::shared_ptr<HttpConnections> connections, QObject* parent)
    : QObject(parent), connections_(std::move(connections))
{
    idle_.setSingleShot(true);
    connect(&idle_, &QTimer::timeout, this, [this] { abort(Failure::Timeout); });
    resume_.setSingleShot(true);
    connect(&resume_, &QTimer::timeout, this, [this] {
        if (easy_ && !done_) curl_easy_pause(easyOf(easy_), CURLPAUSE_CONT);
    });
}

HttpPost::~HttpPost() { release(); }

void HttpPost::start(const Request& request, BodyTaker takeBody)
{
    request_ = request;
    takeBody_ = std::move(takeBody);
    CURL* easy = curl_easy_init();
    easy_ = easy;
    if (!easy) return complete(Failure::Other, QStringLiteral("libcurl could not start a transfer"));

    curl_slist* headers = nullptr;
    for (const auto& [name, value] : request_.headers) headers = curl_slist_append(headers, (name + ": " + value).constData());
    headers = curl_slist_append(headers, "Expect:");   // the body goes at once, without waiting for 100 Continue
    headerList_ = headers;

    const QByteArray url = request_.url.toEncoded();
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request_.body.constData());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request_.body.size()));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, ReceiveBuffer);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpPost::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpPost::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &HttpPost::onConnected);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);

    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::min(request_.connectTimeoutMs, request_.timeoutMs)));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(std::min<qint64>(request_.callLimitMs, LONG_MAX)));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(request_.lowSpeedBytesPerSecond));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(std::max(1, (request_.timeoutMs + 999) / 1000)));

    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, request_.verifyTls ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, request_.verifyTls ? 2L : 0L);
    if (!request_.caFile.isEmpty()) curl_easy_setopt(easy, CURLOPT_CAINFO, request_.caFile.toLocal8Bit().constData());
    if (!request_.clientCertificate.isEmpty()) {
        curl_easy_setopt(easy, CURLOPT_SSLCERT, request_.clientCertificate.toLocal8Bit().constData());
        curl_easy_setopt(easy, CURLOPT_SSLCERTTYPE, "PEM");
    }
    if (!request_.clientKey.isEmpty()) {
        curl_easy_setopt(easy, CURLOPT_SSLKEY, request_.clientKey.toLocal8Bit().constData());
        curl_easy_setopt(easy, CURLOPT_SSLKEYTYPE, "PEM");
    }
    if (!request_.proxy.isEmpty()) curl_easy_setopt(easy, CURLOPT_PROXY, request_.proxy.toUtf8().constData());
    // The proxy's own answer to CONNECT is not the system's answer.
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

    sinceStart_.start();
    lastByte_.start();
    idle_.start(request_.timeoutMs);
    if (!connections_->add(easy)) complete(Failure::Other, QStringLiteral("libcurl could not start a transfer"));
}

int HttpPost::onConnected(void* self, char*, char*, int, int)
{
    static_cast<HttpPost*>(self)->connected_ = true;
    return CURL_PREREQFUNC_OK;
}

void HttpPost::abort(Failure why, const QString& detail)
{
    if (done_) return;
    if (inCallback_) {
        // libcurl must not be told from inside its own callbacks; the callback ends the transfer.
        failure_ = why;
        errorString_ = detail;
        return;
    }
    complete(why, detail);
}

void HttpPost::received()
{
    lastByte_.start();
    idle_.start(request_.timeoutMs);
}

std::size_t HttpPost::onHeader(char* data, std::size_t size, std::size_t count, void* self)
{
    auto* post = static_cast<HttpPost*>(self);
    const std::size_t n = size * count;
    if (post->done_ || post->failure_ != Failure::None) return 0;
    post->received();
    post->headBytes_ += static_cast<qint64>(n);
    if (post->headBytes_ > MaxHeadBytes) {
        post->failure_ = Failure::Malformed;
        post->errorString_ = QStringLiteral("the answer's head is too long");
        return 0;
    }
    return post->takeHeaderLine(std::string_view(data, n)) ? n : 0;
}

bool HttpPost::takeHeaderLine(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.starts_with("HTTP/")) {
        // A new head: after an interim answer the real one follows, and only its headers count.
        const QList<QByteArray> parts = QByteArray(line.data(), static_cast<qsizetype>(line.size())).split(' ');
        bool ok = false;
        status_ = parts.value(1).toInt(&ok);
        if (!ok || status_ < 100) {
            failure_ = Failure::Malformed;
            errorString_ = QStringLiteral("the answer is not HTTP");
            return false;
        }
        reason_ = QString::fromLatin1(parts.mid(2).join(' '));
        setCookies_.clear();
        return true;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return true;
    const QByteArray name = QByteArray(line.data(), static_cast<qsizetype>(colon)).trimmed().toLower();
    const QByteArray value = QByteArray(line.data() + colon + 1, static_cast<qsizetype>(line.size() - colon - 1)).trimmed();
    if (name == "set-cookie") {
        const qsizetype attributes = value.indexOf(';');
        setCookies_ << (attributes < 0 ? value : value.left(attributes)).trimmed();
    } else if (name == "content-encoding" && value.toLower() != "identity") {
        failure_ = Failure::Malformed;
        errorString_ = QStringLiteral("the answer is compressed (%1)").arg(QString::fromLatin1(value));
        return false;
    }
    return true;
}

std::size_t HttpPost::onBody(char* data, std::size_t size, std::size_t count, void* self)
{
    auto* post = static_cast<HttpPost*>(self);
    const std::size_t n = size * count;
    if (post->done_ || post->failure_ != Failure::None) return 0;
    post->received();
    if (post->sliceBytes_ >= SliceBytes) {
        // The same bytes come again once the transfer continues.
        post->sliceBytes_ = 0;
        post->resume_.start(0);
        return CURL_WRITEFUNC_PAUSE;
    }
    post->sliceBytes_ += static_cast<qint64>(n);
    post->inCallback_ = true;
    const bool taken = post->takeBody_(std::string_view(data, n));
    post->inCallback_ = false;
    if (post->failure_ != Failure::None) return 0;
    if (!taken) {
        post->failure_ = Failure::Stopped;
        return 0;
    }
    return n;
}

void HttpPost::transferDone(int curlCode)
{
    if (done_) return;
    if (failure_ != Failure::None) return complete(failure_, errorString_);
    classify(curlCode);
}

void HttpPost::classify(int curlCode)
{
    const auto code = static_cast<CURLcode>(curlCode);
    const QString detail = errorBuffer_[0] ? trimmedText(errorBuffer_) : trimmedText(curl_easy_strerror(code));
    long proxyAnswer = 0;
    curl_easy_getinfo(easyOf(easy_), CURLINFO_HTTP_CONNECTCODE, &proxyAnswer);
    const bool tls = request_.url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    switch (code) {
    case CURLE_OK:
        return complete(Failure::None);
    case CURLE_COULDNT_CONNECT:
        return complete(request_.proxy.isEmpty() ? Failure::Refused : Failure::Proxy, detail);
    case CURLE_COULDNT_RESOLVE_HOST:
        return complete(Failure::HostNotFound, detail);
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_PROXY:
        return complete(Failure::Proxy, detail);
    case CURLE_OPERATION_TIMEDOUT:
        return timedOut();
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        tlsErrors_ << detail;
        return complete(Failure::Tls, detail);
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
        return complete(Failure::TlsFiles, detail);
    case CURLE_SSL_CONNECT_ERROR:
        return complete(Failure::TlsRefused, detail);
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        if (proxyAnswer >= 300) return complete(Failure::Proxy, QStringLiteral("the proxy answered %1").arg(proxyAnswer));
        // TLS 1.3 servers refuse a missing client certificate after the handshake, with an alert.
        if (tls && detail.contains(QLatin1String("alert"), Qt::CaseInsensitive)) return complete(Failure::TlsRefused, detail);
        return complete(Failure::ConnectionLost, detail);
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return complete(Failure::ConnectionLost, detail);
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
        return complete(Failure::Malformed, detail);
    default:
        return complete(Failure::Other, detail);
    }
}

// libcurl says only that time ran out; which limit it was decides the message.
void HttpPost::timedOut()
{
    const qint64 slack = 50;
    if (sinceStart_.elapsed() + slack >= request_.callLimitMs) {
        limitMs_ = request_.callLimitMs;
        return complete(Failure::CallLimit);
    }
    if (!connected_) {
        limitMs_ = std::min(request_.connectTimeoutMs, request_.timeoutMs);
        return complete(Failure::Timeout);
    }
    limitMs_ = request_.timeoutMs;
    complete(lastByte_.elapsed() + slack >= request_.timeoutMs ? Failure::Timeout : Failure::TooSlow);
}

void HttpPost::complete(Failure failure, const QString& detail)
{
    if (done_) return;
    if (failure == Failure::Timeout && limitMs_ == 0) {
        // From our own idle timer: the connect phase or the wait for the next byte.
        limitMs_ = connected_ ? request_.timeoutMs : std::min(request_.connectTimeoutMs, request_.timeoutMs);
    }
    done_ = true;
    failure_ = failure;
    errorString_ = detail;
    idle_.stop();
    resume_.stop();
    release();
    Q_EMIT finished();
}

void HttpPost::release()
{
    if (easy_) {
        connections_->remove(easy_);
        curl_easy_cleanup(easyOf(easy_));
        easy_ = nullptr;
    }
    curl_slist_free_all(static_cast<curl_slist*>(headerList_));
    headerList_ = nullptr;
}

} // namespace qvor
