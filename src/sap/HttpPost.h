#pragma once
// One HTTP POST through libcurl, over the kept-alive connections of a logon (HttpConnections), with
// the answer's body handed over piece by piece as it arrives. Proxies come from the environment
// (http_proxy, https_proxy, no_proxy) unless the request names one; TLS is verified against the
// system's certificate store or a CA file, and a client certificate can be shown.
//
// Backpressure: the body is taken inside libcurl's write callback on this thread, so libcurl reads
// the socket again only once the taker has used the last piece; TCP flow control then holds the
// server back and memory stays flat for any answer size. After a slice of work the transfer pauses
// (CURL_WRITEFUNC_PAUSE) until the event loop has run once, so the window stays live meanwhile.
//
// Limits, each ending the call with its own failure: nothing received for timeoutMs (Timeout, also
// while connecting, then with connectTimeoutMs), less than lowSpeedBytesPerSecond on average over
// timeoutMs (TooSlow: a server that drips bytes), and the whole call longer than callLimitMs
// (CallLimit).
#include <QObject>
#include <QString>
#include <QStringList>
#include <QElapsedTimer>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <map>
#include <memory>
#include <string_view>

namespace qvor {

class HttpConnections;

class HttpPost : public QObject {
    Q_OBJECT
public:
    enum class Failure {
        None,
        Refused,          // nothing listens at the address
        HostNotFound,
        Timeout,          // nothing arrived for the time-out (timeoutMs() says which)
        TooSlow,          // bytes arrived, but below the low-speed limit
        CallLimit,        // the whole call took longer than its limit
        Tls,              // the server's certificate was not accepted (tlsErrors() says why)
        TlsRefused,       // the server ended the TLS handshake, e.g. for want of a client certificate
        TlsFiles,         // the entry's client certificate, key or CA file cannot be used
        Proxy,            // the proxy cannot be reached or refused the tunnel
        ConnectionLost,   // the connection ended before the answer was complete
        Malformed,        // not an HTTP answer this client can read
        Stopped,          // the body's taker refused it, or abort()
        Other
    };

    struct Request {
        QUrl url;
        QByteArray body;
        std::map<QByteArray, QByteArray> headers;
        bool verifyTls = true;
        QString caFile;                    // besides the system's certificate store
        QString clientCertificate;         // PEM
        QString clientKey;                 // PEM, without a pass phrase
        QString proxy;                     // empty: from the environment
        int timeoutMs = 600000;            // the longest time without receiving anything
        int connectTimeoutMs = 30000;      // to reach the server (and agree on TLS)
        qint64 callLimitMs = 4LL * 3600 * 1000;
        int lowSpeedBytesPerSecond = 1024;
    };

    // Takes the next piece of the body; false ends the exchange with Failure::Stopped.
    using BodyTaker = std::function<bool(std::string_view piece)>;

    explicit HttpPost(std::shared_ptr<HttpConnections> connections, QObject* parent = nullptr);
    ~HttpPost() override;

    void start(const Request& request, BodyTaker takeBody);
    // Ends the exchange now with the given failure (finished() follows at once); nothing after it is taken.
    void abort(Failure why, const QString& detail = {});

    int status() const { return status_; }
    const QString& reason() const { return reason_; }
    // "name=value" of every Set-Cookie header of the answer.
    const QList<QByteArray>& setCookies() const { return setCookies_; }
    Failure failure() const { return failure_; }
    const QString& errorString() const { return errorString_; }
    const QStringList& tlsErrors() const { return tlsErrors_; }
    // After Timeout, TooSlow or CallLimit: the limit that ran out, in milliseconds.
    qint64 timeoutMs() const { return limitMs_; }

    // Called by HttpConnections: bytes arrived on the connection (perhaps not yet a whole header
    // line, so no callback of libcurl's saw them), and the transfer is over.
    void received();
    void transferDone(int curlCode);

Q_SIGNALS:
    // Exactly once, after the whole body was taken or the exchange failed.
    void finished();

private:
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    static int onConnected(void* self, char* primaryIp, char* localIp, int primaryPort, int localPort);
    bool takeHeaderLine(std::string_view line);
    void classify(int curlCode);
    void timedOut();
    void complete(Failure failure, const QString& detail = {});
    void release();

    std::shared_ptr<HttpConnections> connections_;
    void* easy_ = nullptr;
    void* headerList_ = nullptr;
    Request request_;
    BodyTaker takeBody_;
    char errorBuffer_[256] = {};
    QTimer idle_;
    QTimer resume_;               // continues a transfer paused to let the event loop run
    QElapsedTimer sinceStart_;
    QElapsedTimer lastByte_;
    qint64 sliceBytes_ = 0;       // body bytes taken since the last pause
    bool inCallback_ = false;
    bool connected_ = false;      // the connection stands (TLS agreed) and the request goes out
    qint64 headBytes_ = 0;
    bool done_ = false;
    int status_ = 0;
    QString reason_;
    QList<QByteArray> setCookies_;
    Failure failure_ = Failure::None;
    QString errorString_;
    QStringList tlsErrors_;
    qint64 limitMs_ = 0;
};

} // namespace qvor
