#include "sap/HttpPost.h"

#include <QSslError>
#include <QSslSocket>

#include <algorithm>

namespace qvor {
namespace {

constexpr qsizetype MaxHeadBytes = 64 * 1024;
constexpr qsizetype MaxLineBytes = 4 * 1024;
constexpr qsizetype ReadPiece = 256 * 1024;

} // namespace

HttpPost::HttpPost(QObject* parent) : QObject(parent)
{
    idle_.setSingleShot(true);
    connect(&idle_, &QTimer::timeout, this, [this] { complete(Failure::Timeout); });
}

HttpPost::~HttpPost() = default;

void HttpPost::start(const Request& request, BodyTaker takeBody)
{
    takeBody_ = std::move(takeBody);
    const bool tls = request.url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    const quint16 port = static_cast<quint16>(request.url.port(tls ? 443 : 80));

    QByteArray head = "POST " + request.url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment) +
                      " HTTP/1.1\r\nHost: " + request.url.host(QUrl::FullyEncoded).toUtf8();
    if (request.url.port() >= 0) head += ':' + QByteArray::number(request.url.port());
    head += "\r\nContent-Length: " + QByteArray::number(request.body.size()) + "\r\nConnection: close\r\n";
    for (const auto& [name, value] : request.headers) head += name + ": " + value + "\r\n";
    const QByteArray message = head + "\r\n" + request.body;

    socket_ = new QSslSocket(this);
    // Qt reads no further ahead than this; the rest waits in the connection until it is taken.
    socket_->setReadBufferSize(1 << 20);
    const int transferTimeout = request.timeoutMs;
    auto send = [this, message, transferTimeout] {
        idle_.start(transferTimeout);
        socket_->write(message);
    };
    connect(socket_, &QSslSocket::readyRead, this, &HttpPost::onReadyRead);
    connect(socket_, &QSslSocket::bytesWritten, this, [this] { idle_.start(); });
    connect(socket_, &QSslSocket::disconnected, this, &HttpPost::onDisconnected);
    connect(socket_, &QSslSocket::errorOccurred, this, &HttpPost::onSocketError);
    connect(socket_, &QSslSocket::sslErrors, this, [this](const QList<QSslError>& errors) {
        for (const QSslError& e : errors) tlsErrors_ << e.errorString();
    });
    // An unreachable server should not keep the logon dialog waiting for the whole call time-out.
    idle_.start(std::min(request.connectTimeoutMs, request.timeoutMs));
    if (tls) {
        socket_->setPeerVerifyMode(request.verifyTls ? QSslSocket::VerifyPeer : QSslSocket::VerifyNone);
        connect(socket_, &QSslSocket::encrypted, this, send);
        socket_->connectToHostEncrypted(request.url.host(), port);
    } else {
        connect(socket_, &QSslSocket::connected, this, send);
        socket_->connectToHost(request.url.host(), port);
    }
}

void HttpPost::abort(Failure why) { complete(why); }

void HttpPost::onReadyRead()
{
    idle_.start();
    while (stage_ != Stage::Done && socket_->bytesAvailable() > 0) {
        readBuffer_.resize(ReadPiece);
        const qint64 n = socket_->read(readBuffer_.data(), ReadPiece);
        if (n <= 0) break;
        if (!take(readBuffer_.constData(), n)) return;
    }
}

// Walks the received bytes through head, chunk framing and body. False once the exchange ended.
bool HttpPost::take(const char* data, qsizetype size)
{
    while (size > 0 || stage_ == Stage::Head) {
        switch (stage_) {
        case Stage::Head:
        case Stage::ChunkSize:
        case Stage::ChunkEnd:
        case Stage::Trailer: {
            // Line-framed parts are gathered whole first; they are small.
            const qsizetype before = pending_.size();
            pending_.append(data, size);
            if (stage_ == Stage::Head) {
                const qsizetype end = pending_.indexOf("\r\n\r\n");
                if (end < 0) {
                    if (pending_.size() > MaxHeadBytes) return complete(Failure::Malformed, QStringLiteral("the answer's head is too long")), false;
                    return true;
                }
                const QByteArray head = pending_.left(end);
                const qsizetype used = end + 4 - before;
                data += used;
                size -= used;
                pending_.clear();
                status_ = 0;
                if (!readHead(head)) return false;
                continue;
            }
            const qsizetype end = pending_.indexOf("\r\n");
            if (end < 0) {
                if (pending_.size() > MaxLineBytes) return complete(Failure::Malformed, QStringLiteral("a chunk line is too long")), false;
                return true;
            }
            const QByteArray line = pending_.left(end);
            const qsizetype used = end + 2 - before;
            data += used;
            size -= used;
            pending_.clear();
            if (stage_ == Stage::ChunkEnd) {
                if (!line.isEmpty()) return complete(Failure::Malformed, QStringLiteral("a chunk does not end where its size says")), false;
                stage_ = Stage::ChunkSize;
            } else if (stage_ == Stage::ChunkSize) {
                bool ok = false;
                const qsizetype extension = line.indexOf(';');
                const qint64 chunk = (extension < 0 ? line : line.left(extension)).trimmed().toLongLong(&ok, 16);
                if (!ok || chunk < 0) return complete(Failure::Malformed, QStringLiteral("a chunk size cannot be read")), false;
                remaining_ = chunk;
                stage_ = chunk == 0 ? Stage::Trailer : Stage::ChunkData;
            } else if (line.isEmpty()) {   // the empty line after the trailers
                return complete(Failure::None), false;
            }
            break;
        }
        case Stage::ChunkData:
        case Stage::Body: {
            const qsizetype n = remaining_ < 0 ? size : static_cast<qsizetype>(std::min<qint64>(remaining_, size));
            if (n > 0 && !takeBody_(std::string_view(data, static_cast<std::size_t>(n))))
                return complete(Failure::Stopped), false;
            data += n;
            size -= n;
            if (remaining_ >= 0) remaining_ -= n;
            if (remaining_ == 0) {
                if (stage_ == Stage::Body) return complete(Failure::None), false;
                stage_ = Stage::ChunkEnd;
            }
            break;
        }
        case Stage::Done:
            return false;
        }
    }
    return true;
}

bool HttpPost::readHead(const QByteArray& head)
{
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    bool ok = false;
    status_ = first.value(1).toInt(&ok);
    if (!first.value(0).startsWith("HTTP/1.") || !ok || status_ < 100)
        return complete(Failure::Malformed, QStringLiteral("the answer is not HTTP")), false;
    reason_ = QString::fromLatin1(first.mid(2).join(' '));
    if (status_ < 200) return true;   // 100 Continue and the like: the real head follows

    chunked_ = false;
    remaining_ = -1;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-length") {
            remaining_ = value.toLongLong(&ok);
            if (!ok || remaining_ < 0) return complete(Failure::Malformed, QStringLiteral("the content length cannot be read")), false;
        } else if (name == "transfer-encoding") {
            chunked_ = value.toLower().contains("chunked");
        } else if (name == "content-encoding" && value.toLower() != "identity") {
            return complete(Failure::Malformed, QStringLiteral("the answer is compressed (%1)").arg(QString::fromLatin1(value))), false;
        } else if (name == "set-cookie") {
            const qsizetype attributes = value.indexOf(';');
            setCookies_ << (attributes < 0 ? value : value.left(attributes)).trimmed();
        }
    }
    if (chunked_) {
        stage_ = Stage::ChunkSize;
        remaining_ = -1;
    } else if (status_ == 204 || status_ == 304 || remaining_ == 0) {
        return complete(Failure::None), false;
    } else {
        stage_ = Stage::Body;
    }
    return true;
}

void HttpPost::onDisconnected()
{
    if (stage_ == Stage::Done) return;
    onReadyRead();   // what arrived before the end
    if (stage_ == Stage::Done) return;
    // Without a length the body ends with the connection; otherwise the end came too early.
    if (stage_ == Stage::Body && remaining_ < 0) return complete(Failure::None);
    complete(Failure::ConnectionLost, QStringLiteral("the server closed the connection"));
}

void HttpPost::onSocketError()
{
    if (stage_ == Stage::Done) return;
    const QString detail = socket_->errorString();
    switch (socket_->error()) {
    case QAbstractSocket::RemoteHostClosedError:
        return onDisconnected();
    case QAbstractSocket::ConnectionRefusedError:
        return complete(Failure::Refused, detail);
    case QAbstractSocket::HostNotFoundError:
        return complete(Failure::HostNotFound, detail);
    case QAbstractSocket::SocketTimeoutError:
        return complete(Failure::Timeout, detail);
    case QAbstractSocket::SslHandshakeFailedError:
        return complete(Failure::Tls, detail);
    default:
        return complete(status_ >= 200 ? Failure::ConnectionLost : Failure::Other, detail);
    }
}

void HttpPost::complete(Failure failure, const QString& detail)
{
    if (stage_ == Stage::Done) return;
    stage_ = Stage::Done;
    failure_ = failure;
    errorString_ = detail;
    idle_.stop();
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
    }
    Q_EMIT finished();
}

} // namespace qvor
