#pragma once
// Before a partitioned import reads any data: checks the partition field against the tables of
// My Table (a key field of each, with the same key fields before it, of a type whose values
// compare as text), draws the boundaries from a sample of the key values unless an interrupted
// run left them, and writes each partition's range as option rows.
#include "tableaccess/CallGroups.h"
#include "tableaccess/FieldEntry.h"
#include "tableaccess/ImportChunking.h"
#include "tableaccess/KeyJoinPlan.h"
#include "tableaccess/PartitionRanges.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

namespace qvor {

class FunctionsComponent;
class PagedRead;

class PartitionPlanner : public QObject {
    Q_OBJECT
public:
    struct Plan {
        enum class Kind { Planned, BadSetup, CallFailed };
        Kind kind = Kind::Planned;
        QString message;             // why it is not planned
        QString table;               // of the partition field
        QStringList keyFields;       // the key fields up to the partition field, without the table
        std::vector<KeyTuple> boundaries;
        std::vector<QStringList> ranges;   // the option rows of each partition
    };
    using Done = std::function<void(Plan plan)>;

    PartitionPlanner(FunctionsComponent* session, const MyTableBuffer& fields, const OptionsBuffer& options,
                     const CallGroups& groups, const ImportChunking& chunking, qint32 rowLimit,
                     QObject* parent = nullptr);
    ~PartitionPlanner() override;

    // With boundaries (those of an interrupted run), nothing is sampled.
    void start(std::optional<std::vector<KeyTuple>> boundaries, Done done);
    void cancel();

    // The option rows of every partition; false with the value that does not fit a row.
    static bool ranges(const QStringList& keyFields, const std::vector<KeyTuple>& boundaries,
                       std::vector<QStringList>* rows, QString* tooLong);
    // The key fields up to `field` without the client, or a message why the field cannot divide
    // the table (the message names `qualified`, the field as the user gave it).
    static std::optional<QStringList> keyPrefix(const std::vector<KeyField>& keys, const QString& field,
                                                const QString& table, QString* why);

private:
    void readCatalogue();
    void readKeys(int index);
    void sample();
    void finish(Plan::Kind kind, const QString& message = {});
    void callFailed();

    FunctionsComponent* session_;
    const MyTableBuffer& fields_;
    const OptionsBuffer& options_;
    const CallGroups& groups_;
    ImportChunking chunking_;
    qint32 rowLimit_;
    QString field_;
    QStringList tables_;
    std::optional<std::vector<KeyTuple>> boundaries_;
    Plan plan_;
    Done done_;
    QPointer<PagedRead> read_;
    std::unique_ptr<KeySample> sample_;
    std::vector<FieldEntry> catalogue_;
    std::vector<int> lengths_;       // of the key fields, for cutting the sampled lines
    MyTableBuffer sampleFields_;
    QString fieldType_;
};

} // namespace qvor
