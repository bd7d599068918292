#include "sap/FunctionsComponent.h"

#include "sap/RfcReply.h"
#include "sap/RfcTransport.h"
#include "util/OperationGuard.h"

namespace qvor {
namespace {

// The layouts of RFC_READ_TABLE's tables, so rows appended by the caller carry every component
// the way SAP's own function objects give them.
std::vector<std::string> knownLayout(const QString& function, const QString& table)
{
    if (function != QLatin1String("RFC_READ_TABLE")) return {};
    if (table == QLatin1String("OPTIONS")) return {"TEXT"};
    if (table == QLatin1String("FIELDS")) return {"FIELDNAME", "OFFSET", "LENGTH", "TYPE", "FIELDTEXT"};
    if (table == QLatin1String("DATA")) return {"WA"};
    return {};
}

} // namespace

// ---- RfcTable ----

void RfcTable::takeOver()
{
    if (fromAnswer_) fromAnswer_->erase(name_);
}

void RfcTable::appendrow()
{
    takeOver();
    table_->appendRow();
}

void RfcTable::setValue(int row, const QString& column, const QString& value)
{
    if (row < 1 || static_cast<std::size_t>(row) > table_->rows.size()) return;
    takeOver();
    const std::string key = column.toStdString();
    int c = table_->columnIndex(key);
    if (c < 0) {
        table_->columns.push_back(key);
        for (std::size_t r = 0; r < table_->rows.size(); ++r) table_->rows[r].resize(table_->columns.size());
        c = static_cast<int>(table_->columns.size()) - 1;
    }
    table_->rows[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(c)] = value.toStdString();
}

QString RfcTable::Value(int row, const QString& column) const
{
    if (row < 1 || static_cast<std::size_t>(row) > table_->rows.size()) return {};
    return QString::fromStdString(table_->value(static_cast<std::size_t>(row - 1), column.toStdString()));
}

int RfcTable::RowCount() const { return static_cast<int>(table_->rows.size()); }

// ---- RfcFunction ----

RfcFunction::RfcFunction(QString name, RfcTransport* transport) : name_(std::move(name)), transport_(transport) {}

RfcFunction::~RfcFunction()
{
    // Only at the end of the program is a function object freed while its call is in flight.
    if (pending_) pending_->cancel();
    delete pending_.data();
}

RfcParameter& RfcFunction::Exports(const QString& name) { return exports_[name]; }

RfcTable& RfcFunction::Tables(const QString& name)
{
    auto it = tables_.find(name);
    if (it != tables_.end()) return *it->second;
    auto data = std::make_unique<rfc::Table>();
    data->columns = knownLayout(name_, name);
    auto table = std::make_unique<RfcTable>(data.get(), &fromAnswer_, name);
    tableData_[name] = std::move(data);
    return *tables_.emplace(name, std::move(table)).first->second;
}

rfc::FunctionCall RfcFunction::request() const
{
    rfc::FunctionCall call;
    call.name = name_.toStdString();
    for (const auto& [key, parameter] : exports_) call.parameters[key.toStdString()] = parameter.Value().toStdString();
    for (const auto& [key, table] : tableData_) {
        rfc::Table& sent = call.tables[key.toStdString()];
        if (fromAnswer_.count(key)) sent.columns = table->columns;
        else sent = *table;
    }
    return call;
}

RfcReply* RfcFunction::startCall()
{
    // A call started again drops the one before; its reply is not waited for by anyone.
    if (pending_) {
        pending_->cancel();
        pending_->deleteLater();
    }
    sentWithRows_.clear();
    for (const auto& [key, table] : tableData_)
        if (!fromAnswer_.count(key) && !table->rows.empty()) sentWithRows_.insert(key);
    cancelled_ = false;
    abandoned_ = false;
    inFlight_ = true;
    pending_ = transport_->call(request());
    return pending_.data();
}

void RfcFunction::cancelCall()
{
    if (inFlight_ && pending_) pending_->cancel();
}

void RfcFunction::abandonCall()
{
    if (!inFlight_) return;
    abandoned_ = true;
    cancelCall();
}

bool RfcFunction::callInFlight() const
{
    if (abandoned_) return inFlight_ && pending_ && !pending_->isFinished();
    return inFlight_;
}

bool RfcFunction::finishCall(RfcReply* reply)
{
    inFlight_ = false;
    exception_.clear();
    message_.clear();
    cancelled_ = false;
    transient_ = false;
    if (!reply) {
        exception_ = QStringLiteral("SYSTEM_FAILURE");
        return false;
    }
    const QString transportError = reply->errorText();
    rfc::FunctionResult result = reply->takeResult();
    cancelled_ = reply->wasCancelled();
    transient_ = !cancelled_ && reply->transientFailure();
    if (reply == pending_) pending_ = nullptr;
    reply->deleteLater();

    if (!transportError.isEmpty() || !result.ok()) {
        exception_ = result.ok() ? transportError : QString::fromStdString(result.exception);
        message_ = result.ok() ? QString() : QString::fromStdString(result.message);
        if (message_.isEmpty() && !result.ok()) message_ = transportError;
        return false;
    }
    for (auto& [key, table] : result.tables) {
        const QString name = QString::fromStdString(key);
        Tables(name);   // makes sure the table object exists
        *tableData_[name] = std::move(table);
        if (!sentWithRows_.count(name)) fromAnswer_.insert(name);
    }
    imports_ = std::move(result.parameters);
    structures_ = std::move(result.structures);
    return true;
}

bool RfcFunction::Call()
{
    RfcReply* reply = startCall();
    {
        QPointer<RfcReply> waited(reply);
        OperationScope busy([waited] {
            if (waited) waited->cancel();
        });
        reply->waitForFinished();
    }
    return finishCall(reply);
}

QString RfcFunction::Imports(const QString& name) const
{
    const auto it = imports_.find(name.toStdString());
    return it == imports_.end() ? QString() : QString::fromStdString(it->second);
}

QString RfcFunction::structureValue(const QString& structure, const QString& component) const
{
    const auto s = structures_.find(structure.toStdString());
    if (s == structures_.end()) return {};
    const auto c = s->second.find(component.toStdString());
    return c == s->second.end() ? QString() : QString::fromStdString(c->second);
}

} // namespace qvor
