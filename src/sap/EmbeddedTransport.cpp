#include "sap/EmbeddedTransport.h"

#include "demosystem/DemoSystem.h"
#include "sap/RfcReply.h"
#include "util/StatusPanels.h"
#include "util/UiTexts.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace qvor {
namespace {

struct SharedDemo;
SharedDemo& sharedDemo();

// The threads on which the demo system runs. Each connection's requests run one after another in
// the order they came; requests of different connections (parallel sessions) run at the same time.
class DemoWorkers {
public:
    static constexpr std::size_t MaxThreads = 8;

    static DemoWorkers& instance()
    {
        static DemoWorkers workers;
        return workers;
    }
    void post(const void* connection, std::function<void()> task)
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back({connection, std::move(task)});
        // A new thread when every one is taken, up to the limit.
        if (idle_ == 0 && threads_.size() < MaxThreads) threads_.emplace_back([this] { run(); });
        wake_.notify_all();
    }
    ~DemoWorkers()
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_)
            if (t.joinable()) t.join();
    }

private:
    struct Task {
        const void* connection;
        std::function<void()> run;
    };
    // The shared demo system is made to outlive the threads that use it (statics end in reverse).
    DemoWorkers() { sharedDemo(); }

    // The first task whose connection has nothing running.
    std::deque<Task>::iterator runnable()
    {
        return std::find_if(tasks_.begin(), tasks_.end(), [this](const Task& t) { return !running_.count(t.connection); });
    }
    void run()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idle_;
            wake_.wait(lock, [this] { return stop_ || runnable() != tasks_.end(); });
            --idle_;
            if (stop_) return;
            const auto it = runnable();
            Task task = std::move(*it);
            tasks_.erase(it);
            running_.insert(task.connection);
            lock.unlock();
            task.run();
            lock.lock();
            running_.erase(task.connection);
            wake_.notify_all();
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> tasks_;
    std::set<const void*> running_;
    std::size_t idle_ = 0;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

struct SharedDemo {
    std::mutex mutex;
    std::unique_ptr<demo::DemoSystem> system;
    bool optionsChosen = false;
    demo::Options options;

    void chooseOptions()
    {
        if (optionsChosen) return;
        optionsChosen = true;
        const QByteArray env = qgetenv("QVOR_DEMO_DATABASE");
        if (env == ":memory:") options.databasePath.clear();
        else if (!env.isEmpty()) options.databasePath = env.toStdString();
        else options.databasePath = demo::defaultDatabasePath();
        // Benchmarks read a larger demo system (QVOR_DEMO_SCALE=100: about a million BSEG rows).
        if (const int scale = qEnvironmentVariableIntValue("QVOR_DEMO_SCALE"); scale > 0) options.scale = scale;
        // RFC_READ_TABLE as newer SAP releases answer it (QVOR_DEMO_RELEASE=modern), to try the program against.
        if (qgetenv("QVOR_DEMO_RELEASE") == "modern") options.profile = demo::Profile::ModernRelease;
    }
};

SharedDemo& sharedDemo()
{
    static SharedDemo shared;
    return shared;
}

// Whether opening the demo system now will generate its database (a long first start).
bool willGenerate()
{
    SharedDemo& shared = sharedDemo();
    std::lock_guard lock(shared.mutex);
    if (shared.system) return false;
    shared.chooseOptions();
    std::error_code ec;
    return !shared.options.databasePath.empty() && !std::filesystem::exists(shared.options.databasePath, ec);
}

// Delivers a finished request on the UI thread (requests are made there); dropped when the reply
// is gone by then. The guard is only tested on the UI thread, where the reply is deleted.
void deliver(const QPointer<RfcReply>& reply, rfc::FunctionResult result, QString errorText, bool transient = false)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;   // the program is ending
    auto shared = std::make_shared<rfc::FunctionResult>(std::move(result));
    QMetaObject::invokeMethod(app, [reply, shared, errorText, transient] {
        if (!reply) return;
        if (transient) reply->markTransient();
        reply->finish(std::move(*shared), errorText);
    }, Qt::QueuedConnection);
}

// Reads that are made to fail as if the connection had been lost, for trying out retries: every
// n-th read of each connection, and every read from the m-th of the process on. Chosen with
// QVOR_DEMO_LOSE_CALLS=n or =m+, or by tests.
struct LostReads {
    std::atomic<int> every{0};
    std::atomic<int> from{0};
    std::atomic<int> count{0};

    LostReads()
    {
        const QByteArray env = qgetenv("QVOR_DEMO_LOSE_CALLS").trimmed();
        const bool onwards = env.endsWith('+');
        const int n = (onwards ? env.chopped(1) : env).toInt();
        if (n > 0) (onwards ? from : every) = n;
    }
};

LostReads& lostReads()
{
    static LostReads lost;
    return lost;
}

rfc::FunctionResult systemFailure(const std::string& message)
{
    rfc::FunctionResult r;
    r.exception = "SYSTEM_FAILURE";
    r.message = message;
    return r;
}

} // namespace

struct EmbeddedTransport::State {
    std::mutex mutex;
    demo::Session session;
    std::atomic<bool> loggedOn{false};
    int reads = 0;   // on the worker only

    bool loseRead()
    {
        LostReads& lost = lostReads();
        const int n = ++lost.count;
        ++reads;
        return (lost.every > 0 && reads % lost.every == 0) || (lost.from > 0 && n >= lost.from);
    }
};

void EmbeddedTransport::loseReadsForTests(int every, int from)
{
    lostReads().every = every;
    lostReads().from = from;
    lostReads().count = 0;
}

EmbeddedTransport::EmbeddedTransport() : state_(std::make_shared<State>()) {}

EmbeddedTransport::~EmbeddedTransport() { logoff(); }

QString EmbeddedTransport::systemEntryName() { return QStringLiteral("DEMO"); }

void EmbeddedTransport::useInMemoryDemoForTests(int scale)
{
    SharedDemo& shared = sharedDemo();
    std::lock_guard lock(shared.mutex);
    if (shared.optionsChosen && shared.options.databasePath.empty() && shared.options.scale == scale && shared.system)
        return;
    shared.system.reset();
    shared.optionsChosen = true;
    shared.options = {};
    shared.options.scale = scale;
}

demo::DemoSystem* EmbeddedTransport::sharedDemoSystem(std::string* error)
{
    SharedDemo& shared = sharedDemo();
    std::lock_guard lock(shared.mutex);
    if (!shared.system) {
        shared.chooseOptions();
        std::string why;
        try {
            shared.system = demo::DemoSystem::open(shared.options, &why);
        } catch (const std::exception& e) {
            why = e.what();
        }
        if (!shared.system) {
            if (error) *error = why.empty() ? std::string("The demo system could not be opened") : why;
            return nullptr;
        }
    }
    return shared.system.get();
}

RfcReply* EmbeddedTransport::logon(const LogonValues& values)
{
    auto* reply = new RfcReply;
    const bool generating = willGenerate();
    if (generating) panels().setMessage(tx(TextId::SapPreparingDemo));
    if (generating) {
        QObject::connect(reply, &RfcReply::finished, reply, [] {
            if (panels().message() == tx(TextId::SapPreparingDemo)) panels().setMessage(QString());
        });
    }

    demo::Session session;
    session.client = values.client.toStdString();
    session.user = values.user.toStdString();
    // A blank language logs on in the system's own language, as SAP does; the connection keeps
    // the blank so that the program can ask for it.
    session.language = values.language.trimmed().isEmpty() ? std::string("EN") : values.language.trimmed().toStdString();
    const std::string password = values.password.toStdString();
    state_->loggedOn = false;

    DemoWorkers::instance().post(state_.get(), [state = state_, session, password, reply = QPointer<RfcReply>(reply)] {
        std::string error;
        demo::DemoSystem* demo = sharedDemoSystem(&error);
        if (demo) {
            try {
                error = demo->logon(session, password);
            } catch (const std::exception& e) {
                error = e.what();
            }
        }
        if (error.empty()) {
            std::lock_guard lock(state->mutex);
            state->session = session;
            state->loggedOn = true;
        }
        deliver(reply, {}, QString::fromStdString(error));
    });
    return reply;
}

RfcReply* EmbeddedTransport::call(const rfc::FunctionCall& call)
{
    auto* reply = new RfcReply;
    // A cancel skips a call still in the queue and interrupts one that runs.
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    reply->setCanceller([cancelled] { *cancelled = true; });
    DemoWorkers::instance().post(state_.get(), [state = state_, call, cancelled, reply = QPointer<RfcReply>(reply)]() mutable {
        if (*cancelled) return;
        if (!state->loggedOn) {
            rfc::FunctionResult r;
            r.exception = "RFC_NOT_LOGGED_ON";
            deliver(reply, std::move(r), {});
            return;
        }
        demo::Session session;
        {
            std::lock_guard lock(state->mutex);
            session = state->session;
        }
        std::string error;
        demo::DemoSystem* demo = sharedDemoSystem(&error);
        if (!demo) {
            deliver(reply, systemFailure(error), {});
            return;
        }
        if (call.name == "RFC_READ_TABLE" && state->loseRead()) {
            deliver(reply, {}, tx(TextId::DemoConnectionLost), true);
            return;
        }
        rfc::FunctionResult result;
        try {
            result = demo->call(session, std::move(call), cancelled.get());
        } catch (const std::exception& e) {
            result = systemFailure(e.what());
        }
        deliver(reply, std::move(result), {});
    });
    return reply;
}

void EmbeddedTransport::logoff() { state_->loggedOn = false; }

bool EmbeddedTransport::loggedOn() const { return state_->loggedOn; }

} // namespace qvor
