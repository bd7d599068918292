#include "sap/EmbeddedTransport.h"

#include "demosystem/DemoSystem.h"
#include "sap/RfcReply.h"
#include "util/StatusPanels.h"
#include "util/UiTexts.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

namespace qvor {
namespace {

struct SharedDemo;
SharedDemo& sharedDemo();

// The one thread on which the demo system runs; tasks run in the order they were queued.
class DemoWorker {
public:
    static DemoWorker& instance()
    {
        static DemoWorker worker;
        return worker;
    }
    void post(std::function<void()> task)
    {
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        wake_.notify_one();
    }
    ~DemoWorker()
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable()) thread_.join();
    }

private:
    // The shared demo system is made to outlive the thread that uses it (statics end in reverse).
    DemoWorker()
    {
        sharedDemo();
        thread_ = std::thread([this] { run(); });
    }
    void run()
    {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stop_ || !tasks_.empty(); });
                if (stop_) return;
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool stop_ = false;
    std::thread thread_;
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
void deliver(const QPointer<RfcReply>& reply, rfc::FunctionResult result, QString errorText)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;   // the program is ending
    auto shared = std::make_shared<rfc::FunctionResult>(std::move(result));
    QMetaObject::invokeMethod(app, [reply, shared, errorText] {
        if (reply) reply->finish(std::move(*shared), errorText);
    }, Qt::QueuedConnection);
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
};

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

    DemoWorker::instance().post([state = state_, session, password, reply = QPointer<RfcReply>(reply)] {
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
    DemoWorker::instance().post([state = state_, call, cancelled, reply = QPointer<RfcReply>(reply)]() mutable {
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
