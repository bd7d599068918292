#pragma once
// The function component: every remote call of the program goes through it, with the members
// the callers rely on (RemoveAll, Add, Exports(name).Value, Tables(name), Call, exception).
// Contract shared by the extraction code; the implementation lives beside it.
#include "rfc/RfcData.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <map>
#include <memory>
#include <set>

namespace qvor {

class RfcTransport;
class RfcReply;

class RfcParameter {
public:
    void setValue(const QString& value) { value_ = value; }
    const QString& Value() const { return value_; }
private:
    QString value_;
};

// A table of the call: input rows before Call, the answer's rows after it. Rows count from 1.
class RfcTable {
public:
    explicit RfcTable(rfc::Table* table, std::set<QString>* fromAnswer = nullptr, QString name = {})
        : table_(table), fromAnswer_(fromAnswer), name_(std::move(name)) {}
    void appendrow();
    void setValue(int row, const QString& column, const QString& value);
    QString Value(int row, const QString& column) const;
    int RowCount() const;
    // Direct access for bulk readers (the data lines of an import).
    const rfc::Table& data() const { return *table_; }
    // Hands the rows over to a reader that keeps them after the function drops its tables.
    rfc::RowList takeRows() { return std::move(table_->rows); }
    // An answer's rows rewritten in place (its lines put into the layout that was asked for).
    rfc::Table& answerData() { return *table_; }
private:
    void takeOver();
    rfc::Table* table_;
    std::set<QString>* fromAnswer_;
    QString name_;
};

class RfcFunction {
public:
    RfcFunction(QString name, RfcTransport* transport);
    ~RfcFunction();

    RfcParameter& Exports(const QString& name);
    RfcTable& Tables(const QString& name);

    // Runs the call and waits for the answer while the event loop keeps running; meanwhile the
    // program counts as busy, and Cancel stops the call. True on success.
    bool Call();
    // Starts the call and returns at once; the reply signals finished(). After it,
    // finishCall(reply) moves the answer into the tables and gives the same result as Call().
    RfcReply* startCall();
    bool finishCall(RfcReply* reply);
    // From startCall() until finishCall(): the function object and its reply must stay alive, so
    // the component keeps them past a RemoveAll or a Disconnect until the call has ended.
    bool callInFlight() const;
    // Stops the call in flight; its reply then finishes as cancelled.
    void cancelCall();
    // For a caller that goes away: stops the call, and it counts as ended once its reply has
    // finished, without a finishCall().
    void abandonCall();
    // After finishCall(): whether the call ended because it was cancelled.
    bool cancelled() const { return cancelled_; }
    // After a failed finishCall(): whether the failure may pass when the call is sent again.
    bool transientFailure() const { return transient_; }

    // After a failed call: SAP's exception name ("SYSTEM_FAILURE", "TABLE_NOT_AVAILABLE", ...).
    const QString& exception() const { return exception_; }
    // After a failed call: the system's detail text, when it gave one (a runtime error's text).
    const QString& message() const { return message_; }
    const QString& name() const { return name_; }

    // After a successful call: an export parameter of the function, or a component of an
    // exported structure (RFC_SYSTEM_INFO's RFCSI_EXPORT); empty when the answer has none.
    QString Imports(const QString& name) const;
    QString structureValue(const QString& structure, const QString& component) const;

private:
    rfc::FunctionCall request() const;
    QString name_;
    RfcTransport* transport_;
    std::map<QString, RfcParameter> exports_;
    std::map<QString, std::unique_ptr<rfc::Table>> tableData_;
    std::map<QString, std::unique_ptr<RfcTable>> tables_;
    // Tables that were sent empty and came back filled (results such as DATA): sent empty again
    // with the next call unless the caller adds rows of its own, so a function object used twice
    // does not send its results back. Tables the caller filled are sent as they stand.
    std::set<QString> fromAnswer_;
    std::set<QString> sentWithRows_;
    std::map<std::string, std::string> imports_;
    std::map<std::string, rfc::Structure> structures_;
    QString exception_;
    QString message_;
    QPointer<RfcReply> pending_;
    bool inFlight_ = false;
    bool abandoned_ = false;
    bool cancelled_ = false;
    bool transient_ = false;
};

class RfcConnection;

class FunctionsComponent {
public:
    virtual ~FunctionsComponent() = default;
    virtual RfcConnection& Connection() = 0;
    // Drops every function object added before. One whose call is in flight is kept until its
    // call has ended (its caller still waits for the answer); it is no longer the component's.
    virtual void RemoveAll() = 0;
    // A function object valid until the next RemoveAll, or until its call has ended after that.
    virtual RfcFunction* Add(const QString& functionName) = 0;
    // Calls of this component's function objects (dropped ones included) not yet ended.
    virtual bool callsInFlight() const = 0;
    virtual void cancelCalls() = 0;
};

} // namespace qvor
