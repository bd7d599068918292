#pragma once
// The HTTP connections of one logon: libcurl's multi interface, driven by Qt socket notifiers and a
// timer on the thread that made it, so every transfer runs inside that thread's event loop without
// threads of its own. The multi handle keeps the connections of finished calls open, so the calls of
// one logon go over one kept-alive TCP (and TLS) connection; dropping the last reference closes them.
//
// Shared by the logon (SoapTransport) and each call on its way (HttpPost), so neither order of
// destruction leaves the other with a freed handle.
#include <QObject>
#include <QPointer>
#include <map>
#include <memory>

class QSocketNotifier;
class QTimer;

namespace qvor {

class HttpPost;

class HttpConnections : public QObject, public std::enable_shared_from_this<HttpConnections> {
    Q_OBJECT
public:
    static std::shared_ptr<HttpConnections> create();
    ~HttpConnections() override;

    // The easy handles of the posts on their way; HttpPost adds and removes its own.
    bool add(void* easy);
    void remove(void* easy);

    // For libcurl's callbacks: watch a socket as libcurl asks (`what` is CURL_POLL_*), and run
    // libcurl after timeoutMs (-1: not at all).
    void watch(void* easy, long long socket, int what);
    void wakeAfter(long timeoutMs);

private:
    HttpConnections();
    void act(long long socket, int events);

    void* multi_ = nullptr;
    QTimer* timer_ = nullptr;
    struct Watch {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
        QPointer<HttpPost> post;   // whose transfer uses the socket now
    };
    std::map<long long, Watch> sockets_;
};

} // namespace qvor
