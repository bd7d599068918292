#include "tableaccess/PartitionPlanner.h"

#include "sap/FunctionsComponent.h"
#include "tableaccess/FieldCatalogue.h"
#include "tableaccess/PagedRead.h"
#include "util/StatusPanels.h"
#include "util/UiTexts.h"

#include <algorithm>

namespace qvor {
namespace {

// Types whose values SAP and the demo system compare as text, so quoted bounds order them.
bool comparesAsText(const QString& type)
{
    return type == QLatin1String("C") || type == QLatin1String("N") || type == QLatin1String("D")
        || type == QLatin1String("T");
}

QString trimmedRight(const QString& s)
{
    qsizetype n = s.size();
    while (n > 0 && s[n - 1] == QLatin1Char(' ')) --n;
    return s.left(n);
}

} // namespace

PartitionPlanner::PartitionPlanner(FunctionsComponent* session, const MyTableBuffer& fields, const OptionsBuffer& options,
                                   const CallGroups& groups, const ImportChunking& chunking, qint32 rowLimit,
                                   QObject* parent)
    : QObject(parent), session_(session), fields_(fields), options_(options), groups_(groups), chunking_(chunking),
      rowLimit_(rowLimit)
{
}

PartitionPlanner::~PartitionPlanner() { cancel(); }

void PartitionPlanner::cancel()
{
    if (read_) read_->cancel();
    delete read_.data();
    done_ = nullptr;
}

std::optional<QStringList> PartitionPlanner::keyPrefix(const std::vector<KeyField>& keys, const QString& field,
                                                       const QString& table, QString* why)
{
    QStringList prefix;
    for (const KeyField& k : keys) {
        if (k.client) continue;
        prefix << k.name;
        if (k.name == field) return prefix;
    }
    if (why) *why = tx(TextId::ChunkNotKeyField).arg(field, table);
    return std::nullopt;
}

bool PartitionPlanner::ranges(const QStringList& keyFields, const std::vector<KeyTuple>& boundaries,
                              std::vector<QStringList>* rows, QString* tooLong)
{
    rows->clear();
    for (std::size_t p = 0; p <= boundaries.size(); ++p) {
        QStringList r;
        const KeyTuple* low = p > 0 ? &boundaries[p - 1] : nullptr;
        const KeyTuple* high = p < boundaries.size() ? &boundaries[p] : nullptr;
        if (!PartitionRanges::conditionRows(keyFields, low, high, &r, tooLong)) return false;
        rows->push_back(std::move(r));
    }
    return true;
}

void PartitionPlanner::start(std::optional<std::vector<KeyTuple>> boundaries, Done done)
{
    done_ = std::move(done);
    boundaries_ = std::move(boundaries);
    plan_ = Plan();
    tables_ = KeyJoinPlan::tablesOf(fields_);
    const QString given = chunking_.partitionField;
    const qsizetype dash = given.indexOf(QLatin1Char('-'));
    plan_.table = dash > 0 ? given.left(dash) : tables_.value(0);
    field_ = dash > 0 ? given.mid(dash + 1) : given;
    if (!tables_.contains(plan_.table)) return finish(Plan::Kind::BadSetup, tx(TextId::ChunkTableNotInQuery).arg(given));
    readCatalogue();
}

void PartitionPlanner::readCatalogue()
{
    auto entries = std::make_shared<std::vector<FieldEntry>>();
    const QString table = plan_.table;
    read_ = new PagedRead(
        session_, [table](FunctionsComponent* s) { return prepareFieldsCall(s, table); },
        [entries](RfcFunction& f) { *entries = readFieldEntries(f.Tables(QStringLiteral("FIELDS"))); },
        [this, entries](bool ok) {
            if (!ok) return callFailed();
            const auto it = std::find_if(entries->begin(), entries->end(),
                                         [this](const FieldEntry& e) { return e.FIELDNAME == field_; });
            if (it == entries->end()) return finish(Plan::Kind::BadSetup, tx(TextId::ChunkUnknownField).arg(field_, plan_.table));
            fieldType_ = it->TYPE;
            catalogue_ = std::move(*entries);
            readKeys(0);
        },
        this);
    read_->start();
}

void PartitionPlanner::readKeys(int index)
{
    // The partition field's own table first: its key decides, the others must agree with it.
    QStringList order{plan_.table};
    for (const QString& t : tables_)
        if (t != plan_.table) order << t;
    if (index >= order.size()) {
        if (boundaries_) return finish(Plan::Kind::Planned);
        return sample();
    }
    const QString table = order[index];
    auto keys = std::make_shared<std::vector<KeyField>>();
    read_ = new PagedRead(
        session_, [table](FunctionsComponent* s) { return KeyFieldsCall::prepare(s, table); },
        [keys](RfcFunction& f) { *keys = KeyFieldsCall::read(f); },
        [this, keys, table, index](bool ok) {
            if (!ok) return callFailed();
            QString why;
            const auto prefix = keyPrefix(*keys, field_, table, &why);
            if (!prefix) return finish(Plan::Kind::BadSetup, why);
            if (index == 0 && !comparesAsText(fieldType_))
                return finish(Plan::Kind::BadSetup, tx(TextId::ChunkFieldType).arg(field_, plan_.table));
            if (index == 0) plan_.keyFields = *prefix;
            else if (*prefix != plan_.keyFields)
                return finish(Plan::Kind::BadSetup, tx(TextId::ChunkKeysDiffer).arg(field_, table, plan_.table));
            readKeys(index + 1);
        },
        this);
    read_->start();
}

void PartitionPlanner::sample()
{
    panels().setMessage(tx(TextId::ChunkSampling).arg(plan_.table).arg(chunking_.partitions));
    sampleFields_ = {};
    lengths_.clear();
    for (const QString& name : plan_.keyFields) {
        const auto it = std::find_if(catalogue_.begin(), catalogue_.end(), [&](const FieldEntry& e) { return e.FIELDNAME == name; });
        const int length = it == catalogue_.end() ? 0 : it->LENGTH;
        sampleFields_.fields.push_back({plan_.table + QLatin1Char('-') + name, QString(), QString(), static_cast<int16_t>(length)});
        lengths_.push_back(length);
    }
    const auto group = std::find_if(groups_.groups().begin(), groups_.groups().end(),
                                    [this](const CallGroup& g) { return g.table == plan_.table; });
    PagedReadSpec spec;
    spec.request.table = plan_.table;
    spec.request.rowLimit = rowLimit_;
    spec.request.delimiter = QStringLiteral(" ");
    spec.request.firstField = 1;
    spec.request.lastField = sampleFields_.count();
    spec.request.firstOption = group->firstOption;
    spec.request.lastOption = group->lastOption;
    spec.fields = &sampleFields_;
    spec.options = &options_;
    spec.pageRows = chunking_.pageRows;
    const bool dateField = fieldType_ == QLatin1String("D");
    sample_ = std::make_unique<KeySample>(static_cast<std::size_t>(std::clamp(chunking_.partitions * 200, 2000, 200000)));
    read_ = new PagedRead(
        session_, spec,
        [this](rfc::RowList rows, int column) {
            for (const auto& row : rows) {
                const QString line = column >= 0 && static_cast<std::size_t>(column) < row.size()
                                         ? QString::fromStdString(row[static_cast<std::size_t>(column)])
                                         : QString();
                KeyTuple key;
                qsizetype at = 0;
                for (int length : lengths_) {
                    key.push_back(trimmedRight(line.mid(at, length)));
                    at += length;
                }
                sample_->add(std::move(key));
            }
            return !rows.readFailed();
        },
        [this, dateField](bool ok) {
            if (!ok) return callFailed();
            boundaries_ = PartitionRanges::boundaries(sample_->sorted(), chunking_.partitions, dateField);
            sample_.reset();
            finish(Plan::Kind::Planned);
        },
        this);
    read_->start();
}

void PartitionPlanner::callFailed()
{
    finish(Plan::Kind::CallFailed, read_ ? read_->failure() : QString());
}

void PartitionPlanner::finish(Plan::Kind kind, const QString& message)
{
    if (read_) read_->deleteLater();
    read_ = nullptr;
    plan_.kind = kind;
    plan_.message = message;
    if (kind == Plan::Kind::Planned) {
        plan_.boundaries = *boundaries_;
        QString tooLong;
        if (!ranges(plan_.keyFields, plan_.boundaries, &plan_.ranges, &tooLong)) {
            plan_.kind = Plan::Kind::BadSetup;
            plan_.message = tx(TextId::ChunkValueTooLong).arg(tooLong);
        }
    }
    if (Done done = std::move(done_)) done(std::move(plan_));
}

} // namespace qvor
