#pragma once
// The function component: every remote call of the program goes through it, with the members
// the callers rely on (RemoveAll, Add, Exports(name).Value, Tables(name), Call, exception).
// Contract shared by the extraction code; the implementation lives beside it.
#include "demosystem/RfcData.h"

#include <QObject>
#include <QString>
#include <map>
#include <memory>

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
    explicit RfcTable(rfc::Table* table) : table_(table) {}
    void appendrow();
    void setValue(int row, const QString& column, const QString& value);
    QString Value(int row, const QString& column) const;
    int RowCount() const;
    // Direct access for bulk readers (the data lines of an import).
    const rfc::Table& data() const { return *table_; }
private:
    rfc::Table* table_;
};

class RfcFunction {
public:
    RfcFunction(QString name, RfcTransport* transport);
    ~RfcFunction();

    RfcParameter& Exports(const QString& name);
    RfcTable& Tables(const QString& name);

    // Runs the call and waits for the answer while the event loop keeps running. True on success.
    bool Call();
    // Starts the call and returns at once; the reply signals finished(). After it,
    // finishCall(reply) moves the answer into the tables and gives the same result as Call().
    RfcReply* startCall();
    bool finishCall(RfcReply* reply);

    // After a failed call: SAP's exception name ("SYSTEM_FAILURE", "TABLE_NOT_AVAILABLE", ...).
    const QString& exception() const { return exception_; }
    const QString& name() const { return name_; }

private:
    rfc::FunctionCall request() const;
    QString name_;
    RfcTransport* transport_;
    std::map<QString, RfcParameter> exports_;
    std::map<QString, std::unique_ptr<rfc::Table>> tableData_;
    std::map<QString, std::unique_ptr<RfcTable>> tables_;
    QString exception_;
};

class RfcConnection;

class FunctionsComponent {
public:
    virtual ~FunctionsComponent() = default;
    virtual RfcConnection& Connection() = 0;
    // Drops every function object added before.
    virtual void RemoveAll() = 0;
    // A function object valid until the next RemoveAll.
    virtual RfcFunction* Add(const QString& functionName) = 0;
};

} // namespace qvor
