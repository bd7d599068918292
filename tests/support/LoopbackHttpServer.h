#pragma once
// A loopback HTTP server for client tests: reads each request whole (head and Content-Length body)
// and hands it to answer(); counts the connections it accepted.
#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>

namespace qvor::test {

class LoopbackHttpServer : public QTcpServer {
public:
    int connections = 0;

    LoopbackHttpServer()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                ++connections;
                connect(s, &QTcpSocket::readyRead, s, [this, s] { onData(s); });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    QString address() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

    // The value of a header in a request's head; empty when it is not there.
    static QByteArray header(const QByteArray& head, const QByteArray& lowerName)
    {
        for (const QByteArray& line : head.split('\n'))
            if (line.toLower().startsWith(lowerName + ':')) return line.mid(lowerName.size() + 1).trimmed();
        return {};
    }

protected:
    virtual void answer(QTcpSocket* s, const QByteArray& head) = 0;

private:
    void onData(QTcpSocket* s)
    {
        QByteArray& buffer = buffers_[s];
        buffer += s->readAll();
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0) return;
        const QByteArray head = buffer.left(headEnd);
        const qsizetype length = header(head, "content-length").toLongLong();
        if (buffer.size() < headEnd + 4 + length) return;
        buffer.remove(0, headEnd + 4 + length);
        answer(s, head);
    }
    QHash<QTcpSocket*, QByteArray> buffers_;
};

} // namespace qvor::test
