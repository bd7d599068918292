#include "support/RawHttpClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace qvor::test {

QByteArray HttpReply::header(const QByteArray& name) const
{
    for (const auto& h : headers)
        if (h.first == name) return h.second;
    return {};
}

bool parseReply(const QByteArray& raw, HttpReply* reply, qsizetype* used)
{
    *reply = HttpReply();
    qsizetype start = 0;
    qsizetype end = -1;
    // Interim answers (100 Continue) go before the real one.
    for (;;) {
        end = raw.indexOf("\r\n\r\n", start);
        if (end < 0) return false;
        const int status = raw.mid(start, raw.indexOf("\r\n", start) - start).split(' ').value(1).toInt();
        if (status < 100 || status >= 200) break;
        start = end + 4;
    }
    const QList<QByteArray> lines = raw.mid(start, end - start).split('\n');
    const QList<QByteArray> statusLine = lines.value(0).trimmed().split(' ');
    if (statusLine.size() < 2 || !statusLine[0].startsWith("HTTP/1.")) return false;
    reply->status = statusLine[1].toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0) reply->headers.append({lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed()});
    }
    qsizetype at = end + 4;
    if (reply->header("transfer-encoding") == "chunked") {
        for (;;) {
            const qsizetype lineEnd = raw.indexOf("\r\n", at);
            if (lineEnd < 0) return false;
            bool ok = false;
            const qsizetype size = raw.mid(at, lineEnd - at).toLongLong(&ok, 16);
            if (!ok || raw.size() < lineEnd + 2 + size + 2) return false;
            at = lineEnd + 2;
            if (size == 0) {
                if (used) *used = at + 2;
                return true;
            }
            reply->body += raw.mid(at, size);
            at += size + 2;
        }
    }
    const qsizetype length = reply->header("content-length").toLongLong();
    if (raw.size() < at + length) return false;
    reply->body = raw.mid(at, length);
    if (used) *used = at + length;
    return true;
}

RawHttpClient::~RawHttpClient() { close(); }

bool RawHttpClient::connect(quint16 port, const char* source)
{
    close();
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return false;
    sockaddr_in from{};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, source, &from.sin_addr);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    const int yes = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0
        || ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        close();
        return false;
    }
    return true;
}

bool RawHttpClient::send(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return fd_ >= 0;
}

bool RawHttpClient::receive(int timeoutMs)
{
    if (fd_ < 0) return false;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return false;
    char buffer[65536];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    pending_.append(buffer, n);
    return true;
}

HttpReply RawHttpClient::readReply(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    HttpReply reply;
    qsizetype used = 0;
    while (!parseReply(pending_, &reply, &used)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !receive(static_cast<int>(left.count()))) return HttpReply{-1, {}, {}};
    }
    pending_.remove(0, used);
    return reply;
}

bool RawHttpClient::closedByServer(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (fd_ >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[65536];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) return true;
    }
    return true;
}

void RawHttpClient::close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pending_.clear();
}

HttpReply exchange(quint16 port, const QByteArray& request, const char* source)
{
    RawHttpClient client;
    if (!client.connect(port, source) || !client.send(request)) return HttpReply{-1, {}, {}};
    return client.readReply();
}

} // namespace qvor::test
