#include "sap/HttpConnections.h"

#include "sap/HttpPost.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <curl/curl.h>

#include <mutex>
#include <vector>

namespace qvor {
namespace {

CURLM* multiOf(void* m) { return static_cast<CURLM*>(m); }

int onSocket(CURL* easy, curl_socket_t socket, int what, void* self, void*)
{
    static_cast<HttpConnections*>(self)->watch(easy, socket, what);
    return 0;
}

int onTimer(CURLM*, long timeoutMs, void* self)
{
    static_cast<HttpConnections*>(self)->wakeAfter(timeoutMs);
    return 0;
}

} // namespace

std::shared_ptr<HttpConnections> HttpConnections::create()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return std::shared_ptr<HttpConnections>(new HttpConnections);
}

HttpConnections::HttpConnections() : multi_(curl_multi_init()), timer_(new QTimer(this))
{
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
    curl_multi_setopt(multiOf(multi_), CURLMOPT_SOCKETFUNCTION, &onSocket);
    curl_multi_setopt(multiOf(multi_), CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multiOf(multi_), CURLMOPT_TIMERFUNCTION, &onTimer);
    curl_multi_setopt(multiOf(multi_), CURLMOPT_TIMERDATA, this);
    // A logon calls one function after the other; a few spare connections cover calls that overlap.
    curl_multi_setopt(multiOf(multi_), CURLMOPT_MAXCONNECTS, 4L);
}

HttpConnections::~HttpConnections()
{
    // Posts hold a reference while they are on their way, so none is left here.
    curl_multi_cleanup(multiOf(multi_));
    for (auto& [socket, w] : sockets_) {
        delete w.read;
        delete w.write;
    }
}

bool HttpConnections::add(void* easy)
{
    return curl_multi_add_handle(multiOf(multi_), static_cast<CURL*>(easy)) == CURLM_OK;
}

void HttpConnections::remove(void* easy)
{
    curl_multi_remove_handle(multiOf(multi_), static_cast<CURL*>(easy));
}

void HttpConnections::wakeAfter(long timeoutMs)
{
    if (timeoutMs < 0) timer_->stop();
    else timer_->start(static_cast<int>(timeoutMs));
}

void HttpConnections::watch(void* easy, long long socket, int what)
{
    Watch& w = sockets_[socket];
    HttpPost* post = nullptr;
    if (easy && curl_easy_getinfo(static_cast<CURL*>(easy), CURLINFO_PRIVATE, &post) == CURLE_OK) w.post = post;
    // Notifiers are deleted later: libcurl may change them from inside act(), while one of them is
    // still delivering its signal.
    const auto drop = [](QSocketNotifier*& n) {
        if (!n) return;
        n->setEnabled(false);
        n->deleteLater();
        n = nullptr;
    };
    if (what == CURL_POLL_REMOVE) {
        drop(w.read);
        drop(w.write);
        sockets_.erase(socket);
        return;
    }
    const bool wantRead = what == CURL_POLL_IN || what == CURL_POLL_INOUT;
    const bool wantWrite = what == CURL_POLL_OUT || what == CURL_POLL_INOUT;
    const auto make = [&](QSocketNotifier*& n, QSocketNotifier::Type type, int event) {
        n = new QSocketNotifier(static_cast<qintptr>(socket), type, this);
        connect(n, &QSocketNotifier::activated, this, [this, socket, event] { act(socket, event); });
    };
    if (wantRead && !w.read) make(w.read, QSocketNotifier::Read, CURL_CSELECT_IN);
    if (!wantRead) drop(w.read);
    if (wantWrite && !w.write) make(w.write, QSocketNotifier::Write, CURL_CSELECT_OUT);
    if (!wantWrite) drop(w.write);
}

void HttpConnections::act(long long socket, int events)
{
    // A post's finished() may end the logon and with it the last reference to this object.
    const std::shared_ptr<HttpConnections> keep = shared_from_this();
    if (events & CURL_CSELECT_IN)
        if (const auto it = sockets_.find(socket); it != sockets_.end() && it->second.post) it->second.post->received();
    int running = 0;
    curl_multi_socket_action(multiOf(multi_), static_cast<curl_socket_t>(socket), events, &running);

    // Collected first and told afterwards: a post told may remove itself, and others, from the multi.
    std::vector<std::pair<QPointer<HttpPost>, CURLcode>> done;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multiOf(multi_), &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        HttpPost* post = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &post);
        if (post) done.emplace_back(post, message->data.result);
    }
    for (auto& [post, code] : done)
        if (post) post->transferDone(code);
}

} // namespace qvor
