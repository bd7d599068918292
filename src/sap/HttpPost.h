#pragma once
// One HTTP/1.1 POST over its own TCP or TLS connection, with the answer's body handed over piece by
// piece as it is read. The socket is read only as fast as the body is taken, so an answer of any
// size costs a fixed amount of memory (Qt's network access manager buffers whole answers ahead).
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <map>
#include <string_view>

class QSslSocket;

namespace qvor {

class HttpPost : public QObject {
    Q_OBJECT
public:
    enum class Failure {
        None,
        Refused,          // nothing listens at the address
        HostNotFound,
        Timeout,          // nothing arrived for the time-out
        Tls,              // the handshake failed (tlsErrors() says why)
        ConnectionLost,   // the connection ended before the answer was complete
        Malformed,        // not an HTTP answer this client can read
        Stopped,          // the body's taker refused it (stop())
        Other
    };

    struct Request {
        QUrl url;
        QByteArray body;
        std::map<QByteArray, QByteArray> headers;
        bool verifyTls = true;
        int timeoutMs = 600000;          // the longest time without receiving anything
        int connectTimeoutMs = 30000;    // to reach the server (and agree on TLS)
    };

    // Takes the next piece of the body; false ends the exchange with Failure::Stopped.
    using BodyTaker = std::function<bool(std::string_view piece)>;

    explicit HttpPost(QObject* parent = nullptr);
    ~HttpPost() override;

    void start(const Request& request, BodyTaker takeBody);
    void abort(Failure why);

    int status() const { return status_; }
    const QString& reason() const { return reason_; }
    // "name=value" of every Set-Cookie header of the answer.
    const QList<QByteArray>& setCookies() const { return setCookies_; }
    Failure failure() const { return failure_; }
    const QString& errorString() const { return errorString_; }
    const QStringList& tlsErrors() const { return tlsErrors_; }
    // After Failure::Timeout: the time-out that ran out.
    int timeoutMs() const { return idle_.interval(); }

Q_SIGNALS:
    // Exactly once, after the whole body was taken or the exchange failed.
    void finished();

private:
    void onReadyRead();
    void onDisconnected();
    void onSocketError();
    bool readHead(const QByteArray& head);
    bool take(const char* data, qsizetype size);
    void complete(Failure failure, const QString& detail = {});

    enum class Stage { Head, ChunkSize, ChunkData, ChunkEnd, Trailer, Body, Done };
    QSslSocket* socket_ = nullptr;
    QTimer idle_;
    BodyTaker takeBody_;
    QByteArray pending_;        // bytes read but not yet used (a part of the head or of a chunk line)
    QByteArray readBuffer_;
    Stage stage_ = Stage::Head;
    bool chunked_ = false;
    qint64 remaining_ = -1;     // of the body or of the current chunk; -1 = until the connection ends
    int status_ = 0;
    QString reason_;
    QList<QByteArray> setCookies_;
    Failure failure_ = Failure::None;
    QString errorString_;
    QStringList tlsErrors_;
};

} // namespace qvor
