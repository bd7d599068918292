#pragma once
// A blocking HTTP/1.1 client on a plain socket, for tests that talk to a server the way simple or
// hostile clients do: from a chosen loopback source address, a few bytes at a time, or many at once
// from threads of their own (nothing here needs an event loop).
#include <QByteArray>
#include <QList>
#include <QPair>

namespace qvor::test {

struct HttpReply {
    int status = 0;                                  // -1: no whole answer arrived
    QList<QPair<QByteArray, QByteArray>> headers;    // names in lower case
    QByteArray body;                                 // a chunked body already taken apart

    QByteArray header(const QByteArray& name) const;
};

// The first whole answer in raw; false when the bytes are not (yet) a whole answer.
bool parseReply(const QByteArray& raw, HttpReply* reply, qsizetype* used = nullptr);

class RawHttpClient {
public:
    RawHttpClient() = default;
    ~RawHttpClient();
    RawHttpClient(const RawHttpClient&) = delete;
    RawHttpClient& operator=(const RawHttpClient&) = delete;

    // Connects to 127.0.0.1:port from the given source address (any 127.x.y.z works on Linux).
    bool connect(quint16 port, const char* source = "127.0.0.1");
    // False once the server has closed or reset the connection.
    bool send(const QByteArray& bytes);
    // The next answer on this connection; status -1 when the server closed first or nothing came in time.
    HttpReply readReply(int timeoutMs = 30000);
    // True when the server closes (or resets) the connection within the time.
    bool closedByServer(int timeoutMs);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    // What arrived and was not yet taken as a whole answer.
    const QByteArray& received() const { return pending_; }

private:
    // Waits for bytes; false on end of stream, error or time-out.
    bool receive(int timeoutMs);

    int fd_ = -1;
    QByteArray pending_;
};

// One request on a connection of its own, read until its answer is complete.
HttpReply exchange(quint16 port, const QByteArray& request, const char* source = "127.0.0.1");

} // namespace qvor::test
