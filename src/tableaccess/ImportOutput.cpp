#include "tableaccess/ImportOutput.h"

#include "tableaccess/CsvLineFormatter.h"
#include "tableaccess/KeyAgreementCheck.h"
#include "tableaccess/KeyJoin.h"
#include "tableaccess/MyTableFileWriter.h"
#include "tableaccess/RowJoiner.h"
#include "tableaccess/XlsxWorkbookWriter.h"
#include "util/UiTexts.h"
#include "util/WholeFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>


namespace qvor {

namespace {

std::vector<char> typesOf(const MyTableBuffer& fields)
{
    std::vector<char> types;
    for (const MyTableField& f : fields.fields) types.push_back(f.type.isEmpty() ? 'C' : f.type.front().toLatin1());
    return types;
}

QStringList namesOf(const MyTableBuffer& fields, bool texts)
{
    QStringList items;
    for (const MyTableField& f : fields.fields) items << (texts ? f.text : f.name);
    return items;
}

} // namespace

class ImportOutput::Sink {
public:
    virtual ~Sink() = default;
    virtual bool open(const QString& path, AppError* error) = 0;
    virtual bool writeValues(const std::vector<std::string_view>& values, AppError* error) = 0;
    virtual bool backlogged() const { return false; }
    virtual bool finishWriting(AppError* error) = 0;
    virtual bool commit(AppError* error) = 0;
    virtual void cancel() = 0;
    virtual qint64 overflows() const { return 0; }
};

// The specified file; rows paired by key are put together as SAP would have delimited them.
class ImportOutput::SapSink : public Sink {
public:
    SapSink(const MyTableBuffer& fields, const QString& separator) : fields_(fields), separator_(separator.toUtf8()),
        textSeparator_(separator) {}
    bool open(const QString& path, AppError* error) override { return file_.begin(path, fields_, textSeparator_, error); }
    bool writeRow(const QByteArray& row, AppError* error) { return file_.writeRow(row, error); }
    bool writeValues(const std::vector<std::string_view>& values, AppError* error) override
    {
        row_.clear();
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0) row_.append(separator_);
            row_.append(values[i].data(), static_cast<qsizetype>(values[i].size()));
        }
        return file_.writeRow(row_, error);
    }
    bool backlogged() const override { return file_.backlogged(); }
    bool finishWriting(AppError* error) override { return file_.finishWriting(error); }
    bool commit(AppError* error) override { return file_.commit(error); }
    void cancel() override { file_.cancel(); }

private:
    const MyTableBuffer& fields_;
    QByteArray separator_;
    QString textSeparator_;
    MyTableFileWriter file_;
    QByteArray row_;
};

class ImportOutput::CsvSink : public Sink {
public:
    CsvSink(const MyTableBuffer& fields, const QString& separator, bool descriptions)
        : fields_(fields), format_(typesOf(fields), separator), descriptions_(descriptions) {}
    bool open(const QString& path, AppError* error) override
    {
        QByteArray head = CsvLineFormatter::byteOrderMark() + format_.headerLine(namesOf(fields_, false));
        if (descriptions_) head += format_.headerLine(namesOf(fields_, true));
        return file_.beginWith(path, head, error);
    }
    bool writeValues(const std::vector<std::string_view>& values, AppError* error) override
    {
        row_.clear();
        format_.appendRow(row_, values);
        return file_.writeBytes(row_, error);
    }
    bool backlogged() const override { return file_.backlogged(); }
    bool finishWriting(AppError* error) override { return file_.finishWriting(error); }
    bool commit(AppError* error) override { return file_.commit(error); }
    void cancel() override { file_.cancel(); }
    qint64 overflows() const override { return format_.overflowCount(); }

private:
    const MyTableBuffer& fields_;
    CsvLineFormatter format_;
    bool descriptions_;
    MyTableFileWriter file_;
    QByteArray row_;
};

// The library writes the workbook itself when it closes, into a file of its own; the bytes then
// go to the chosen path through the program's one file writer, which replaces the old file only
// when complete (and writes into devices and standard output as they are).
class ImportOutput::XlsxSink : public Sink {
public:
    XlsxSink(const MyTableBuffer& fields, bool descriptions) : fields_(fields), descriptions_(descriptions) {}
    ~XlsxSink() override { cancel(); }
    bool open(const QString& path, AppError* error) override
    {
        path_ = path;
        const bool beside = WholeFileWriter::targetOf(path) == WholeFileWriter::Target::Replace;
        const QString folder = beside ? QFileInfo(path).absolutePath() : QDir::tempPath();
        book_ = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/.qvor-XXXXXX.xlsx"));
        if (!book_->open()) {
            if (error) *error = AppError::fromFile(*book_);
            return false;
        }
        book_->close();
        std::vector<XlsxColumn> columns;
        for (const MyTableField& f : fields_.fields)
            columns.push_back({f.name, f.text, f.type.isEmpty() ? 'C' : f.type.front().toLatin1(), f.length});
        XlsxWorkbookWriter::Options options;
        options.descriptionRow = descriptions_;
        options.sheetName = fields_.fields.empty() ? QString() : tableOfField(fields_.fields.front().name);
        options.temporaryFolder = folder;
        return workbook_.open(book_->fileName(), std::move(columns), options, error);
    }
    bool writeValues(const std::vector<std::string_view>& values, AppError* error) override
    {
        return workbook_.writeRow(values, error);
    }
    bool finishWriting(AppError* error) override
    {
        if (!workbook_.close(error)) return false;
        QFile book(book_->fileName());
        if (!book.open(QIODevice::ReadOnly)) {
            if (error) *error = AppError::fromFile(book);
            return false;
        }
        if (!file_.open(path_, error)) return false;
        QByteArray chunk;
        while (!book.atEnd()) {
            chunk = book.read(1 << 20);
            if (chunk.isEmpty() && book.error() != QFileDevice::NoError) {
                if (error) *error = AppError::fromFile(book);
                return false;
            }
            if (!file_.write(chunk, error)) return false;
        }
        book.close();
        book_.reset();
        return file_.finishWriting(error);
    }
    bool commit(AppError* error) override { return file_.commit(error); }
    void cancel() override
    {
        workbook_.discard();
        file_.cancel();
        book_.reset();
    }
    qint64 overflows() const override { return workbook_.overflowCount(); }

private:
    const MyTableBuffer& fields_;
    bool descriptions_;
    QString path_;
    std::unique_ptr<QTemporaryFile> book_;
    XlsxWorkbookWriter workbook_;
    WholeFileWriter file_;
};

ImportOutput::ImportOutput(const MyTableBuffer& fields, const CallGroups& groups, const QString& separator,
                           const OutputChoice& choice, std::optional<KeyJoinPlan> plan)
    : fields_(fields), groups_(groups), separator_(separator), choice_(choice), plan_(std::move(plan))
{
    calls_.resize(static_cast<std::size_t>(groups_.count()));
    if (plan_) join_ = std::make_unique<KeyJoin>(*plan_);
    else if (choice_.format == OutputFormat::Sap) joiner_ = std::make_unique<RowJoiner>(separator_);
    for (const CallGroup& g : groups_.groups()) {
        std::vector<int> lengths;
        for (int i = g.firstField; i <= g.lastField; ++i) lengths.push_back(fields_.field(i).length);
        lengths_.push_back(std::move(lengths));
    }
    lines_.resize(calls_.size());
    switch (choice_.format) {
    case OutputFormat::Sap: sink_ = std::make_unique<SapSink>(fields_, separator_); break;
    case OutputFormat::Csv: sink_ = std::make_unique<CsvSink>(fields_, separator_, choice_.descriptionRow); break;
    case OutputFormat::Xlsx: sink_ = std::make_unique<XlsxSink>(fields_, choice_.descriptionRow); break;
    }
}

ImportOutput::~ImportOutput() = default;

QString ImportOutput::callDelimiter(const OutputChoice& choice, const QString& separator)
{
    return choice.format == OutputFormat::Sap && !choice.joinOnKeys ? separator : QStringLiteral(" ");
}

QString ImportOutput::pathFor(const QString& path, OutputFormat format)
{
    if (format == OutputFormat::Sap || path.isEmpty()) return path;
    const QString suffix = QLatin1Char('.') + outputFormatName(format);
    if (path.endsWith(suffix, Qt::CaseInsensitive)) return path;
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return (dot > slash + 1 ? path.left(dot) : path) + suffix;
}

bool ImportOutput::addCall(int k, std::unique_ptr<RowStore> rows)
{
    if (k < 1 || k > groups_.count()) return false;
    if (join_) {
        QByteArray line;
        while (rows->next(line))
            if (!join_->addLine(k, std::string_view(line.constData(), static_cast<std::size_t>(line.size()))))
                return !(failed_ = true);
        return !(failed_ = failed_ || rows->readFailed());
    }
    calls_[static_cast<std::size_t>(k - 1)] = std::move(rows);
    return true;
}

void ImportOutput::setCheck(std::unique_ptr<KeyAgreementCheck> check) { check_ = std::move(check); }

bool ImportOutput::begin(const QString& path, AppError* error)
{
    if (check_) {
        std::vector<RowStore*> stores;
        for (auto& c : calls_) stores.push_back(c.get());
        disagreeing_ = check_->count(stores);
    }
    if (join_ && !join_->prepare()) failed_ = true;
    if (joiner_) {
        for (std::size_t k = 0; k < calls_.size(); ++k)
            if (calls_[k]) joiner_->addGroup(static_cast<int>(k + 1), groups_.groups()[k].firstField, std::move(calls_[k]));
        joiner_->start();
    }
    if (failed_) {
        if (error) *error = AppError::pathFileAccess();
        return false;
    }
    return sink_->open(path, error);
}

bool ImportOutput::nextPositional(std::vector<std::string_view>& values, AppError* error)
{
    values.assign(static_cast<std::size_t>(fields_.count()), std::string_view());
    bool any = false;
    for (std::size_t c = 0; c < calls_.size(); ++c) {
        RowStore* store = calls_[c].get();
        if (!store || !store->next(lines_[c])) {
            if (store && store->readFailed()) failed_ = true;
            continue;
        }
        any = true;
        KeyJoinPlan::cut(std::string_view(lines_[c].constData(), static_cast<std::size_t>(lines_[c].size())),
                         lengths_[c], cells_);
        const int first = groups_.groups()[c].firstField - 1;
        for (std::size_t i = 0; i < cells_.size(); ++i) values[static_cast<std::size_t>(first) + i] = cells_[i];
    }
    if (failed_ && error) *error = AppError::pathFileAccess();
    return any && !failed_;
}

bool ImportOutput::next(AppError* error)
{
    bool more = false;
    if (joiner_) {
        more = joiner_->next(row_);
        if (more) return static_cast<SapSink&>(*sink_).writeRow(row_, error);
        failed_ = joiner_->failed();
    } else if (join_) {
        more = join_->next(values_);
        if (!more) failed_ = join_->failed();
    } else {
        more = nextPositional(values_, error);
    }
    if (failed_) {
        if (error && !error->isError()) *error = AppError::pathFileAccess();
        return false;
    }
    return more && sink_->writeValues(values_, error);
}

bool ImportOutput::backlogged() const { return sink_->backlogged(); }

bool ImportOutput::finishWriting(AppError* error)
{
    const bool ok = sink_->finishWriting(error);
    if (join_) withoutMatch_ = join_->rowsWithoutMatch();
    // The spilled rows go with the thread that syncs the file, not with the window's.
    joiner_.reset();
    join_.reset();
    calls_.clear();
    return ok;
}

bool ImportOutput::commit(AppError* error) { return sink_->commit(error); }

void ImportOutput::cancel() { sink_->cancel(); }

QString ImportOutput::notes() const
{
    QStringList notes;
    if (const qint64 n = sink_->overflows(); n > 0) notes << tx(TextId::NoteOverflows).arg(n);
    if (disagreeing_ > 0) notes << tx(TextId::NoteKeysDiffer).arg(disagreeing_);
    if (withoutMatch_ > 0) notes << tx(TextId::NoteWithoutMatch).arg(withoutMatch_);
    return notes.join(QStringLiteral("; "));
}

} // namespace qvor
